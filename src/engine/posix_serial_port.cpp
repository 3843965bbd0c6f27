// The serial port on POSIX termios with the Windows five-timeout semantics.
//
// The descriptor keeps O_NONBLOCK from its open on (and VMIN = 0, VTIME = 0):
// every wait is a poll() bounded by the timeouts, so a stalled line (flow
// control, a full pty) cannot hold a write beyond its limit, and no
// transaction pays for switching the mode around each write. An answer is
// always slept for: a look before the sleep, as on TCP, cost a terminal
// twice libmodbus's processor time per transaction for no steady gain.
#include "engine/posix_serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <optional>
#include <thread>
#include <utility>

#include "engine/engine_trace.h"
#include "engine/serial_custom_baud.h"
#include "engine/serial_line_config.h"

namespace zentiq {

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;
// How often the DSR line is sampled while a write waits for it.
constexpr Millis kDsrPollPeriod{5};
// Shortest sleep while the driver still holds output.
constexpr std::chrono::microseconds kMinDrainPause{100};
// Scheduling slack on top of the time the bytes take on the wire.
constexpr Millis kTransmitSlack{20};

// Milliseconds left until deadline, rounded up, for poll(); 0 when passed.
int MillisUntil(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    const auto ms = std::chrono::ceil<Millis>(left).count();
    return static_cast<int>(std::min<long long>(ms, std::numeric_limits<int>::max()));
}

// multiplier x n + constant without overflow; nullopt when both are 0 (no
// limit).
std::optional<Clock::time_point> TotalDeadline(Clock::time_point start, std::uint32_t multiplier,
                                               std::uint32_t constant, std::size_t n) {
    if (multiplier == 0 && constant == 0) return std::nullopt;
    // In 64 bits: (2^32 - 1) x (2^32 - 1) + (2^32 - 1) < 2^64 once n is
    // clamped to 32 bits, so nothing wraps.
    const std::uint64_t count = std::min<std::uint64_t>(n, kMaxDword);
    const std::uint64_t total = std::uint64_t{multiplier} * count + constant;
    // steady_clock counts nanoseconds in 64 bits (about 292 years): cap the
    // limit at 2^40 ms (about 35 years) so that start + limit cannot overflow.
    const std::uint64_t capped = std::min<std::uint64_t>(total, std::uint64_t{1} << 40);
    return start + Millis(static_cast<Millis::rep>(capped));
}

std::uint32_t FlagsFromErrno(int err) {
    switch (err) {
    case 0:
    case EAGAIN:
    case EINTR: return 0;
    case EBADF: return port_error::Mode;
    default:
        // EIO (vanished adapter, hung-up pty), ENXIO, ENODEV and the rest.
        return port_error::IoError;
    }
}

void SetModemBits(int fd, int bits, bool on) {
    // Ptys and some adapters have no modem lines: failure is not an error.
    (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

// A pty slave (Unix 98 majors 136..143).
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned int maj = major(st.st_rdev);
    return maj >= 136 && maj <= 143;
}

// tcsetattr, tolerating what a pty does to every configuration: the kernel
// forces CS8 and no parity there, and glibc reports that as EINVAL after
// applying everything else. On a real device the same report (a driver that
// cannot do the data bits or parity asked for) still fails the open, as
// SetCommState would on Windows.
bool ApplyLineConfig(int fd, const termios& wanted) {
    if (tcsetattr(fd, TCSANOW, &wanted) == 0) return true;
    const int err = errno;
    termios now{};
    if (err == EINVAL && IsPseudoTerminal(fd) && tcgetattr(fd, &now) == 0) {
        const tcflag_t ptyForced = CSIZE | PARENB;
        if (now.c_iflag == wanted.c_iflag && now.c_oflag == wanted.c_oflag &&
            now.c_lflag == wanted.c_lflag &&
            (now.c_cflag & ~ptyForced) == (wanted.c_cflag & ~ptyForced))
            return true;
    }
    errno = err;
    return false;
}

// The timeouts themselves live in the port object and are enforced with
// poll(); the driver's part is that a read() never waits on its own.
bool ApplyDriverTimeouts(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    if (tio.c_cc[VMIN] == 0 && tio.c_cc[VTIME] == 0) return true;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool Cancelled(const LineCancel* cancel) { return cancel != nullptr && cancel->Raised(); }

// Sleeps for pause; false when the worker is told to stop meanwhile.
bool Pause(const LineCancel* cancel, Clock::duration pause) {
    if (cancel == nullptr) {
        std::this_thread::sleep_for(pause);
        return true;
    }
    return cancel->SleepFor(std::chrono::ceil<Millis>(pause));
}

// Errors after which the device is not there any more.
bool DeviceGone(int err) { return err == EIO || err == ENXIO || err == ENODEV; }

bool WaitForDsr(int fd, std::optional<Clock::time_point> deadline, const LineCancel* cancel) {
    for (;;) {
        int bits = 0;
        // No modem lines (a pty): nothing to wait for.
        if (ioctl(fd, TIOCMGET, &bits) != 0) return true;
        if (bits & TIOCM_DSR) return true;
        if (deadline && Clock::now() >= *deadline) return false;
        auto pause = kDsrPollPeriod;
        if (deadline) pause = std::min(pause, std::chrono::ceil<Millis>(*deadline - Clock::now()));
        if (!Pause(cancel, pause)) return false;
    }
}

// Waits until the driver has sent what it holds. The pause is estimated from
// the queued count and the character time rather than polled in small steps,
// so a long frame costs a few wake-ups and an empty queue one system call.
// tcdrain() then waits for the last characters in the UART's FIFO; it runs
// only with an empty queue, where the driver bounds it by itself.
bool WaitUntilSent(int fd, std::optional<Clock::time_point> deadline,
                   std::chrono::nanoseconds charTime, const LineCancel* cancel) {
    for (;;) {
        int queued = 0;
        if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
        Clock::duration pause =
            std::max(queued * charTime, std::chrono::nanoseconds(kMinDrainPause));
        if (deadline) {
            const auto now = Clock::now();
            if (now >= *deadline) return false;
            pause = std::min(pause, *deadline - now);
        }
        if (!Pause(cancel, pause)) return false;
    }
    while (tcdrain(fd) != 0)
        if (errno != EINTR) return false;
    return true;
}

}  // namespace

PosixSerialPort::~PosixSerialPort() { Close(); }

int PosixSerialPort::Open(const std::string& device, std::uint32_t baud, int dataBits, int parity,
                          int stopBits, HandshakeFlags flags) {
    Close();
    m_flags = flags;
    m_device = device;
    m_baud = baud;
    m_dataBits = dataBits;
    m_parity = parity;
    m_stopBits = stopBits;
    int error = 0;
    const int result = OpenDevice(error);
    m_lastErrno = error;
    m_open = result == 0;
    return result;
}

int PosixSerialPort::OpenDevice(int& error) {
    const HandshakeFlags flags = m_flags;
    const std::uint32_t baud = m_baud;
    const int dataBits = m_dataBits, parity = m_parity, stopBits = m_stopBits;
    error = 0;
    auto fail = [this, &error](int result) {
        if (error == 0) error = errno;
        ::close(m_fd);
        m_fd = -1;
        return result;
    };

    // 1. Open for reading and writing, exclusive. O_NONBLOCK also keeps the
    // open from waiting for carrier.
    m_fd = ::open(m_device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        error = errno;
        return 1;
    }
    // TIOCEXCL refuses later opens by anyone but root; the advisory lock also
    // keeps a second Zentiq (or any flock-aware program, root or not) off a
    // port that is in use. Either failing means "not available".
    if (ioctl(m_fd, TIOCEXCL) != 0) return fail(1);
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) return fail(1);

    // 2. Queue sizes: Linux has no such setting; the step always succeeds.

    // 3. Read the current configuration.
    termios tio{};
    if (tcgetattr(m_fd, &tio) != 0) return fail(3);

    // 4. Line configuration.
    if (!ConfigureLine(tio, baud, dataBits, parity, stopBits, flags)) {
        errno = EINVAL;
        return fail(4);
    }
    if (!ApplyLineConfig(m_fd, tio)) return fail(4);
    if (StandardSpeed(baud) == B0 && !SetCustomBaudRate(m_fd, baud)) return fail(4);

    SetModemBits(m_fd, TIOCM_DTR, true);
    m_rs485Enabled = false;
    m_rs485Changed = false;
    if (flags & handshake::RTS) {
        // RTS toggle: the driver's RS-485 mode where it has one, otherwise by
        // hand around each write (RTS idles low).
        struct serial_rs485 rs485 {};
        if (ioctl(m_fd, TIOCGRS485, &rs485) == 0) {
            m_savedRs485Flags = rs485.flags;
            struct serial_rs485 wanted = rs485;
            wanted.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
            wanted.flags &= ~static_cast<decltype(wanted.flags)>(SER_RS485_RTS_AFTER_SEND);
            if (ioctl(m_fd, TIOCSRS485, &wanted) == 0) {
                m_rs485Enabled = true;
                m_rs485Changed = true;
            }
        }
        if (!m_rs485Enabled) SetModemBits(m_fd, TIOCM_RTS, false);
    } else {
        SetModemBits(m_fd, TIOCM_RTS, true);
    }

    // 5. Apply the timeouts.
    if (!ApplyDriverTimeouts(m_fd)) return fail(5);

    // Start, data, parity and stop bits of one character.
    const int bits = 1 + dataBits + (parity != 0 ? 1 : 0) + (stopBits != 0 ? 2 : 1);
    m_charTime = std::chrono::nanoseconds(std::uint64_t{1000000000} *
                                          static_cast<std::uint64_t>(bits) / baud);
    serial_icounter_struct icount{};
    m_hasCounters = ioctl(m_fd, TIOCGICOUNT, &icount) == 0;
    // A pty hands written bytes to the other end at once: no FIFO to drain.
    m_hasUart = !IsPseudoTerminal(m_fd);

    tcflush(m_fd, TCIOFLUSH);
    return 0;
}

void PosixSerialPort::Close() {
    m_open = false;
    if (m_fd < 0) {
        m_writeFlags = 0;
        m_readFlags = 0;
        return;
    }
    if (m_rs485Changed) {
        // Leave the driver's RS-485 mode as it was found.
        struct serial_rs485 rs485 {};
        if (ioctl(m_fd, TIOCGRS485, &rs485) == 0) {
            rs485.flags = m_savedRs485Flags;
            (void)ioctl(m_fd, TIOCSRS485, &rs485);
        }
    }
    // Unsent output would make close() wait for the drain (up to 30 s on a
    // stalled line). Write leaves none behind, so this is only a safeguard; it
    // is not done blindly because on a pty it would discard what the other
    // end has not read yet.
    int queued = 0;
    if (ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued > 0) tcflush(m_fd, TCOFLUSH);
    ::close(m_fd);
    m_fd = -1;
    m_rs485Enabled = false;
    m_rs485Changed = false;
    // The flags belong to this session; a later TCP session must not see them.
    m_writeFlags = 0;
    m_readFlags = 0;
}

void PosixSerialPort::LoseDevice(int err) {
    if (err != 0) NoteLineError(err);
    if (!DeviceGone(err) || m_fd < 0) return;
    // Nothing can be sent or drained any more: close without waiting.
    ::close(m_fd);
    m_fd = -1;
    m_rs485Enabled = false;
    m_rs485Changed = false;
    m_lastReopen = Clock::now();
}

bool PosixSerialPort::ReopenIfBack() {
    if (m_fd >= 0) return true;
    if (!m_open) return false;
    const auto now = Clock::now();
    if (now - m_lastReopen < kReopenPeriod) return false;
    m_lastReopen = now;
    // A path that is not there again fails the open anyway; stat is cheaper.
    struct stat st {};
    if (::stat(m_device.c_str(), &st) != 0) return false;
    int error = 0;
    return OpenDevice(error) == 0;
}

bool PosixSerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
    m_timeouts = timeouts;
    if (m_fd < 0) return false;
    return ApplyDriverTimeouts(m_fd);
}

// Input only: Write returns once its bytes have left, so there is never
// output to discard, and on a pty flushing the output would discard what the
// other end has not read yet.
void PosixSerialPort::Purge() {
    if (m_fd >= 0) tcflush(m_fd, TCIFLUSH);
}

void PosixSerialPort::SnapshotCounters() {
    serial_icounter_struct icount{};
    m_countersValid = m_hasCounters && ioctl(m_fd, TIOCGICOUNT, &icount) == 0;
    if (!m_countersValid) return;
    m_counters.frame = icount.frame;
    m_counters.overrun = icount.overrun;
    m_counters.parity = icount.parity;
    m_counters.brk = icount.brk;
    m_counters.bufOverrun = icount.buf_overrun;
}

std::uint32_t PosixSerialPort::FlagsSinceSnapshot(int err) const {
    std::uint32_t flags = FlagsFromErrno(err);
    if (!m_countersValid || m_fd < 0) return flags;
    serial_icounter_struct icount{};
    if (ioctl(m_fd, TIOCGICOUNT, &icount) != 0) return flags;
    if (icount.frame != m_counters.frame) flags |= port_error::Frame;
    if (icount.overrun != m_counters.overrun) flags |= port_error::Overrun;
    if (icount.parity != m_counters.parity) flags |= port_error::RxParity;
    if (icount.brk != m_counters.brk) flags |= port_error::Break;
    if (icount.buf_overrun != m_counters.bufOverrun) flags |= port_error::RxOver;
    return flags;
}

int PosixSerialPort::Write(const std::uint8_t* bytes, std::size_t n) {
    if (!m_open) return 0;
    if (!ReopenIfBack()) {
        // The device is still away: the same failure as a write to it.
        m_writeFlags = port_error::IoError;
        return 0;
    }
    SnapshotCounters();
    const auto start = Clock::now();
    const auto deadline =
        TotalDeadline(start, m_timeouts.writeMultiplier, m_timeouts.writeConstant, n);
    // Handing the bytes to the driver must finish within the write limit.
    // Waiting for them to leave may take as long as they need on the wire:
    // the per-byte multipliers of the baud table are a little short for
    // characters with parity and two stop bits at the lowest rates.
    auto sentDeadline = deadline;
    if (deadline) {
        const auto onTheWire = std::chrono::duration_cast<Clock::duration>(
            m_charTime * static_cast<std::int64_t>(std::min<std::size_t>(n, kMaxDword)));
        sentDeadline = std::max(*deadline, start + onTheWire + kTransmitSlack);
    }

    auto failed = [this](int err, std::uint32_t extra) {
        m_writeFlags =
            (FlagsSinceSnapshot(err) | extra) &
            (port_error::Break | port_error::IoError | port_error::Mode | port_error::TxFull);
        // A failure must be visible even when nothing maps to a flag bit.
        if (m_writeFlags == 0 && err != 0) m_writeFlags = port_error::IoError;
        // What has not gone out is dropped: the next request must not go out
        // behind the rest of this one.
        if (err != EBADF) tcflush(m_fd, TCOFLUSH);
        LoseDevice(err);
        return 0;
    };

    // DSR output flow control: DSR must be up before anything is sent.
    if ((m_flags & handshake::DTRDSR) && !WaitForDsr(m_fd, deadline, m_cancel))
        return failed(0, port_error::TxFull);

    const bool rtsByHand = (m_flags & handshake::RTS) && !m_rs485Enabled;
    if (rtsByHand) SetModemBits(m_fd, TIOCM_RTS, true);

    int err = 0;
    bool timedOut = false;
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(m_fd, bytes + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN) {
            err = errno;
            break;
        }
        // The driver's buffer is full: wait until it takes more.
        const int waitMs = deadline ? MillisUntil(*deadline) : -1;
        if (waitMs == 0) {
            timedOut = true;
            break;
        }
        const int revents = WaitOrCancel(m_cancel, m_fd, POLLOUT, waitMs);
        if (revents < 0) {
            err = errno;
            break;
        }
        if (revents == 0 && Cancelled(m_cancel)) {
            timedOut = true;
            break;
        }
        if ((revents & (POLLERR | POLLHUP | POLLNVAL)) && !(revents & POLLOUT)) {
            err = (revents & POLLNVAL) ? EBADF : EIO;
            break;
        }
    }
    // The transaction goes on from the moment the request has left: a purge
    // or a read timeout must not start while it is still being sent. A pty
    // hands the bytes to the other end within write() and never reports any
    // queued (TIOCOUTQ stays 0 even while the other end is full): nothing to
    // ask or wait for there.
    if (m_hasUart && done == n && err == 0 &&
        !WaitUntilSent(m_fd, sentDeadline, m_charTime, m_cancel))
        timedOut = true;
    if (rtsByHand) SetModemBits(m_fd, TIOCM_RTS, false);

    if (err != 0) return failed(err, 0);
    if (timedOut) return failed(0, port_error::TxFull);
    m_writeFlags = 0;
    return 1;
}

int PosixSerialPort::Read(std::uint8_t* buffer, std::size_t n) {
    return ReadAnnounced(buffer, n, nullptr);
}

// A read that also ends as soon as frameLength says the answer is whole: an
// answer that announces its own length (17, 43) is read as the largest one
// might be, and waiting for the silence after it would cost the read
// interval or the whole time-out on every such transaction. Every other
// answer still ends by its count or by silence: an echo or junk in front of
// it must not pass for a whole short frame.
int PosixSerialPort::ReadAnnounced(std::uint8_t* buffer, std::size_t n, FrameLengthFn frameLength) {
    if (!m_open) return -1;
    if (m_fd < 0) {
        m_readFlags = port_error::IoError;  // the device is away
        return -1;
    }
    SnapshotCounters();
    const auto start = Clock::now();
    const SerialTimeouts& t = m_timeouts;

    // The three shapes of a Windows read: return at once with what is there;
    // wait up to the constant for the first byte, then return at once; or the
    // general count / interval / total rule.
    enum class Shape { Immediate, FirstByte, General } shape = Shape::General;
    std::optional<Clock::time_point> totalDeadline;
    std::optional<Millis> interval;
    if (t.readInterval == kMaxDword && t.readMultiplier == 0 && t.readConstant == 0) {
        shape = Shape::Immediate;
    } else if (t.readInterval == kMaxDword && t.readMultiplier == kMaxDword) {
        if (t.readConstant > 0 && t.readConstant < kMaxDword) {
            shape = Shape::FirstByte;
            totalDeadline = start + Millis(t.readConstant);
        } else {
            shape = Shape::Immediate;
        }
    } else {
        totalDeadline = TotalDeadline(start, t.readMultiplier, t.readConstant, n);
        if (t.readInterval != 0) interval = Millis(t.readInterval);
    }

    std::size_t got = 0;
    std::size_t whole = n;
    Clock::time_point lastByte = start;
    int err = 0;
    bool hungUp = false;
    while (got < whole) {
        // How long poll() may wait for the next byte.
        int waitMs = -1;
        if (shape == Shape::Immediate || (shape == Shape::FirstByte && got > 0)) {
            waitMs = 0;
        } else {
            if (totalDeadline) waitMs = MillisUntil(*totalDeadline);
            if (interval && got > 0) {
                const int gapMs = MillisUntil(lastByte + *interval);
                waitMs = waitMs < 0 ? gapMs : std::min(waitMs, gapMs);
            }
            if (waitMs == 0) break;  // a limit has passed
        }

        pollfd pfd{m_fd, POLLIN, 0};
        pfd.revents = static_cast<short>(WaitOrCancel(m_cancel, m_fd, POLLIN, waitMs));
        if (pfd.revents < 0) {
            err = errno;
            break;
        }
        if (pfd.revents == 0) {
            // Nothing more is there right now, or the worker is stopping.
            if (waitMs == 0 || Cancelled(m_cancel)) break;
            continue;  // the loop head decides whether time is up
        }
        if (pfd.revents & POLLNVAL) {
            err = EBADF;
            break;
        }
        if (pfd.revents & POLLIN) {
            const ssize_t got1 = ::read(m_fd, buffer + got, n - got);
            if (got1 > 0) {
                got += static_cast<std::size_t>(got1);
                lastByte = Clock::now();
                if (frameLength != nullptr) whole = std::min(frameLength(buffer, got, n), n);
                continue;
            }
            if (got1 < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (got1 < 0) {
                err = errno;  // EIO: the other end of a pty closed, the adapter is gone
                break;
            }
            // Readable but end of file: the line hung up. Without a hang-up
            // mark it is a race with another reader; try again.
            if (pfd.revents & (POLLHUP | POLLERR)) {
                hungUp = true;
                break;
            }
            continue;
        }
        if (pfd.revents & (POLLHUP | POLLERR)) {
            hungUp = true;
            break;
        }
    }

    if (err == 0 && hungUp) err = EIO;
    std::uint32_t flags =
        FlagsSinceSnapshot(err) & (port_error::Frame | port_error::Overrun | port_error::RxParity |
                                   port_error::RxOver | port_error::IoError | port_error::Break);
    if (err != 0 && flags == 0) flags = port_error::IoError;
    // Line errors abort the read, as the Windows port does with abort on
    // error: the bytes of a wrong-parity line are not worth a CRC check.
    if (flags != 0) {
        m_readFlags = flags;
        LoseDevice(err);
        return -1;
    }
    m_readFlags = 0;
    return static_cast<int>(got);
}

}  // namespace zentiq
