#include "framework/slot_results.h"

#include "framework/window_registry.h"

namespace zentiq {

static_assert(SlotResults::kConnectionMessage == SlotResults::kResultMessage + 1);

SlotResults::SlotResults(QObject* parent) : QObject(parent) {
    InstallEnginePoster();
    m_handle = RegisterWindow(this);
}

WindowHandle SlotResults::HandleOn(ModbusLine& line) {
    InstallEnginePoster(line);
    return m_handle;
}

bool SlotResults::event(QEvent* e) {
    if (e->type() != EngineMessageEvent::Type())
        return QObject::event(e);
    const auto* message = static_cast<const EngineMessageEvent*>(e);
    if (message->message == kResultMessage) {
        if (message->lParam >= 0 && message->lParam <= kLastSlot)
            emit result(static_cast<EngineStatus>(message->wParam),
                        static_cast<int>(message->lParam));
    } else if (message->message == kConnectionMessage) {
        emit connectionChanged();
    }
    return true;
}

}  // namespace zentiq

// Compiled here rather than with the folder's other meta-objects, so that
// the headless run, which takes its results through this class, links no
// window library.
#include "moc_slot_results.cpp"
