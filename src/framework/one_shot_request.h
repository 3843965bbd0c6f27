// One request through the engine's one-shot slot on behalf of a dialog or
// tool window. The slot is claimed first and the data loaded only when the
// claim succeeded, so a refused request never changes the one still waiting
// in the slot. The object is its own engine window: the result arrives once
// as Finished(), and a window that closes while its request is pending
// simply takes the object (and the late result) with it.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

#include "engine/engine_types.h"

namespace zentiq {

struct OneShotArgs {
    std::uint16_t slaveId = 0;
    std::uint16_t function = 0;
    std::uint16_t readAddress = 0;
    std::uint16_t readQuantity = 0;
    std::uint16_t writeAddress = 0;
    std::uint16_t writeQuantity = 0;
};

class OneShotRequest final : public QObject {
    Q_OBJECT
public:
    explicit OneShotRequest(QObject* parent = nullptr);

    // Claims slot 0 and, when that succeeded, calls loadData (one write-data
    // operation on slot 0) and becomes pending. false when the slot refused:
    // an earlier request still waits there, or the arguments are outside
    // the engine's limits; nothing is loaded then.
    bool Submit(const OneShotArgs& args, const std::function<void()>& loadData);
    bool IsPending() const { return m_pending; }
    WindowHandle Handle() const { return m_handle; }

    // What a window tells the user when Submit was refused.
    static QString RefusedText();

signals:
    // The engine's status of the transaction (WM_POLL_RESULT's first parameter).
    void Finished(int status);

protected:
    bool event(QEvent* e) override;

private:
    WindowHandle m_handle = 0;
    bool m_pending = false;
};

}  // namespace zentiq
