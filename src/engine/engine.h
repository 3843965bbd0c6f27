// The Modbus engine's free operations: each acts on the default line
// (modbus_line.h), for callers that use one connection. Every operation
// returns an integer and none throws.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/engine_types.h"
#include "engine/modbus_line.h"
#include "engine/slot_timing.h"

namespace zentiq {

// ---- notifications ---------------------------------------------------------

// Installs the callback through which the worker posts messages. It must not
// block; nullptr drops every post.
void SetMessagePoster(PostMessageFn poster);

// ---- connection operations -------------------------------------------------

int InitEngine();
int SetHandshakeFlags(std::uint8_t flags);
int SetPollDelay(std::uint32_t milliseconds);
std::uint32_t GetPollDelay();
int SetRtsDelay(std::uint16_t milliseconds);
int SetEchoRemoval(int on);
// Device path used for "Port n" (1..64). The default is /dev/ttyS<n-1>.
// Returns 1, or 0 for a port number outside 1..64 or a null path.
int SetSerialDevice(int portNumber, const char* devicePath);
// Copies the device path of port n into out (NUL-terminated, cut to size);
// returns its length, or -1 for a port number outside 1..64.
int GetSerialDevice(int portNumber, char* out, std::size_t outSize);
// baud in bits per second; dataBits 7/8; parity 0/1/2; stopBits 0 = one, 2 = two.
int OpenSerialPort(int portNumber, std::uint32_t baud, int dataBits, int parity, int stopBits);
// errno of the last failed open step (for messages such as permission hints).
int LastSerialOpenErrno();
int OpenTcpConnection(const char* ipAddress, std::uint16_t servicePort,
                      std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs);
int LastSocketError();
// OpenTcpConnection in steps, for a caller that waits in an event loop of
// its own instead of blocking: BeginTcpConnection gives 0 (connected), a
// connect failure code as OpenTcpConnection does, or kTcpConnectUnderWay.
// Then TcpConnectingSocket() is the socket to watch: once it is writable
// FinishTcpConnection() gives 0 or the failure; when the connect timeout
// has passed first, AbandonTcpConnection() gives 15 (Connect Timeout).
inline constexpr int kTcpConnectUnderWay = -1;
int BeginTcpConnection(const char* ipAddress, std::uint16_t servicePort,
                       std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs);
int TcpConnectingSocket();
int FinishTcpConnection();
int AbandonTcpConnection();
int SetSerialTimeouts(std::uint32_t readInterval, std::uint32_t readMultiplier,
                      std::uint32_t readConstant, std::uint32_t writeMultiplier,
                      std::uint32_t writeConstant);
// The response timeout of the TCP connection; the serial timeouts as
// SetSerialTimeouts set them. Changed only while the worker is stopped (0
// while it runs), so that a tool that needs shorter waits than the user's
// (the bus scanner) can put them back exactly.
int SetTcpResponseTimeout(std::uint32_t milliseconds);
std::uint32_t GetTcpResponseTimeout();
int GetSerialTimeouts(std::uint32_t* readInterval, std::uint32_t* readMultiplier,
                      std::uint32_t* readConstant, std::uint32_t* writeMultiplier,
                      std::uint32_t* writeConstant);
int SetTransmissionMode(int mode);
int GetTransmissionMode();
int StartPolling();
int StopPolling();
int CloseSerialPort();
int CloseTcpConnection();
int IsConnected();
int NotifyAllSlotWindows();
std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t length);
std::uint8_t Lrc8(const std::uint8_t* bytes, std::size_t length);

// Serial timing constants for a BaudRate index 0..13; any other index is
// the default, kDefaultBaudIndex (9600).
inline constexpr int kDefaultBaudIndex = 2;
struct BaudTiming {
    std::uint32_t baud;
    std::uint32_t readInterval;
    std::uint32_t multiplier;
};
BaudTiming BaudTimingForIndex(int baudIndex);

// ---- slot operations -------------------------------------------------------

int RegisterPollSlot(WindowHandle window, std::uint32_t message, std::uint16_t scanRate,
                     std::uint16_t slaveId, std::uint16_t function, std::uint16_t readAddress,
                     std::uint16_t readQuantity, std::uint16_t writeAddress,
                     std::uint16_t writeQuantity);
// Returns 1; 0 for a slot outside 0..32 (that index would corrupt the table).
int SetPollMode(int slot, int mode);
int ReleasePollSlot(int slot);
int SubmitOneShot(WindowHandle window, std::uint32_t message, std::uint16_t slaveId,
                  std::uint16_t function, std::uint16_t readAddress, std::uint16_t readQuantity,
                  std::uint16_t writeAddress, std::uint16_t writeQuantity);
// The ticket of the request that the last successful SubmitOneShot claimed.
std::uint32_t OneShotTicket();
// Copies the answer of the one-shot request with that ticket: 1, or 0 when
// it has not been served yet or so many later one-shot requests have been
// served since that its answer is no longer kept.
int GetOneShotAnswer(std::uint32_t ticket, OneShotAnswer* answer);
int SetWriteBytes(int slot, int count, const std::uint8_t* bytes);
int SetWriteRegisters(int slot, int count, const std::uint16_t* values);
int SetWriteLongs(int slot, int count, const std::int32_t* values, int inverse);
int SetWriteFloats(int slot, int count, const float* values, int inverse);
int SetWriteDoubles(int slot, int count, const double* values, int inverse);
int ReadBytes(int slot, std::uint8_t* destination);
int ReadRegisters(int slot, std::uint16_t* destination);
int ReadLongs(int slot, std::int32_t* destination, int inverse);
int ReadFloats(int slot, float* destination, int inverse);
int ReadDoubles(int slot, double* destination, int inverse);
int GetSlotCounters(int slot, std::uint32_t* tx, std::uint32_t* ok);
int ResetSlotCounters(int slot);
int GetSlotStatus(int slot);
int GetRequestCapture(int slot, std::uint8_t* destination);
int GetResponseCapture(int slot, std::uint8_t* destination);
// When the slot's captured request left and its answer came, in
// milliseconds since the epoch (wall clock); 0 for a moment not known (no
// answer, timing switched off). 1, or 0 for a slot outside 0..32 or a null
// destination.
int GetCaptureMoments(int slot, std::int64_t* requestMs, std::int64_t* responseMs);
int SetMonitorWindow(WindowHandle window);
// While paused the worker serves slot 0 only: a tool that owns the line
// (the bus scanner) gets it to itself. The poll slots keep their requests
// and modes; time goes on counting for them, so they are due at once when
// resumed. Returns 1.
int PausePollSlots(int paused);
int PollSlotsPaused();

// ---- response times --------------------------------------------------------

// Copies the response-time figures of a slot (zeroed when it is claimed);
// 1, or 0 for a slot outside 0..32 or a null destination.
int GetSlotTiming(int slot, SlotTiming* timing);
// Zeroes them at once; 1, or 0 for a slot outside 0..32.
int ResetSlotTiming(int slot);
// Busy time, wall time and transactions of the line; 1, or 0 for null.
int GetLineTiming(LineTiming* timing);
int ResetLineTiming();

// Error flags saved by the serial layer after the last failed write / read.
std::uint32_t GetWriteErrorFlags();
std::uint32_t GetReadErrorFlags();
// errno of the system call that failed the last transaction (a refused
// reconnect: ECONNREFUSED), 0 when none did; as the flags, the last one's.
int GetLastLineError();

}  // namespace zentiq
