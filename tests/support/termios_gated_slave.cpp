#include "support/termios_gated_slave.h"

#include "support/scripted_serial_slave.h"

namespace zentiq::test {

LineFraming ReadFraming(int fd) {
    termios t{};
    LineFraming f;
    if (tcgetattr(fd, &t) != 0)
        return f;
    f.speed = cfgetospeed(&t);
    // A pty clears PARENB whatever is set; the parity check (INPCK) that a
    // port turns on with its parity, and PARODD, stay.
    const bool parity = (t.c_cflag & PARENB) != 0 || (t.c_iflag & INPCK) != 0;
    f.parity = !parity ? 'N' : (t.c_cflag & PARODD) != 0 ? 'O' : 'E';
    f.stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
    return f;
}

TermiosGatedSlave::TermiosGatedSlave(PtyPair& pty, std::uint8_t slaveId, LineFraming answerAt)
    : m_pty(pty), m_slaveId(slaveId), m_answerAt(answerAt) {
    m_thread = std::thread([this] { Run(); });
}

TermiosGatedSlave::~TermiosGatedSlave() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<LineFraming> TermiosGatedSlave::Seen() const {
    std::lock_guard guard(m_mutex);
    return m_seen;
}

void TermiosGatedSlave::Run() {
    while (!m_stop.load()) {
        // One request: whatever comes until the line is quiet for 5 ms;
        // each wait is a short slice so that a stop is seen at once.
        const auto request = m_pty.readFrameFromPort(256, 100, 5);
        if (request.empty())
            continue;
        const LineFraming now = ReadFraming(m_pty.slaveFd());
        {
            std::lock_guard guard(m_mutex);
            m_seen.push_back(now);
        }
        // A function 03 request is 8 bytes: id, 3, address, quantity, CRC.
        if (!(now == m_answerAt) || request.size() != 8 || request[0] != m_slaveId ||
            request[1] != 3)
            continue;
        const auto answer = ScriptedSerialSlave::Rtu({m_slaveId, 3, 2, 0x12, 0x34});
        if (m_pty.writeToPort(answer))
            ++m_answered;
    }
}

}  // namespace zentiq::test
