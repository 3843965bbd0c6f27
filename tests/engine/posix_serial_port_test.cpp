// PosixSerialPort over a pty pair: open and configuration, data both ways,
// the Windows read/write timeout semantics, purge, hang-up.
//
// Time assertions only have lower bounds (never tight upper ones), except a
// few generous "did not hang" upper bounds of seconds.
#include "engine/posix_serial_port.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/serial_custom_baud.h"
#include "engine/serial_line_config.h"
#include "support/pty_pair.h"

namespace zentiq {
namespace {

using test::PtyPair;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint32_t kMax = 0xFFFFFFFFu;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

class PosixSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pty.ok()) << pty.error(); }
    // 9600 8N1, no handshake, and timeouts (interval, multiplier, constant).
    void OpenPort(std::uint32_t interval, std::uint32_t multiplier, std::uint32_t constant,
                  std::uint32_t writeMultiplier = 0, std::uint32_t writeConstant = 0) {
        ASSERT_EQ(port.Open(pty.slavePath(), 9600, 8, 0, 0, 0), 0)
            << "errno " << port.LastOpenErrno();
        ASSERT_TRUE(
            port.SetTimeouts({interval, multiplier, constant, writeMultiplier, writeConstant}));
    }

    PtyPair pty;
    PosixSerialPort port;
};

// ---- open and configuration ------------------------------------------------

TEST_F(PosixSerialPortTest, MissingDeviceGivesOneWithEnoent) {
    EXPECT_EQ(port.Open("/dev/zentiq-no-such-port", 9600, 8, 0, 0, 0), 1);
    EXPECT_EQ(port.LastOpenErrno(), ENOENT);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PosixSerialPortTest, NonTerminalIsNotAvailable) {
    // /dev/null opens but is no serial line: refused at the open step.
    EXPECT_EQ(port.Open("/dev/null", 9600, 8, 0, 0, 0), 1);
    EXPECT_NE(port.LastOpenErrno(), 0);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PosixSerialPortTest, OpensAtEveryTableBaud) {
    const std::uint32_t table[] = {2400,  4800,   9600, 14400, 19200, 38400,  56000,
                                   57600, 115200, 300,  600,   1200,  128000, 256000};
    for (std::uint32_t baud : table) {
        SCOPED_TRACE(baud);
        ASSERT_EQ(port.Open(pty.slavePath(), baud, 8, 2, 0, handshake::RTS), 0)
            << "errno " << port.LastOpenErrno();
        EXPECT_TRUE(port.IsOpen());
        // The speed the driver keeps is the one asked for, constant or not.
        std::uint32_t actual = 0;
        ASSERT_TRUE(GetTtyBaudRate(pty.slaveFd(), &actual));
        EXPECT_EQ(actual, baud);
        port.Close();
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST_F(PosixSerialPortTest, CustomBaudIsSetWithBother) {
    ASSERT_EQ(port.Open(pty.slavePath(), 56000, 8, 0, 0, 0), 0);
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    // No Bxxx constant exists for 56000: the CBAUD field says "other"
    // (BOTHER of <asm/termbits.h>, which cannot be included beside <termios.h>).
    constexpr tcflag_t kBother = 0010000;
    EXPECT_EQ(tio.c_cflag & CBAUD, kBother);
    std::uint32_t actual = 0;
    ASSERT_TRUE(GetTtyBaudRate(pty.slaveFd(), &actual));
    EXPECT_EQ(actual, 56000u);
}

TEST_F(PosixSerialPortTest, RawEightNoneOne) {
    ASSERT_EQ(port.Open(pty.slavePath(), 19200, 8, 0, 0, 0), 0);
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & PARENB, 0u);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
    EXPECT_NE(tio.c_cflag & CREAD, 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (INPCK | IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
}

// A pty keeps every setting but two: the kernel forces CS8 and clears PARENB
// on it. What it keeps is checked on the pty; data bits and the parity bit
// are checked on the configuration the port hands to the driver.
TEST_F(PosixSerialPortTest, OddParityAndTwoStopBitsReachThePty) {
    ASSERT_EQ(port.Open(pty.slavePath(), 9600, 7, 1, 2, 0), 0)  // glibc's EINVAL tolerated
        << "errno " << port.LastOpenErrno();
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_NE(tio.c_cflag & PARODD, 0u);
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_NE(tio.c_iflag & INPCK, 0u);
}

TEST_F(PosixSerialPortTest, EvenParityReachesThePty) {
    ASSERT_EQ(port.Open(pty.slavePath(), 9600, 8, 2, 0, 0), 0) << "errno " << port.LastOpenErrno();
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & PARODD, 0u);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
    EXPECT_NE(tio.c_iflag & INPCK, 0u);
}

TEST_F(PosixSerialPortTest, SameSettingsTwiceStillOpen) {
    // glibc reports EINVAL on a pty only when nothing but the forced bits
    // differs; the second open with identical settings is that case.
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(port.Open(pty.slavePath(), 9600, 7, 2, 0, 0), 0)
            << "round " << i << " errno " << port.LastOpenErrno();
    }
}

termios ConfiguredFrom(std::uint32_t baud, int dataBits, int parity, int stopBits,
                       HandshakeFlags flags, bool* ok) {
    termios tio{};
    // Start from a cooked line with a split input speed left behind.
    tio.c_iflag = ICRNL | IXON | ISTRIP;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_lflag = ICANON | ECHO | ISIG;
    tio.c_cflag =
        CS8 | CREAD | PARENB | CRTSCTS | (tcflag_t{B4800} << 16);  // CIBAUD = B4800 (IBSHIFT 16)
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 5;
    *ok = ConfigureLine(tio, baud, dataBits, parity, stopBits, flags);
    return tio;
}

TEST(ConfigureLineTest, SevenDataBitsOddParityTwoStopBits) {
    bool ok = false;
    const termios tio = ConfiguredFrom(9600, 7, 1, 2, 0, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB | PARODD));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_NE(tio.c_iflag & INPCK, 0u);
    EXPECT_EQ(tio.c_iflag & (IGNPAR | PARMRK | ISTRIP), 0u);
}

TEST(ConfigureLineTest, EightDataBitsEvenParityOneStopBit) {
    bool ok = false;
    const termios tio = ConfiguredFrom(19200, 8, 2, 0, 0, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB));
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
    EXPECT_NE(tio.c_iflag & INPCK, 0u);
}

TEST(ConfigureLineTest, NoParityMeansNoParityCheck) {
    bool ok = false;
    const termios tio = ConfiguredFrom(9600, 8, 0, 0, 0, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD), 0u);
    EXPECT_EQ(tio.c_iflag & INPCK, 0u);
}

TEST(ConfigureLineTest, RawLineWithoutFlowControlThatReadsNeverWait) {
    bool ok = false;
    const termios tio = ConfiguredFrom(9600, 8, 0, 0, handshake::RTS | handshake::DTRDSR, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(tio.c_iflag & (ICRNL | IXON | IXOFF | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST(ConfigureLineTest, InputSpeedFollowsOutputSpeed) {
    bool ok = false;
    const termios tio = ConfiguredFrom(115200, 8, 0, 0, 0, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_EQ(tio.c_cflag & CIBAUD, 0u);  // 0 = the same as the output speed
}

TEST(ConfigureLineTest, RatesWithoutAConstantGetAStandIn) {
    for (std::uint32_t baud : {14400u, 56000u, 128000u, 256000u}) {
        SCOPED_TRACE(baud);
        EXPECT_EQ(StandardSpeed(baud), static_cast<speed_t>(B0));
        bool ok = false;
        ConfiguredFrom(baud, 8, 0, 0, 0, &ok);
        EXPECT_TRUE(ok);
    }
    EXPECT_EQ(StandardSpeed(300), static_cast<speed_t>(B300));
    EXPECT_EQ(StandardSpeed(57600), static_cast<speed_t>(B57600));
}

TEST(ConfigureLineTest, HandshakeBits) {
    bool ok = false;
    const termios tio = ConfiguredFrom(9600, 8, 0, 0, handshake::RTSCTS | handshake::XONXOFF, &ok);
    ASSERT_TRUE(ok);
    EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
}

TEST(ConfigureLineTest, OutOfRangeValuesAreRefused) {
    bool ok = true;
    ConfiguredFrom(9600, 9, 0, 0, 0, &ok);
    EXPECT_FALSE(ok);
    ConfiguredFrom(9600, 8, 5, 0, 0, &ok);
    EXPECT_FALSE(ok);
    ConfiguredFrom(0, 8, 0, 0, 0, &ok);
    EXPECT_FALSE(ok);
}

TEST_F(PosixSerialPortTest, HandshakeBitsReachTheLine) {
    ASSERT_EQ(port.Open(pty.slavePath(), 9600, 8, 0, 0, handshake::RTSCTS | handshake::XONXOFF), 0);
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
}

TEST_F(PosixSerialPortTest, BadLineParametersFailAtTheConfigurationStep) {
    EXPECT_EQ(port.Open(pty.slavePath(), 9600, 9, 0, 0, 0), 4);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Open(pty.slavePath(), 9600, 8, 7, 0, 0), 4);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Open(pty.slavePath(), 0, 8, 0, 0, 0), 4);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PosixSerialPortTest, SecondOpenOfAPortInUseIsRefused) {
    // TIOCEXCL does not stop root, but the advisory lock does.
    ASSERT_EQ(port.Open(pty.slavePath(), 9600, 8, 0, 0, 0), 0);
    PosixSerialPort other;
    EXPECT_EQ(other.Open(pty.slavePath(), 9600, 8, 0, 0, 0), 1);
    EXPECT_EQ(other.LastOpenErrno(), EWOULDBLOCK);
    port.Close();
    EXPECT_EQ(other.Open(pty.slavePath(), 9600, 8, 0, 0, 0), 0);
}

// Every wait is a poll(): a write on a stalled line must come back to it.
TEST_F(PosixSerialPortTest, DescriptorIsNonBlockingAndCloseOnExec) {
    OpenPort(0, 0, 100);
    // The descriptor is private to the port; find it through /proc.
    const std::string link = "/proc/self/fd/";
    int found = -1;
    for (int fd = 3; fd < 1024 && found < 0; ++fd) {
        char target[256] = {};
        const std::string path = link + std::to_string(fd);
        const ssize_t len = readlink(path.c_str(), target, sizeof target - 1);
        if (len > 0 && pty.slavePath() == target && fd != pty.slaveFd())
            found = fd;
    }
    ASSERT_GE(found, 0);
    EXPECT_NE(fcntl(found, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(fcntl(found, F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(PosixSerialPortTest, ReopenClosesThePreviousDescriptor) {
    OpenPort(0, 0, 100);
    ASSERT_EQ(port.Open(pty.slavePath(), 9600, 8, 0, 0, 0), 0);  // not refused by its own lock
    ASSERT_TRUE(pty.writeToPort({0x42}));
    std::uint8_t b = 0;
    EXPECT_EQ(port.Read(&b, 1), 1);
    EXPECT_EQ(b, 0x42);
}

// ---- closed port -------------------------------------------------------------

TEST_F(PosixSerialPortTest, ClosedPortReadsMinusOneAndWritesZero) {
    std::uint8_t buffer[4] = {1, 2, 3, 4};
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Write(buffer, 4), 0);
    EXPECT_EQ(port.Read(buffer, 4), -1);
    EXPECT_FALSE(port.SetTimeouts({1, 2, 3, 4, 5}));
    EXPECT_EQ(port.Timeouts().readConstant, 3u);  // stored for the next open
    port.Purge();                                 // harmless

    OpenPort(0, 0, 100);
    port.Close();
    EXPECT_EQ(port.Write(buffer, 4), 0);
    EXPECT_EQ(port.Read(buffer, 4), -1);
}

TEST_F(PosixSerialPortTest, TimeoutsStoredBeforeOpenApplyAfter) {
    EXPECT_EQ(port.Timeouts().readInterval, kMax);
    EXPECT_EQ(port.Timeouts().readMultiplier, kMax);
    EXPECT_FALSE(port.SetTimeouts({0, 0, 150, 0, 0}));
    ASSERT_EQ(port.Open(pty.slavePath(), 9600, 8, 0, 0, 0), 0);
    std::uint8_t b = 0;
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(&b, 1), 0);
    EXPECT_GE(MsSince(start), 140);
}

// ---- data both ways -----------------------------------------------------------

TEST_F(PosixSerialPortTest, WriteReachesTheOtherSide) {
    OpenPort(0, 0, 1000, 0, 1000);
    const std::uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
    ASSERT_EQ(port.Write(request, sizeof request), 1);
    EXPECT_EQ(port.WriteFlags(), 0u);
    EXPECT_EQ(pty.readFromPort(64, 1000),
              std::vector<std::uint8_t>(request, request + sizeof request));
}

TEST_F(PosixSerialPortTest, AllByteValuesPassUnchanged) {
    OpenPort(0, 0, 2000, 0, 2000);
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<std::uint8_t>(i);
    // Port to device: no CR/LF mapping, no XON/XOFF eaten, no echo.
    ASSERT_EQ(port.Write(all.data(), all.size()), 1);
    EXPECT_EQ(pty.readFromPort(512, 2000), all);
    // Device to port.
    ASSERT_TRUE(pty.writeToPort(all));
    std::vector<std::uint8_t> in(256);
    EXPECT_EQ(port.Read(in.data(), in.size()), 256);
    EXPECT_EQ(in, all);
    EXPECT_TRUE(pty.readFromPort(1, 100).empty());  // nothing echoed back
}

TEST_F(PosixSerialPortTest, ReadStopsAtCount) {
    OpenPort(0, 0, 2000);
    ASSERT_TRUE(pty.writeToPort({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    std::uint8_t buffer[16] = {};
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 4), 4);
    EXPECT_LT(MsSince(start), 1500);  // returned at the count, not at the 2 s limit
    EXPECT_EQ(buffer[3], 4);
    EXPECT_EQ(buffer[4], 0);
    // The rest stays for the next read.
    EXPECT_EQ(port.Read(buffer, 6), 6);
    EXPECT_EQ(buffer[0], 5);
    EXPECT_EQ(buffer[5], 10);
    EXPECT_EQ(port.ReadFlags(), 0u);
}

TEST_F(PosixSerialPortTest, LargeWriteIsContinuedUntilDone) {
    // More than a pty buffer holds: the write must wait for the other side.
    OpenPort(0, 0, 1000, 0, 10000);
    std::vector<std::uint8_t> big(64 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    std::vector<std::uint8_t> received;
    std::thread reader([&] {
        while (received.size() < big.size()) {
            auto chunk = pty.readFromPort(big.size() - received.size(), 5000);
            if (chunk.empty())
                break;
            received.insert(received.end(), chunk.begin(), chunk.end());
        }
    });
    EXPECT_EQ(port.Write(big.data(), big.size()), 1);
    reader.join();
    EXPECT_EQ(received, big);
}

// ---- read timeouts --------------------------------------------------------

TEST_F(PosixSerialPortTest, ReadEndsAtTheInterByteGap) {
    // Interval 50 ms; the total limit (3 s) is only a backstop.
    OpenPort(50, 0, 3000);
    std::thread device([&] {
        std::this_thread::sleep_for(milliseconds(50));
        pty.writeToPort({0x11, 0x22, 0x33});
        std::this_thread::sleep_for(milliseconds(300));
        pty.writeToPort({0x44, 0x55});
    });
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(port.Read(buffer, 8), 3);
    EXPECT_EQ(buffer[2], 0x33);
    device.join();
    // The late bytes are still there for the next read.
    EXPECT_EQ(port.Read(buffer, 2), 2);
    EXPECT_EQ(buffer[0], 0x44);
}

TEST_F(PosixSerialPortTest, IntervalDoesNotStartBeforeTheFirstByte) {
    // Interval 30 ms, total 2 x 4 + 400 ms: the first byte comes after 150 ms,
    // much later than the interval, and is still read.
    OpenPort(30, 2, 400);
    std::thread device([&] {
        std::this_thread::sleep_for(milliseconds(150));
        pty.writeToPort({0xAB});
    });
    std::uint8_t buffer[4] = {};
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 4), 1);
    EXPECT_GE(MsSince(start), 140);
    EXPECT_EQ(buffer[0], 0xAB);
    device.join();
}

TEST_F(PosixSerialPortTest, TotalTimeoutWithoutDataReturnsZero) {
    OpenPort(20, 10, 100);  // 10 x 8 + 100 = 180 ms
    std::uint8_t buffer[8] = {};
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 8), 0);
    EXPECT_GE(MsSince(start), 170);
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(port.ReadFlags(), 0u);  // a timeout is no failure
}

TEST_F(PosixSerialPortTest, TotalTimeoutEndsATrickle) {
    // A byte every 30 ms never exceeds the 100 ms interval, so only the total
    // limit (0 x n + 250 ms) ends the read, with what came so far.
    OpenPort(100, 0, 250);
    std::atomic<bool> stop{false};
    std::thread device([&] {
        for (int i = 0; i < 40 && !stop; ++i) {
            pty.writeToPort({static_cast<std::uint8_t>(i)});
            std::this_thread::sleep_for(milliseconds(30));
        }
    });
    std::uint8_t buffer[64] = {};
    const auto start = Clock::now();
    const int n = port.Read(buffer, 64);
    const auto elapsed = MsSince(start);
    stop = true;
    device.join();
    EXPECT_GE(elapsed, 240);
    EXPECT_GE(n, 3);
    EXPECT_LT(n, 40);
}

TEST_F(PosixSerialPortTest, HugeMultiplierDoesNotOverflow) {
    // 0x80000000 x 2 + 50 is 50 in 32-bit arithmetic; the read must wait for
    // its data (about 49 days allowed) instead of timing out after 50 ms.
    OpenPort(0, 0x80000000u, 50);
    std::thread device([&] {
        std::this_thread::sleep_for(milliseconds(100));
        pty.writeToPort({1, 2});
    });
    std::uint8_t buffer[2] = {};
    EXPECT_EQ(port.Read(buffer, 2), 2);
    device.join();
}

TEST_F(PosixSerialPortTest, MaxIntervalZeroTotalReturnsAtOnce) {
    OpenPort(kMax, 0, 0);
    std::uint8_t buffer[8] = {};
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 8), 0);
    EXPECT_LT(MsSince(start), 1000);
    ASSERT_TRUE(pty.writeToPort({7, 8, 9}));
    std::this_thread::sleep_for(milliseconds(50));
    start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 8), 3);  // what is there, no waiting for more
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(buffer[2], 9);
}

TEST_F(PosixSerialPortTest, InitialTimeoutsReturnAtOnce) {
    // Interval and multiplier at the maximum, constant 0.
    ASSERT_EQ(port.Open(pty.slavePath(), 9600, 8, 0, 0, 0), 0);
    std::uint8_t buffer[8] = {};
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 8), 0);
    EXPECT_LT(MsSince(start), 1000);
}

TEST_F(PosixSerialPortTest, MaxIntervalMaxMultiplierWaitsForTheFirstByte) {
    OpenPort(kMax, kMax, 400);
    std::uint8_t buffer[8] = {};
    // Nothing comes: the constant passes.
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 8), 0);
    EXPECT_GE(MsSince(start), 390);
    EXPECT_LT(MsSince(start), 5000);

    // Two bytes come after 50 ms, one more 150 ms later, still within the
    // constant: the read returns with the first two as soon as they are there.
    std::thread device([&] {
        std::this_thread::sleep_for(milliseconds(50));
        pty.writeToPort({0xA1, 0xA2});
        std::this_thread::sleep_for(milliseconds(150));
        pty.writeToPort({0xA3});
    });
    start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 8), 2);
    EXPECT_GE(MsSince(start), 40);
    device.join();
    EXPECT_EQ(port.Read(buffer, 8), 1);
    EXPECT_EQ(buffer[0], 0xA3);
}

TEST_F(PosixSerialPortTest, MaxIntervalMaxMultiplierMaxConstantReturnsAtOnce) {
    OpenPort(kMax, kMax, kMax);
    std::uint8_t buffer[8] = {};
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 8), 0);
    EXPECT_LT(MsSince(start), 1000);
    ASSERT_TRUE(pty.writeToPort({5}));
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(port.Read(buffer, 8), 1);
}

TEST_F(PosixSerialPortTest, ZeroCountReadReturnsZeroAtOnce) {
    OpenPort(0, 0, 3000);
    std::uint8_t b = 0;
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(&b, 0), 0);
    EXPECT_LT(MsSince(start), 2000);
}

// ---- purge -------------------------------------------------------------------

TEST_F(PosixSerialPortTest, PurgeDiscardsPendingInput) {
    OpenPort(0, 0, 300);
    ASSERT_TRUE(pty.writeToPort({1, 2, 3, 4}));
    std::this_thread::sleep_for(milliseconds(50));
    port.Purge();
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(port.Read(buffer, 8), 0);
    // The line still works after it.
    ASSERT_TRUE(pty.writeToPort({9}));
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(port.Read(buffer, 8), 1);
    EXPECT_EQ(buffer[0], 9);
}

// ---- handshake on a line without modem lines -------------------------------

TEST_F(PosixSerialPortTest, RtsToggleAndDsrFlowDoNotBlockAPty) {
    // A pty has neither RS-485 mode nor modem lines: the RTS toggle by hand
    // and the wait for DSR must fall through, not fail or wait.
    ASSERT_EQ(port.Open(pty.slavePath(), 9600, 8, 0, 0, handshake::RTS | handshake::DTRDSR), 0);
    ASSERT_TRUE(port.SetTimeouts({0, 0, 500, 0, 500}));
    const std::uint8_t frame[] = {0x01, 0x06, 0x00, 0x01, 0x00, 0x03};
    const auto start = Clock::now();
    EXPECT_EQ(port.Write(frame, sizeof frame), 1);
    EXPECT_LT(MsSince(start), 450);
    EXPECT_EQ(pty.readFromPort(16, 1000).size(), sizeof frame);
}

// ---- write timeout -----------------------------------------------------------

TEST_F(PosixSerialPortTest, WriteGivesUpWhenTheLineDoesNotTakeTheBytes) {
    // Nobody reads the master: once the pty buffers are full the write cannot
    // go on, and must return 0 after multiplier x n + constant.
    OpenPort(0, 0, 100, 0, 300);
    std::vector<std::uint8_t> big(1 << 20, 0x55);
    const auto start = Clock::now();
    EXPECT_EQ(port.Write(big.data(), big.size()), 0);
    EXPECT_GE(MsSince(start), 290);
    EXPECT_LT(MsSince(start), 10000);
    EXPECT_NE(port.WriteFlags() & port_error::TxFull, 0u);
    // A later write that succeeds clears the flags.
    pty.discardFromPort();
    const std::uint8_t one = 1;
    EXPECT_EQ(port.Write(&one, 1), 1);
    EXPECT_EQ(port.WriteFlags(), 0u);
}

// ---- the line goes away ------------------------------------------------------

TEST_F(PosixSerialPortTest, ReadFailsWhenTheLineHangsUp) {
    // A long limit: a hang-up taken for silence would end as 0 after 5 s.
    OpenPort(0, 0, 5000);
    std::thread device([&] {
        std::this_thread::sleep_for(milliseconds(100));
        pty.closeMaster();
    });
    std::uint8_t buffer[8] = {};
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 8), -1);
    EXPECT_LT(MsSince(start), 4000);
    EXPECT_NE(port.ReadFlags() & port_error::IoError, 0u);
    device.join();
    // And so does the next one, at once.
    EXPECT_EQ(port.Read(buffer, 8), -1);
}

TEST_F(PosixSerialPortTest, WriteFailsWhenTheLineIsGone) {
    OpenPort(0, 0, 100, 0, 500);
    pty.closeMaster();
    const std::uint8_t frame[] = {1, 2, 3};
    EXPECT_EQ(port.Write(frame, sizeof frame), 0);
    EXPECT_NE(port.WriteFlags() & port_error::IoError, 0u);
    // The read flags are not touched by a write.
    EXPECT_EQ(port.ReadFlags(), 0u);
}

TEST_F(PosixSerialPortTest, SuccessfulReadClearsTheReadFlags) {
    // Flags are saved by a failure and cleared by the next success; a second
    // port on a fresh pty shows the clearing after a real failure.
    OpenPort(0, 0, 5000);
    pty.closeMaster();
    std::uint8_t b = 0;
    ASSERT_EQ(port.Read(&b, 1), -1);
    ASSERT_NE(port.ReadFlags(), 0u);

    PtyPair other;
    ASSERT_TRUE(other.ok()) << other.error();
    ASSERT_EQ(port.Open(other.slavePath(), 9600, 8, 0, 0, 0), 0);
    ASSERT_TRUE(port.SetTimeouts({0, 0, 500, 0, 0}));
    ASSERT_TRUE(other.writeToPort({0x5A}));
    EXPECT_EQ(port.Read(&b, 1), 1);
    EXPECT_EQ(port.ReadFlags(), 0u);
}

}  // namespace
}  // namespace zentiq
