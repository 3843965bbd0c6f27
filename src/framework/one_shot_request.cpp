#include "framework/one_shot_request.h"

#include "engine/engine.h"
#include "framework/window_registry.h"

namespace zentiq {

OneShotRequest::OneShotRequest(QObject* parent) : QObject(parent) {
    InstallEnginePoster();
    m_handle = RegisterWindow(this);
}

bool OneShotRequest::Submit(const OneShotArgs& args, const std::function<void()>& loadData) {
    if (!SubmitOneShot(m_handle, WM_POLL_RESULT, args.slaveId, args.function, args.readAddress,
                       args.readQuantity, args.writeAddress, args.writeQuantity))
        return false;
    m_pending = true;
    if (loadData) loadData();
    return true;
}

QString OneShotRequest::RefusedText() {
    return tr("上一个请求仍在等待发送，本次未发送。");
}

bool OneShotRequest::event(QEvent* e) {
    if (e->type() != EngineMessageEvent::Type()) return QObject::event(e);
    const auto* message = static_cast<const EngineMessageEvent*>(e);
    if (message->message == WM_POLL_RESULT && message->lParam == 0 && m_pending) {
        m_pending = false;
        emit Finished(static_cast<int>(message->wParam));
    }
    return true;
}

}  // namespace zentiq
