// The serial port on POSIX termios, with the Windows timeout semantics the
// transactions rely on (see SerialTimeouts).
#pragma once

#include <chrono>
#include <string>

#include "engine/engine_types.h"
#include "engine/line_cancel.h"
#include "engine/serial_line.h"

namespace zentiq {

class PosixSerialPort final : public SerialLine {
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    // 0 = open; 1 = cannot open the device; 2 = queue sizes; 3 = reading the
    // configuration; 4 = writing the configuration; 5 = applying the timeouts.
    // stopBits: 0 = one, 2 = two (anything non-zero is two).
    int Open(const std::string& device, std::uint32_t baud, int dataBits, int parity, int stopBits,
             HandshakeFlags flags);
    void Close();
    // Stores the timeouts; applies them when open. false when no port is open.
    bool SetTimeouts(const SerialTimeouts& timeouts);
    const SerialTimeouts& Timeouts() const { return m_timeouts; }
    int LastOpenErrno() const { return m_lastErrno; }
    // Every wait also ends when cancel is raised (nullptr: only by time).
    void SetCancel(const LineCancel* cancel) { m_cancel = cancel; }
    // The device went away (an unplugged adapter, a pty whose other end
    // closed): the port stays open for the session and is opened again, with
    // the same settings, once the device is back.
    bool DeviceLost() const { return m_open && m_fd < 0; }
    // How often a lost device is looked for.
    static constexpr std::chrono::milliseconds kReopenPeriod{1000};
    // Open from Open until Close, also while a lost device is away.
    bool IsOpen() const override { return m_open; }
    int Write(const std::uint8_t* bytes, std::size_t n) override;
    int Read(std::uint8_t* buffer, std::size_t n) override;
    int ReadAnnounced(std::uint8_t* buffer, std::size_t n, FrameLengthFn frameLength) override;
    void Purge() override;
    std::uint32_t WriteFlags() const override { return m_writeFlags; }
    std::uint32_t ReadFlags() const override { return m_readFlags; }

private:
    // Opens and configures m_device with the kept settings; the open result
    // (error: errno of the step that failed).
    int OpenDevice(int& error);
    // After a failure that means the device is gone: drops the descriptor.
    void LoseDevice(int err);
    // A lost device that has come back is opened again, at most once per
    // kReopenPeriod. true when the port has a descriptor.
    bool ReopenIfBack();

    int m_fd = -1;
    // Set by a successful Open, cleared by Close (GUI thread, worker stopped);
    // m_fd may come and go in between on the worker's thread.
    bool m_open = false;
    const LineCancel* m_cancel = nullptr;
    std::string m_device;
    std::uint32_t m_baud = 0;
    int m_dataBits = 8, m_parity = 0, m_stopBits = 0;
    std::chrono::steady_clock::time_point m_lastReopen{};
    HandshakeFlags m_flags = 0;
    // Time one character takes on the wire at the configured framing.
    std::chrono::nanoseconds m_charTime{0};
    SerialTimeouts m_timeouts = kInitialSerialTimeouts;
    std::uint32_t m_writeFlags = 0;
    std::uint32_t m_readFlags = 0;
    int m_lastErrno = 0;
    // TIOCGICOUNT snapshot taken before each read/write, to turn the driver's
    // counters into CE_*-style flags after a failure.
    struct Counters {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    } m_counters;
    bool m_hasCounters = false;    // the driver has TIOCGICOUNT (ptys do not)
    bool m_hasUart = false;        // not a pty: the last characters wait in a FIFO
    bool m_countersValid = false;  // the snapshot was taken
    // RTS toggle through the driver's RS-485 mode (TIOCSRS485); when the
    // driver refuses, Write raises and drops RTS by hand.
    bool m_rs485Enabled = false;
    bool m_rs485Changed = false;  // restore m_savedRs485Flags on Close
    std::uint32_t m_savedRs485Flags = 0;
    void SnapshotCounters();
    std::uint32_t FlagsSinceSnapshot(int err) const;
};

}  // namespace zentiq
