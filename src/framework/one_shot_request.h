// One request through the engine's one-shot slot on behalf of a dialog or
// tool window. The slot is claimed first and the data loaded only when the
// claim succeeded, so a refused request never changes the one still waiting
// in the slot. The object receives its own results: the result arrives once
// as Finished(), with the request's own answer, and a window that closes
// while its request is pending simply takes the object (and the late
// result) with it.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/engine_types.h"
#include "engine/modbus_line.h"

namespace zentiq {

struct OneShotArgs {
    std::uint16_t slaveId = 0;
    std::uint16_t function = Code(FunctionCode::RawFrame);
    std::uint16_t readAddress = 0;
    std::uint16_t readQuantity = 0;
    std::uint16_t writeAddress = 0;
    std::uint16_t writeQuantity = 0;
};

class SlotResults;

class OneShotRequest final : public QObject {
    Q_OBJECT
public:
    // One write-data operation on slot 0 of the line the request goes to;
    // returns the operation's result (0 when it refused the data).
    using Loader = std::function<int(ModbusLine& line)>;

    explicit OneShotRequest(QObject* parent = nullptr);
    ~OneShotRequest() override;

    // Claims slot 0 of line and, when that succeeded, calls loadData and becomes
    // pending. false when the slot refused (an earlier request still waits
    // there, or the arguments are outside the engine's limits; nothing is
    // loaded then) or when loadData refused its data: slot 0 is given back
    // then, so that it never stays claimed by a request that cannot go out.
    // FailureText() says which.
    bool Submit(ModbusLine& line, const OneShotArgs& args, const Loader& loadData);
    bool IsPending() const { return m_pending; }
    WindowHandle Handle() const;
    // What to tell the user after Submit returned false.
    QString FailureText() const;

    // The answer of the request that finished last, as the engine kept it
    // for this request; nullptr before the first result, or when so many
    // other one-shot requests were served before the result was taken that
    // the engine no longer kept it.
    const OneShotAnswer* Answer() const { return m_hasAnswer ? m_answer.get() : nullptr; }

    // What a window tells the user when Submit was refused because slot 0
    // was busy, and when the data could not be loaded.
    static QString RefusedText();
    static QString DataRefusedText();

signals:
    // The engine's status of the transaction (WM_POLL_RESULT's first
    // parameter); Answer() holds the request's answer meanwhile.
    void Finished(int status);

private:
    void finish(EngineStatus status, int slot);

    SlotResults* m_results;
    bool m_pending = false;
    bool m_dataRefused = false;
    std::uint32_t m_ticket = 0;
    ModbusLine* m_line = nullptr;  // where the pending or last request went
    bool m_hasAnswer = false;
    std::unique_ptr<OneShotAnswer> m_answer;
};

}  // namespace zentiq
