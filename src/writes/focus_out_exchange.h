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
    FocusOutExchange(QObject* parent, std::initializer_list<QWidget*> fields, std::function<void()> onLeave);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_onLeave;
    bool m_running = false;
};

}  // namespace zentiq
