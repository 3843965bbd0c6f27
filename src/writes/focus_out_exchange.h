// Runs a dialog's exchange when one of its fields loses the focus to
// another control of the dialog (not to a message box or another window),
// so that lists that depend on the fields follow them.
#pragma once

#include <QObject>
#include <functional>
#include <initializer_list>

class QWidget;

namespace zentiq {

class FocusOutExchange final : public QObject {
public:
    // Owned by `dialog`; acts only while the dialog is shown, so that the
    // focus leaving a field while the dialog closes or is destroyed runs nothing.
    FocusOutExchange(QWidget* dialog, std::initializer_list<QWidget*> fields,
                     std::function<void()> onLeave);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_dialog;
    std::function<void()> m_onLeave;
    bool m_running = false;
};

}  // namespace zentiq
