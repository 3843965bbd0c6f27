#include "app/context_help.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "display/help_window.h"
#include "framework/help_pages.h"

namespace zentiq {

ContextHelp::ContextHelp(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }

ContextHelp::~ContextHelp() { qApp->removeEventFilter(this); }

void ContextHelp::ShowFor(QWidget* widget) {
    QWidget* window = widget != nullptr ? widget->window() : nullptr;
    HelpWindow::Open(window, HelpPageOf(window != nullptr ? window->metaObject() : nullptr));
}

bool ContextHelp::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        // The main window's own F1 key is a shortcut and never arrives here.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier ||
            qobject_cast<HelpWindow*>(widget->window()) != nullptr)
            return false;
        ShowFor(widget);
        return true;
    }
    case QEvent::QueryWhatsThis:
        // Every control answers a click in What's This mode.
        event->accept();
        return true;
    case QEvent::WhatsThis:
        if (!widget->whatsThis().isEmpty())
            return false;
        ShowFor(widget);
        return true;
    default: return false;
    }
}

}  // namespace zentiq
