// Texts under which transaction results and connection failures reach the
// user. No window needed.
#pragma once

#include <QString>

#include <cstdint>

#include "engine/engine_types.h"

namespace zentiq {

// Who shows the status:
// - DataView: the poll window's status line; empty for success, and write and
//   read errors split by the serial port's error flags.
// - WriteResult: the write dialogs; "应答正确" for success, no split.
// - Monitor: the traffic monitor's stop-on-error box; empty for success
//   (it never reports one), no split.
enum class StatusFlavour { DataView, WriteResult, Monitor };

// Write errors (status 4) and read errors (status 5) are split by the serial
// port's error flags into sub-kinds, tested in a fixed order where the first
// flag present decides: for writes break, I/O error, mode error, transmit
// buffer full; for reads framing, overrun, parity, input overflow, I/O error,
// break.
inline constexpr int kWriteErrorSubKinds = 4;
inline constexpr int kReadErrorSubKinds = 6;

// Sub-kind 0..3 of a write error, or kWriteErrorSubKinds when no flag applies.
int WriteErrorSubKind(std::uint32_t writeErrorFlags);
// Sub-kind 0..5 of a read error, or kReadErrorSubKinds when no flag applies.
int ReadErrorSubKind(std::uint32_t readErrorFlags);

// Text for a transaction status. The flags are only looked at by the
// DataView flavour (they are 0 over TCP).
QString StatusText(EngineStatus status, StatusFlavour flavour, std::uint32_t writeErrorFlags = 0,
                   std::uint32_t readErrorFlags = 0);

// What a data log says of a failed poll, for a reader the next morning: a
// failed send or receive names its cause where the system gave one
// (`lineError`, an errno: "连接被拒绝" for a refused reconnect); a request
// that could not be sent is "请求发送失败", never a write error, since a
// read poll writes nothing. Every other status reads as in the status line
// ("超时错误", the exception's name). Empty for success.
QString LogStatusText(EngineStatus status, int lineError, std::uint32_t writeErrorFlags = 0,
                      std::uint32_t readErrorFlags = 0);

// Message of a failed OpenSerialPort (`result` 1..5) for port `portNumber`
// (1-based); empty when the result has no message (0 included).
QString SerialOpenFailureMessage(int result, int portNumber);

// Message of a failed OpenTcpConnection (`result` 12..18) with the socket
// error number the transport saved; empty when the result has no message.
QString TcpOpenFailureMessage(int result, int lastSocketError);

}  // namespace zentiq
