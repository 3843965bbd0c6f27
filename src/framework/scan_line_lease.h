// The line lent to a scan: the poll windows pause, and the waits of the
// connection become the scan's (a silent ID must cost only its own short
// timeout, with no delay between polls) until the line is given back with
// everything as it was.
#pragma once

#include <cstdint>

namespace zentiq {

class ModbusLine;

class ScanLineLease {
public:
    explicit ScanLineLease(ModbusLine& line) : m_line(line) {}
    ~ScanLineLease();
    ScanLineLease(const ScanLineLease&) = delete;
    ScanLineLease& operator=(const ScanLineLease&) = delete;

    // Pauses the poll slots, remembers the connection's waits and sets
    // timeoutMs as the response wait. Taking it again only re-times it
    // (after the line was reopened under the lease).
    void Take(std::uint32_t timeoutMs);
    // Sets the response wait anew, keeping what is remembered.
    void Retime(std::uint32_t timeoutMs);
    // Puts the remembered waits back and resumes polling.
    void Give();
    bool IsTaken() const { return m_taken; }

    ModbusLine& Line() const { return m_line; }

private:
    ModbusLine& m_line;
    bool m_taken = false;
    std::uint32_t m_tcpTimeout = 0;
    std::uint32_t m_serial[5] = {};
    std::uint32_t m_pollDelay = 0;
};

}  // namespace zentiq
