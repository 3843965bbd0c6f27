// Reads a slave's device identification objects (43 / 14) through the
// one-shot slot: one request after another, following "more follows" with
// its next object ID until the device has sent everything, with a bounded
// number of requests so that a device that keeps announcing more cannot
// hold the line.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

#include "engine/device_identity.h"
#include "framework/one_shot_request.h"

namespace zentiq {

class ModbusLine;

class DeviceIdentityReader final : public QObject {
    Q_OBJECT
public:
    // Requests one reading may make. A full extended stream fits in a few;
    // anything past this is a device that does not stop.
    static constexpr int kMaxRequests = 32;
    // Sent code indicating that a follow-up request could not go out.
    static constexpr int kNotSent = -1;
    // Sent code indicating that the device still announced more after
    // kMaxRequests pages: Objects() holds what came, the list is cut.
    static constexpr int kRequestLimit = -2;

    explicit DeviceIdentityReader(ModbusLine& line, QObject* parent = nullptr);

    // Reads the stream of code Basic, Regular or Extended from firstObject
    // (0: from the start), or object firstObject alone (OneObject). false
    // when the first request could not go out (FailureText says why); a
    // reading already under way is abandoned.
    bool Start(std::uint16_t slaveId, DeviceIdCode code, std::uint8_t firstObject = 0);
    // Ignores whatever answer is still on its way; Finished is not sent.
    void Cancel() { m_running = false; }
    bool IsRunning() const { return m_running; }
    QString FailureText() const { return m_request.FailureText(); }

    // The objects in the order they came (those of a failed reading up to
    // its failure).
    const std::vector<DeviceIdObject>& Objects() const { return m_objects; }
    // Conformity level of the last page, 0 before one came.
    std::uint8_t Conformity() const { return m_conformity; }
    // Requests sent by the last reading.
    int Requests() const { return m_requests; }

    // The standard name of an object ("VendorName", ...), or its number as
    // "0x80" where the standard gives none.
    static QString ObjectName(std::uint8_t id);

signals:
    // 0 once every object came; otherwise the engine status that ended the
    // reading: MalformedAnswer also for a page that does not parse or a next
    // object ID that does not advance; kRequestLimit when "more follows"
    // still came with the last of kMaxRequests pages; kNotSent when a
    // follow-up request was refused.
    void Finished(int status);

private:
    ModbusLine& m_line;
    void OnAnswer(int status);
    bool SubmitPage(std::uint8_t objectId);
    void Finish(int status);

    OneShotRequest m_request;
    std::uint16_t m_slaveId = 0;
    DeviceIdCode m_code = DeviceIdCode::Basic;
    std::uint8_t m_asked = 0;
    int m_requests = 0;
    bool m_running = false;
    std::uint8_t m_conformity = 0;
    std::vector<DeviceIdObject> m_objects;
};

}  // namespace zentiq
