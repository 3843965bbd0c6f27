#include "display/help_window.h"

#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include "framework/help_pages.h"

namespace zentiq {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    // Closing hides it for the next F1; it goes with the window it serves.
    // Without one it is the caller's to keep or close for good.
    setAttribute(Qt::WA_DeleteOnClose, parent == nullptr);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(this);
    layout->addWidget(bar);
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    layout->addWidget(m_browser);
    QAction* contents = bar->addAction(QString(), this, [this] { showPage(QStringLiteral("index")); });
    contents->setObjectName(QStringLiteral("contents"));
    QAction* back = bar->addAction(QString(), m_browser, &QTextBrowser::backward);
    back->setObjectName(QStringLiteral("back"));
    QAction* forward = bar->addAction(QString(), m_browser, &QTextBrowser::forward);
    forward->setObjectName(QStringLiteral("forward"));
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);
    // Links between pages keep the page name for a change of language.
    connect(m_browser, &QTextBrowser::sourceChanged, this,
            [this](const QUrl& url) { m_page = QFileInfo(url.path()).completeBaseName(); });
    resize(760, 580);
    retranslate();
}

HelpWindow* HelpWindow::Open(QWidget* from, const QString& page) {
    // A window of the served window's own: usable beside a modal dialog,
    // and gone with it.
    QWidget* window = from != nullptr ? from->window() : nullptr;
    if (auto* own = qobject_cast<HelpWindow*>(window))
        window = own->parentWidget();
    HelpWindow* help = window != nullptr
                           ? window->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly)
                           : nullptr;
    if (help == nullptr)
        help = new HelpWindow(window);
    help->showPage(page);
    help->show();
    help->raise();
    help->activateWindow();
    return help;
}

void HelpWindow::showPage(const QString& page) {
    m_page = page;
    m_browser->setSource(HelpPageUrl(page, CurrentLanguage()));
}

void HelpWindow::retranslate() {
    setWindowTitle(tr("Zentiq 帮助"));
    const auto name = [this](const char* object, const QString& text) {
        if (QAction* a = findChild<QAction*>(QString::fromLatin1(object)))
            a->setText(text);
    };
    name("contents", tr("目录"));
    name("back", tr("后退"));
    name("forward", tr("前进"));
}

void HelpWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        if (!m_page.isEmpty())
            showPage(m_page);
    }
    QWidget::changeEvent(event);
}

}  // namespace zentiq
