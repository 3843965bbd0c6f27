#include "framework/device_identity_reader.h"

namespace zentiq {

DeviceIdentityReader::DeviceIdentityReader(ModbusLine& line, QObject* parent)
    : QObject(parent), m_line(line), m_request(this) {
    connect(&m_request, &OneShotRequest::Finished, this, &DeviceIdentityReader::OnAnswer);
}

bool DeviceIdentityReader::Start(std::uint16_t slaveId, DeviceIdCode code,
                                 std::uint8_t firstObject) {
    m_running = false;
    m_slaveId = slaveId;
    m_code = code;
    m_requests = 0;
    m_conformity = 0;
    m_objects.clear();
    if (!SubmitPage(firstObject))
        return false;
    m_running = true;
    return true;
}

bool DeviceIdentityReader::SubmitPage(std::uint8_t objectId) {
    OneShotArgs args;
    args.slaveId = m_slaveId;
    args.function = Code(FunctionCode::DeviceIdentification);
    args.readAddress = static_cast<std::uint16_t>(m_code);
    args.writeAddress = objectId;
    if (!m_request.Submit(m_line, args, {}))
        return false;
    m_asked = objectId;
    ++m_requests;
    return true;
}

void DeviceIdentityReader::OnAnswer(int status) {
    if (!m_running)
        return;
    const OneShotAnswer* answer = m_request.Answer();
    if (status != status::Ok || answer == nullptr) {
        Finish(answer == nullptr && status == status::Ok ? status::NoTransactionYet : status);
        return;
    }
    const auto page = ParseDeviceIdPage(answer->data, answer->answerLength);
    if (!page) {
        Finish(status::MalformedAnswer);
        return;
    }
    m_conformity = page->conformity;
    m_objects.insert(m_objects.end(), page->objects.begin(), page->objects.end());
    if (!page->moreFollows || m_code == DeviceIdCode::OneObject) {
        Finish(status::Ok);
        return;
    }
    // Each page must move on, or the device would be asked the same forever.
    if (page->nextObjectId <= m_asked) {
        Finish(status::MalformedAnswer);
        return;
    }
    if (m_requests >= kMaxRequests) {
        Finish(kRequestLimit);
        return;
    }
    if (!SubmitPage(page->nextObjectId))
        Finish(kNotSent);
}

void DeviceIdentityReader::Finish(int status) {
    m_running = false;
    emit Finished(status);
}

QString DeviceIdentityReader::ObjectName(std::uint8_t id) {
    if (const char* name = DeviceIdObjectName(id))
        return QString::fromLatin1(name);
    return QStringLiteral("0x") + QString::number(id, 16).toUpper().rightJustified(2, u'0');
}

}  // namespace zentiq
