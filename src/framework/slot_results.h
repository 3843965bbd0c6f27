// Where the engine's results for poll slots arrive: an object registered
// with the window registry under a handle of its own, which whoever claims
// a slot (or sends a one-off request) names as the receiver. The engine's
// posts come out as Qt signals, so that owners never see handles or
// message numbers.
#pragma once

#include <QObject>

#include "engine/engine_types.h"

namespace zentiq {

class ModbusLine;

class SlotResults final : public QObject {
    Q_OBJECT
public:
    explicit SlotResults(QObject* parent = nullptr);

    // The handle under which `line` posts to this object; the line's
    // poster is installed first, so that the results of a slot claimed
    // under it reach this object.
    WindowHandle HandleOn(ModbusLine& line);
    // The handle, for callers that install the line's poster themselves.
    WindowHandle Handle() const { return m_handle; }

    // The posted message numbers this object takes.
    static constexpr std::uint32_t kResultMessage = WM_POLL_RESULT;
    static constexpr std::uint32_t kConnectionMessage = WM_CONNECTION_CHANGED;

signals:
    // A transaction of `slot` (0: the one-off slot) ended with `status`.
    // Posts naming no slot the engine has are dropped.
    void result(zentiq::EngineStatus status, int slot);
    // The line's connection opened or closed.
    void connectionChanged();

protected:
    bool event(QEvent* e) override;

private:
    WindowHandle m_handle = 0;
};

}  // namespace zentiq
