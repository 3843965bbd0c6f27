// A pseudo-terminal pair standing in for a serial line in tests: the engine
// opens slavePath() as its port, the test plays the device on the master.
//
//   PtyPair pty;
//   ASSERT_TRUE(pty.ok()) << pty.error();
//   port.Open(pty.slavePath(), 9600, 8, 0, 0, 0);
//   pty.writeToPort({0x01, 0x03});                 // the port will read these
//   auto sent = pty.readFromPort(8, 1000);         // what the port wrote
//
// The pair keeps its own slave descriptor open for its whole life, so the
// line does not hang up when the port under test closes and reopens; that
// descriptor is never read from (it would steal the port's input). Both sides
// start raw (no echo, no CR/LF translation). Not thread-safe: one thread
// plays the master at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zentiq::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // false when openpty() or the raw setup failed; error() says why.
    bool ok() const { return m_master >= 0 && m_slave >= 0; }
    const std::string& error() const { return m_error; }

    // The device path the port under test opens (/dev/pts/N).
    const std::string& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }
    int slaveFd() const { return m_slave; }

    // Bytes to the port (the port reads them). true when all were written.
    bool writeToPort(const std::uint8_t* bytes, std::size_t n);
    bool writeToPort(const std::vector<std::uint8_t>& bytes);
    bool writeToPort(std::initializer_list<std::uint8_t> bytes);
    bool writeToPort(std::string_view text);

    // Bytes the port wrote: returns when max bytes have arrived or timeoutMs
    // have passed since the call (whatever came until then, maybe nothing).
    std::vector<std::uint8_t> readFromPort(std::size_t max, int timeoutMs);
    // Like readFromPort, but also returns once no byte has come for gapMs
    // after the first one: one frame of a talker that pauses between frames.
    std::vector<std::uint8_t> readFrameFromPort(std::size_t max, int timeoutMs, int gapMs);
    // Drops whatever the port has written and nobody has read yet.
    void discardFromPort();

    // The device vanishes: closes the master, so the port's reads and writes
    // fail from now on (as with an unplugged USB adapter).
    void closeMaster();

private:
    std::vector<std::uint8_t> read(std::size_t max, int timeoutMs, int gapMs);

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_error;
};

}  // namespace zentiq::test
