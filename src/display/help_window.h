// The help pages, in a window of the program: one for each window that asks
// for help, as a window of its own beside it (a window beside a modal dialog
// could not be used until the dialog closes). Follows the interface
// language.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace zentiq {

class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    // Shows `page` (a name of HelpPages()) in the help window that serves
    // `from`'s window, made when there is none, and raises it.
    static HelpWindow* Open(QWidget* from, const QString& page);

    QString Page() const { return m_page; }
    QTextBrowser* Browser() const { return m_browser; }

protected:
    void changeEvent(QEvent* event) override;

private:
    explicit HelpWindow(QWidget* parent);
    void showPage(const QString& page);
    void retranslate();

    QTextBrowser* m_browser = nullptr;
    QString m_page;
};

}  // namespace zentiq
