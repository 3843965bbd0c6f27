#include "framework/one_shot_request.h"

#include "framework/slot_results.h"

namespace zentiq {

OneShotRequest::OneShotRequest(QObject* parent)
    : QObject(parent),
      m_results(new SlotResults(this)),
      m_answer(std::make_unique<OneShotAnswer>()) {
    connect(m_results, &SlotResults::result, this, &OneShotRequest::finish);
}

OneShotRequest::~OneShotRequest() = default;

WindowHandle OneShotRequest::Handle() const { return m_results->Handle(); }

bool OneShotRequest::Submit(ModbusLine& line, const OneShotArgs& args, const Loader& loadData) {
    m_dataRefused = false;
    // The answer comes back to this object from that line.
    if (!line.SubmitOneShot(m_results->HandleOn(line), SlotResults::kResultMessage, args.slaveId,
                            args.function, args.readAddress, args.readQuantity, args.writeAddress,
                            args.writeQuantity))
        return false;
    const std::uint32_t ticket = line.OneShotTicket();
    if (loadData && loadData(line) == 0) {
        line.ReleasePollSlot(0);
        m_dataRefused = true;
        return false;
    }
    m_ticket = ticket;
    m_line = &line;
    m_pending = true;
    m_hasAnswer = false;
    return true;
}

QString OneShotRequest::FailureText() const {
    return m_dataRefused ? DataRefusedText() : RefusedText();
}

QString OneShotRequest::RefusedText() { return tr("上一个请求仍在等待发送，本次未发送。"); }

QString OneShotRequest::DataRefusedText() { return tr("要写入的数据无法装入请求，本次未发送。"); }

void OneShotRequest::finish(EngineStatus status, int slot) {
    if (slot != 0 || !m_pending)
        return;
    m_pending = false;
    // Taken now, at the first moment this thread can: slot 0 is free
    // again and may already carry another request.
    m_hasAnswer = m_line != nullptr && m_line->GetOneShotAnswer(m_ticket, m_answer.get()) != 0;
    emit Finished(static_cast<int>(status));
}

}  // namespace zentiq
