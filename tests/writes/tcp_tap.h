// A relay on 127.0.0.1 between the engine and a real Modbus/TCP slave that
// notes every request frame on its way to the slave, with the time its first
// byte passed. It shows what reached the wire, how often and when, without
// changing a byte. Clients are relayed one after another.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zentiq::test {

class TcpTap {
public:
    using Clock = std::chrono::steady_clock;
    struct Request {
        Clock::time_point seen;         // first byte of the frame arrived
        std::vector<std::uint8_t> pdu;  // function code and data, no MBAP header
    };

    static std::unique_ptr<TcpTap> Start(std::uint16_t upstreamPort, std::string& error) {
        std::unique_ptr<TcpTap> tap(new TcpTap);
        tap->m_upstream = upstreamPort;
        tap->m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = loopback(0);
        socklen_t len = sizeof a;
        if (tap->m_listen < 0 || ::bind(tap->m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(tap->m_listen, 4) != 0 ||
            ::getsockname(tap->m_listen, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            error = "tap: cannot listen on 127.0.0.1";
            return nullptr;
        }
        tap->m_port = ntohs(a.sin_port);
        tap->m_thread = std::thread([t = tap.get()] { t->run(); });
        return tap;
    }

    ~TcpTap() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_listen >= 0) ::close(m_listen);
    }

    std::uint16_t Port() const { return m_port; }
    std::vector<Request> Requests() const {
        std::lock_guard guard(m_lock);
        return m_requests;
    }
    std::size_t RequestCount() const {
        std::lock_guard guard(m_lock);
        return m_requests.size();
    }
    void Clear() {
        std::lock_guard guard(m_lock);
        m_requests.clear();
    }

private:
    TcpTap() = default;

    static sockaddr_in loopback(std::uint16_t port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }

    static bool sendAll(int fd, const std::uint8_t* p, std::size_t n) {
        while (n > 0) {
            const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
            if (w <= 0) return false;
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        return true;
    }

    // Takes whole frames off the client's stream.
    void parse(std::vector<std::uint8_t>& pending, Clock::time_point& frameStart) {
        while (pending.size() >= 7) {
            const std::size_t length = (std::size_t(pending[4]) << 8) | pending[5];
            if (length < 1 || length > 260) {  // not Modbus/TCP: stop parsing
                pending.clear();
                return;
            }
            if (pending.size() < 6 + length) return;
            Request r{frameStart, std::vector<std::uint8_t>(pending.begin() + 7, pending.begin() + 6 + length)};
            {
                std::lock_guard guard(m_lock);
                m_requests.push_back(std::move(r));
            }
            pending.erase(pending.begin(), pending.begin() + 6 + static_cast<std::ptrdiff_t>(length));
            frameStart = Clock::now();
        }
    }

    void relay(int client) {
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in a = loopback(m_upstream);
        if (server < 0 || ::connect(server, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
            if (server >= 0) ::close(server);
            return;
        }
        std::vector<std::uint8_t> pending;
        Clock::time_point frameStart{};
        std::uint8_t buffer[4096];
        while (!m_stop) {
            pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (::poll(fds, 2, 50) < 0) break;
            if (fds[0].revents) {
                const Clock::time_point now = Clock::now();
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                if (pending.empty()) frameStart = now;
                pending.insert(pending.end(), buffer, buffer + n);
                parse(pending, frameStart);
                if (!sendAll(server, buffer, static_cast<std::size_t>(n))) break;
            }
            if (fds[1].revents) {
                const ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
                if (n <= 0 || !sendAll(client, buffer, static_cast<std::size_t>(n))) break;
            }
        }
        ::close(server);
    }

    void run() {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client < 0) continue;
            relay(client);
            ::close(client);
        }
    }

    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::uint16_t m_upstream = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_lock;
    std::vector<Request> m_requests;
};

}  // namespace zentiq::test
