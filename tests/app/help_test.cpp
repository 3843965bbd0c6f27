// The help pages: every page in both languages, every window leading to a
// page of its own, and F1, What's This and Help Topics opening them, also
// over a modal dialog.
#include <QDialog>
#include <QFile>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest/QTest>
#include <memory>

#include "app/app_test_support.h"
#include "app/context_help.h"
#include "app/every_window.h"
#include "app/main_frame.h"
#include "app/zentiq_app.h"
#include "display/help_window.h"
#include "framework/help_pages.h"
#include "framework/language.h"
#include "resources/menus.h"

namespace zentiq::test {
namespace {

bool hasChinese(const QString& text) {
    static const QRegularExpression cjk(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    return cjk.match(text).hasMatch();
}

QString pageText(const QString& page, Language language) {
    QFile file(QLatin1Char(':') + HelpPageUrl(page, language).path());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class HelpTest : public AppTestBase {
protected:
    ~HelpTest() override { ApplyLanguage(Language::Chinese); }
};

}  // namespace

TEST(HelpPagesTest, EveryPageIsThereInBothLanguagesAndItsLinksLeadToPages) {
    static const QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)\\.html"));
    const QStringList pages = HelpPages();
    ASSERT_TRUE(pages.contains("index"));
    for (const Language language : {Language::Chinese, Language::English}) {
        for (const QString& page : pages) {
            SCOPED_TRACE((LanguageCode(language) + "/" + page).toStdString());
            const QString html = pageText(page, language);
            ASSERT_FALSE(html.isEmpty()) << "missing";
            EXPECT_TRUE(html.contains("<h1")) << "no title";
            // The language menu names each language in its own script.
            const QString text = QString(html).remove(QString::fromUtf8("(语言)")).remove(QString::fromUtf8("中文"));
            EXPECT_EQ(hasChinese(text), language == Language::Chinese);
            for (const QRegularExpressionMatch& m : link.globalMatch(html))
                EXPECT_TRUE(pages.contains(m.captured(1))) << "link to " << m.captured(1).toStdString();
        }
        // The contents lead to every page.
        const QString index = pageText("index", language);
        for (const QString& page : pages) {
            if (page != "index") {
                EXPECT_TRUE(index.contains("href=\"" + page + ".html")) << page.toStdString();
            }
        }
    }
}

TEST_F(HelpTest, EveryWindowHasAPageOfItsOwn) {
    for (const auto& [name, make] : everyWindow()) {
        std::unique_ptr<QWidget> w(make());
        const QString page = HelpPageOf(w->metaObject());
        EXPECT_NE(page, "index") << name;
        EXPECT_TRUE(HelpPages().contains(page)) << name;
    }
    EXPECT_EQ(HelpPageOf(&CMainFrame::staticMetaObject), "poll_window");
    EXPECT_EQ(HelpPageOf(&QDialog::staticMetaObject), "index");
    EXPECT_EQ(HelpPageOf(nullptr), "index");
}

// A modal dialog blocks every other window: its help opens in a window of
// its own, by F1 or by a click in What's This mode, and follows the language.
TEST_F(HelpTest, F1AndWhatsThisOverAModalDialogOpenItsPageBesideIt) {
    ContextHelp help;
    std::unique_ptr<QWidget> dialog(everyWindow().front().second());  // the read/write definition
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    QPushButton* button = dialog->findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);

    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(button, &f1);
    auto* window = dialog->findChild<HelpWindow*>();
    ASSERT_NE(window, nullptr) << "F1 opened no help beside the dialog";
    EXPECT_EQ(window->Page(), "definition");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Browser()->toPlainText().contains(QString::fromUtf8("从站")));

    window->close();  // kept for the next time
    window->Browser()->setSource(HelpPageUrl("index", Language::Chinese));
    QHelpEvent query(QEvent::QueryWhatsThis, {}, button->mapToGlobal(QPoint()));
    query.ignore();
    QApplication::sendEvent(button, &query);
    EXPECT_TRUE(query.isAccepted()) << "a control that does not answer What's This";
    QHelpEvent click(QEvent::WhatsThis, {}, button->mapToGlobal(QPoint()));
    QApplication::sendEvent(button, &click);
    EXPECT_EQ(dialog->findChild<HelpWindow*>(), window) << "a second help window";
    EXPECT_TRUE(window->isVisible()) << "What's This opened no help";
    EXPECT_EQ(window->Page(), "definition");

    ASSERT_TRUE(ApplyLanguage(Language::English));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->Browser()->source().path().contains("/en/"); }, 5000));
    EXPECT_FALSE(hasChinese(window->Browser()->toPlainText()));
    EXPECT_EQ(window->Page(), "definition");
}

TEST_F(HelpTest, HelpTopicsAndF1OfTheMainWindowOpenTheProgramsHelp) {
    CZentiqApp app;
    ASSERT_TRUE(app.InitInstance({}));
    CMainFrame& frame = *app.MainFrame();
    ASSERT_TRUE(frame.ExecuteCommand(cmd::HelpTopics));
    HelpWindow* topics = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<HelpWindow*>(w); h && h->isVisible())
            topics = h;
    ASSERT_NE(topics, nullptr);
    EXPECT_EQ(topics->Page(), "index");
    // F1 reuses the one help window of the program; without an active
    // window (an offscreen test) it shows the contents.
    ASSERT_TRUE(frame.ExecuteCommand(cmd::Help));
    int open = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        open += qobject_cast<HelpWindow*>(w) != nullptr && w->isVisible() ? 1 : 0;
    EXPECT_EQ(open, 1);
    EXPECT_TRUE(recorder.messages.empty()) << "a box instead of the help";
    topics->close();
}

}  // namespace zentiq::test
