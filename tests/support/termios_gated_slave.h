// A serial slave on the master side of a PtyPair that answers only while
// the line is set to one baud rate, parity and stop-bit combination. It
// reads the line's settings through the pty's own slave descriptor (opened
// before the port under test), as the device at the other end of a cable
// only understands frames sent at its own settings.
//
// Every request for its slave ID gets a one-register answer to function 03
// at the right settings, and silence otherwise. Runs in its own thread;
// every wait is bounded and the destructor stops it.
#pragma once

#include <termios.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "support/pty_pair.h"

namespace zentiq::test {

struct LineFraming {
    speed_t speed = B9600;
    char parity = 'N';  // 'N', 'E', 'O'
    int stopBits = 1;
    bool operator==(const LineFraming&) const = default;
};

// The framing of the terminal behind fd (speed as cfgetospeed gives it).
LineFraming ReadFraming(int fd);

class TermiosGatedSlave {
public:
    TermiosGatedSlave(PtyPair& pty, std::uint8_t slaveId, LineFraming answerAt);
    ~TermiosGatedSlave();
    TermiosGatedSlave(const TermiosGatedSlave&) = delete;
    TermiosGatedSlave& operator=(const TermiosGatedSlave&) = delete;

    // The framing of the line at each request, in order.
    std::vector<LineFraming> Seen() const;
    int Answered() const { return m_answered.load(); }

private:
    void Run();

    PtyPair& m_pty;
    std::uint8_t m_slaveId;
    LineFraming m_answerAt;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_answered{0};
    mutable std::mutex m_mutex;
    std::vector<LineFraming> m_seen;
    std::thread m_thread;
};

}  // namespace zentiq::test
