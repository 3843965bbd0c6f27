// Help for the window in front: F1 in any window (dialogs included, where
// the main window's keys do not reach) and a click in What's This mode
// (Shift+F1) on a control that has no text of its own open the help page of
// the control's window.
#pragma once

#include <QObject>

class QWidget;

namespace zentiq {

class ContextHelp final : public QObject {
    Q_OBJECT
public:
    // Watches every window of the application while it lives.
    explicit ContextHelp(QObject* parent = nullptr);
    ~ContextHelp() override;

    // Opens the page that explains `widget`'s window.
    static void ShowFor(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace zentiq
