#include "writes/focus_out_exchange.h"

#include <QFocusEvent>
#include <QWidget>

namespace zentiq {

FocusOutExchange::FocusOutExchange(QWidget* dialog, std::initializer_list<QWidget*> fields,
                                   std::function<void()> onLeave)
    : QObject(dialog), m_dialog(dialog), m_onLeave(std::move(onLeave)) {
    for (QWidget* field : fields)
        field->installEventFilter(this);
}

bool FocusOutExchange::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !m_running && m_dialog->isVisible()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // A validation box taking the focus must not start another exchange.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            m_running = true;
            m_onLeave();
            m_running = false;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zentiq
