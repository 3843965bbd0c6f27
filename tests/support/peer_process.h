// Starts a real Modbus slave (pymodbus or the libmodbus slave of
// tests/support/peers) as a child process, waits until it serves, and stops
// it again. The child reads nothing from its stdin but ends when it closes,
// so a test that crashes never leaves a slave behind.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zentiq::test {

// Small process helpers shared by the launchers of tests/support.
namespace process {
// Forks and executes argv[0] (an absolute path) with the given descriptors
// as stdin/stdout/stderr (-1 = /dev/null). Every other descriptor is closed
// in the child, and the child gets SIGTERM when the calling thread ends.
// Returns the pid, or -1 with error set.
pid_t Spawn(const std::vector<std::string>& argv, int stdinFd, int stdoutFd, int stderrFd,
            std::string& error);
// Waits up to `grace` for pid to end by itself, then sends SIGTERM and waits
// up to `grace` again, then SIGKILL. Returns the wait status, or -1 when the
// child could not be reaped.
int Stop(pid_t pid, std::chrono::milliseconds grace);
// Absolute path of an executable found on PATH, or "" when there is none.
std::string FindInPath(const std::string& name);
// A fresh name under /tmp: /tmp/zq-<pid>-<counter>-<tag>, never reused in
// this process.
std::string UniqueTmpName(const std::string& tag);
// Whole content of a small text file ("" when it cannot be read), cut to
// its last maxBytes bytes.
std::string ReadTail(const std::string& path, std::size_t maxBytes = 4000);
}  // namespace process

// Line settings of a serial peer (on a pty only the framing matters).
struct PeerSerial {
    std::uint32_t baud = 19200;
    char parity = 'N';  // 'N', 'E' or 'O'
    int dataBits = 8;
    int stopBits = 1;
};

class PeerProcess {
public:
    // RtuOverTcp: RTU frames over TCP (pymodbus only).
    enum class Mode { Tcp, Rtu, Ascii, RtuOverTcp };
    using Serial = PeerSerial;
    static constexpr std::chrono::milliseconds kReadyTimeout{20000};

    // The pymodbus slave (tests/support/peers/pymodbus_slave.py run with
    // /usr/bin/python3). Tcp and RtuOverTcp bind the port that device names
    // on 127.0.0.1 (a free one when it is empty); Rtu and Ascii serve the
    // serial device (a pty path). Returns
    // nullptr with error set, naming the package to install when python3 or
    // pymodbus is missing. extraArgs go to the script as they are (the
    // identity options, say).
    static std::unique_ptr<PeerProcess> PyModbus(Mode mode, const std::string& device,
                                                 std::string& error, int slaveId = 1,
                                                 const Serial& serial = {},
                                                 const std::vector<std::string>& extraArgs = {});
    // The libmodbus slave (zentiq_libmodbus_slave of the tests build). Tcp
    // (on the port device names, or a free one) or Rtu; Ascii and
    // RtuOverTcp are refused (the slave has neither). Rtu with
    // an empty device: the slave makes a pty pair of its own and serves its
    // master end, with no relay in between; Endpoint() is the path to open.
    // With several lines one slave serves that many masters at once: TCP
    // clients, ptys of its own (Endpoint() names them separated by spaces)
    // or the devices of a comma-separated list.
    static std::unique_ptr<PeerProcess> LibModbus(Mode mode, const std::string& device,
                                                  std::string& error, int slaveId = 1,
                                                  const Serial& serial = {}, int lines = 1);
    // Any program that prints "READY <endpoint>" on stdout once it serves and
    // ends when its stdin closes. argv[0] must be an absolute path.
    static std::unique_ptr<PeerProcess> Start(const std::vector<std::string>& argv,
                                              std::chrono::milliseconds readyTimeout,
                                              std::string& error);

    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // What followed "READY ": the TCP port or the device path.
    const std::string& Endpoint() const { return m_endpoint; }
    // The TCP port (0 for a serial peer).
    std::uint16_t Port() const { return m_port; }
    pid_t Pid() const { return m_pid; }
    // false once the child has ended (it is then reaped).
    bool IsRunning();
    // The requests the libmodbus slave has answered so far (it reports them
    // on SIGUSR1); -1 when no report came within two seconds.
    long long Served();
    // Sends SIGUSR1 and returns what follows `tag` on the next line that
    // the peer prints with it; "" when none came within two seconds.
    std::string Report(const std::string& tag);
    // Closes stdin, waits, escalates to SIGTERM and SIGKILL (each bounded).
    // Returns the wait status, -1 if it was already stopped or not reaped.
    // Prints the peer's stderr when it ended abnormally.
    int Stop();

    // Directory of the sources and of the build, from the environment that
    // CTest sets or else from the values compiled in.
    static std::string SourceDir();
    static std::string BinaryDir();

private:
    PeerProcess() = default;

    pid_t m_pid = -1;
    int m_stdin = -1;   // write end of the child's stdin
    int m_stdout = -1;  // read end of the child's stdout
    std::string m_stderrPath;
    std::string m_endpoint;
    std::uint16_t m_port = 0;
    bool m_reaped = false;
    int m_waitStatus = -1;
    bool m_reportExit = true;
};

}  // namespace zentiq::test
