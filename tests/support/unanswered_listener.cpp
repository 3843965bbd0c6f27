#include "support/unanswered_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zentiq::test {
namespace {

constexpr int kMostFillers = 16;
constexpr int kSettleMs = 300;  // a loopback connect that completes does so at once

// Starts a non-blocking connect; whether it completed within kSettleMs.
bool connectCompletes(int fd, const sockaddr_in& address) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    if (errno != EINPROGRESS)
        return true;  // failed at once: no hang either
    pollfd p{fd, POLLOUT, 0};
    return ::poll(&p, 1, kSettleMs) > 0;
}

}  // namespace

UnansweredListener::UnansweredListener() {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_listener, 0) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        m_error = std::string("no listening socket on 127.0.0.1: ") + std::strerror(errno);
        return;
    }
    m_port = ntohs(address.sin_port);
    for (int i = 0; i < kMostFillers; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            break;
        m_fillers.push_back(fd);
        if (!connectCompletes(fd, address)) {
            m_ok = true;  // the queue is full: this one and every later connect hang
            return;
        }
    }
    m_error = "the accept queue of a backlog-0 listener did not fill up on 127.0.0.1";
}

UnansweredListener::~UnansweredListener() {
    for (const int fd : m_fillers)
        ::close(fd);
    if (m_listener >= 0)
        ::close(m_listener);
}

}  // namespace zentiq::test
