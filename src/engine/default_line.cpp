// The engine's free functions: each acts on the default line.
#include "engine/engine.h"
#include "engine/engine_state.h"
#include "engine/modbus_line.h"

namespace zentiq {

void SetMessagePoster(PostMessageFn poster) { DefaultLine().SetMessagePoster(poster); }
int InitEngine() { return DefaultLine().InitEngine(); }
int SetHandshakeFlags(std::uint8_t flags) { return DefaultLine().SetHandshakeFlags(flags); }
int SetPollDelay(std::uint32_t milliseconds) { return DefaultLine().SetPollDelay(milliseconds); }
std::uint32_t GetPollDelay() { return DefaultLine().GetPollDelay(); }
int SetRtsDelay(std::uint16_t milliseconds) { return DefaultLine().SetRtsDelay(milliseconds); }
int SetEchoRemoval(int on) { return DefaultLine().SetEchoRemoval(on); }
int SetSerialDevice(int portNumber, const char* devicePath) {
    return DefaultLine().SetSerialDevice(portNumber, devicePath);
}
int GetSerialDevice(int portNumber, char* out, std::size_t outSize) {
    return DefaultLine().GetSerialDevice(portNumber, out, outSize);
}
int OpenSerialPort(int portNumber, std::uint32_t baud, int dataBits, int parity, int stopBits) {
    return DefaultLine().OpenSerialPort(portNumber, baud, dataBits, parity, stopBits);
}
int LastSerialOpenErrno() { return DefaultLine().LastSerialOpenErrno(); }
int OpenTcpConnection(const char* ipAddress, std::uint16_t servicePort,
                      std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs) {
    return DefaultLine().OpenTcpConnection(ipAddress, servicePort, responseTimeoutMs,
                                           connectTimeoutMs);
}
int LastSocketError() { return DefaultLine().LastSocketError(); }
int BeginTcpConnection(const char* ipAddress, std::uint16_t servicePort,
                       std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs) {
    return DefaultLine().BeginTcpConnection(ipAddress, servicePort, responseTimeoutMs,
                                            connectTimeoutMs);
}
int TcpConnectingSocket() { return DefaultLine().TcpConnectingSocket(); }
int FinishTcpConnection() { return DefaultLine().FinishTcpConnection(); }
int AbandonTcpConnection() { return DefaultLine().AbandonTcpConnection(); }
int SetSerialTimeouts(std::uint32_t readInterval, std::uint32_t readMultiplier,
                      std::uint32_t readConstant, std::uint32_t writeMultiplier,
                      std::uint32_t writeConstant) {
    return DefaultLine().SetSerialTimeouts(readInterval, readMultiplier, readConstant,
                                           writeMultiplier, writeConstant);
}
int SetTcpResponseTimeout(std::uint32_t milliseconds) {
    return DefaultLine().SetTcpResponseTimeout(milliseconds);
}
std::uint32_t GetTcpResponseTimeout() { return DefaultLine().GetTcpResponseTimeout(); }
int GetSerialTimeouts(std::uint32_t* readInterval, std::uint32_t* readMultiplier,
                      std::uint32_t* readConstant, std::uint32_t* writeMultiplier,
                      std::uint32_t* writeConstant) {
    return DefaultLine().GetSerialTimeouts(readInterval, readMultiplier, readConstant,
                                           writeMultiplier, writeConstant);
}
int SetTransmissionMode(int mode) { return DefaultLine().SetTransmissionMode(mode); }
int GetTransmissionMode() { return DefaultLine().GetTransmissionMode(); }
int StartPolling() { return DefaultLine().StartPolling(); }
int StopPolling() { return DefaultLine().StopPolling(); }
int CloseSerialPort() { return DefaultLine().CloseSerialPort(); }
int CloseTcpConnection() { return DefaultLine().CloseTcpConnection(); }
int IsConnected() { return DefaultLine().IsConnected(); }
int NotifyAllSlotWindows() { return DefaultLine().NotifyAllSlotWindows(); }
void UseTransportForTesting(Transport* transport) {
    DefaultLine().UseTransportForTesting(transport);
}
int RegisterPollSlot(WindowHandle window, std::uint32_t message, std::uint16_t scanRate,
                     std::uint16_t slaveId, std::uint16_t function, std::uint16_t readAddress,
                     std::uint16_t readQuantity, std::uint16_t writeAddress,
                     std::uint16_t writeQuantity) {
    return DefaultLine().RegisterPollSlot(window, message, scanRate, slaveId, function, readAddress,
                                          readQuantity, writeAddress, writeQuantity);
}
int SetPollMode(int slot, int mode) { return DefaultLine().SetPollMode(slot, mode); }
int ReleasePollSlot(int slot) { return DefaultLine().ReleasePollSlot(slot); }
int SubmitOneShot(WindowHandle window, std::uint32_t message, std::uint16_t slaveId,
                  std::uint16_t function, std::uint16_t readAddress, std::uint16_t readQuantity,
                  std::uint16_t writeAddress, std::uint16_t writeQuantity) {
    return DefaultLine().SubmitOneShot(window, message, slaveId, function, readAddress,
                                       readQuantity, writeAddress, writeQuantity);
}
std::uint32_t OneShotTicket() { return DefaultLine().OneShotTicket(); }
int GetOneShotAnswer(std::uint32_t ticket, OneShotAnswer* answer) {
    return DefaultLine().GetOneShotAnswer(ticket, answer);
}
int SetWriteBytes(int slot, int count, const std::uint8_t* bytes) {
    return DefaultLine().SetWriteBytes(slot, count, bytes);
}
int SetWriteRegisters(int slot, int count, const std::uint16_t* values) {
    return DefaultLine().SetWriteRegisters(slot, count, values);
}
int SetWriteLongs(int slot, int count, const std::int32_t* values, int inverse) {
    return DefaultLine().SetWriteLongs(slot, count, values, inverse);
}
int SetWriteFloats(int slot, int count, const float* values, int inverse) {
    return DefaultLine().SetWriteFloats(slot, count, values, inverse);
}
int SetWriteDoubles(int slot, int count, const double* values, int inverse) {
    return DefaultLine().SetWriteDoubles(slot, count, values, inverse);
}
int ReadBytes(int slot, std::uint8_t* destination) {
    return DefaultLine().ReadBytes(slot, destination);
}
int ReadRegisters(int slot, std::uint16_t* destination) {
    return DefaultLine().ReadRegisters(slot, destination);
}
int ReadLongs(int slot, std::int32_t* destination, int inverse) {
    return DefaultLine().ReadLongs(slot, destination, inverse);
}
int ReadFloats(int slot, float* destination, int inverse) {
    return DefaultLine().ReadFloats(slot, destination, inverse);
}
int ReadDoubles(int slot, double* destination, int inverse) {
    return DefaultLine().ReadDoubles(slot, destination, inverse);
}
int GetSlotCounters(int slot, std::uint32_t* tx, std::uint32_t* ok) {
    return DefaultLine().GetSlotCounters(slot, tx, ok);
}
int ResetSlotCounters(int slot) { return DefaultLine().ResetSlotCounters(slot); }
int GetSlotStatus(int slot) { return DefaultLine().GetSlotStatus(slot); }
int GetRequestCapture(int slot, std::uint8_t* destination) {
    return DefaultLine().GetRequestCapture(slot, destination);
}
int GetResponseCapture(int slot, std::uint8_t* destination) {
    return DefaultLine().GetResponseCapture(slot, destination);
}
int GetCaptureMoments(int slot, std::int64_t* requestMs, std::int64_t* responseMs) {
    return DefaultLine().GetCaptureMoments(slot, requestMs, responseMs);
}
int SetMonitorWindow(WindowHandle window) { return DefaultLine().SetMonitorWindow(window); }
int PausePollSlots(int paused) { return DefaultLine().PausePollSlots(paused); }
int PollSlotsPaused() { return DefaultLine().PollSlotsPaused(); }
int GetSlotTiming(int slot, SlotTiming* timing) {
    return DefaultLine().GetSlotTiming(slot, timing);
}
int ResetSlotTiming(int slot) { return DefaultLine().ResetSlotTiming(slot); }
int GetLineTiming(LineTiming* timing) { return DefaultLine().GetLineTiming(timing); }
int ResetLineTiming() { return DefaultLine().ResetLineTiming(); }
std::uint32_t GetWriteErrorFlags() { return DefaultLine().GetWriteErrorFlags(); }
std::uint32_t GetReadErrorFlags() { return DefaultLine().GetReadErrorFlags(); }
int GetLastLineError() { return DefaultLine().GetLastLineError(); }

}  // namespace zentiq
