// The English interface: the choice of language (stored, --lang for one run,
// the menu), and every window's texts in English once the translation is
// installed, including windows that are open when the language changes.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QToolBar>
#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "app/advanced.h"
#include "app/child_frame.h"
#include "app/command_line.h"
#include "app/app_test_support.h"
#include "app/main_frame.h"
#include "app/mb_comm_setup.h"
#include "display/communication.h"
#include "display/device_identity_dialog.h"
#include "display/error_counter.h"
#include "display/trend_window.h"
#include "documents/mb_log_setup.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_setup.h"
#include "framework/language.h"
#include "resources/menus.h"
#include "resources/strings.h"
#include "testcenter/test_center.h"
#include "writes/mb_force_multible_coils.h"
#include "writes/mb_input_register.h"
#include "writes/mb_input_register_bin.h"
#include "writes/mb_mask_write.h"
#include "writes/mb_preset_multible_register.h"
#include "writes/mb_read_write_register.h"
#include "writes/mb_write_coil.h"
#include "writes/mb_write_float.h"
#include "writes/mb_write_register.h"
#include "writes/mb_write_register_bin.h"
#include "writes/mb_write_register_int.h"

namespace zentiq::test {
namespace {

bool hasChinese(const QString& text) {
    static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    return cjk.match(text).hasMatch();
}

// The language items name each language in its own script, in every language.
bool isLanguageName(const QString& text) {
    return text == QStringLiteral("中文") || text.contains(QStringLiteral("(语言)")) ||
           text.contains(QStringLiteral("(Language)"));
}

void collectMenu(const QMenu* menu, QStringList& texts) {
    texts << menu->title();
    for (const QAction* action : menu->actions()) {
        if (action->menu() != nullptr)
            collectMenu(action->menu(), texts);
        else if (!action->isSeparator())
            texts << action->text() << action->statusTip();
    }
}

// Every text a user can read in `widget` and its children.
QStringList visibleTexts(const QWidget* widget) {
    QStringList texts{widget->windowTitle()};
    for (const QWidget* w : widget->findChildren<QWidget*>()) {
        texts << w->toolTip();
        if (const auto* label = qobject_cast<const QLabel*>(w))
            texts << label->text();
        if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            texts << button->text();
        if (const auto* group = qobject_cast<const QGroupBox*>(w))
            texts << group->title();
        if (const auto* combo = qobject_cast<const QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
    }
    return texts;
}

QStringList chineseIn(const QStringList& texts) {
    QStringList found;
    for (const QString& t : texts)
        if (hasChinese(t) && !isLanguageName(t))
            found << t;
    return found;
}

// Leaves the process in the default language whatever a test did.
class LanguageTestBase : public AppTestBase {
protected:
    ~LanguageTestBase() override { ApplyLanguage(Language::Chinese); }
};

}  // namespace

TEST(LanguageChoiceTest, CodesCommandLineAndStoredValues) {
    struct Code {
        const char* text;
        std::optional<Language> language;
    };
    for (const Code& c : {Code{"zh", Language::Chinese}, Code{"en", Language::English}, Code{" EN ", Language::English},
                          Code{"Zh", Language::Chinese}, Code{"", std::nullopt}, Code{"de", std::nullopt},
                          Code{"english", std::nullopt}}) {
        EXPECT_EQ(LanguageFromCode(QString::fromUtf8(c.text)), c.language) << c.text;
        if (c.language) {
            EXPECT_EQ(LanguageFromCode(LanguageCode(*c.language)), c.language);
        }
    }

    struct Line {
        QStringList args;
        std::optional<Language> language;
        bool error;
    };
    for (const Line& l : {Line{{"--lang", "en"}, Language::English, false},
                          Line{{"--lang=zh", "a.zqd"}, Language::Chinese, false},
                          Line{{"a.zqd"}, std::nullopt, false},
                          Line{{"--dark", "--lang", "en"}, Language::English, false},  // --dark is main.cpp's
                          Line{{"--lang", "fr"}, std::nullopt, true},
                          Line{{"--lang"}, std::nullopt, true}}) {
        const auto line = CommandLine::Parse(l.args);
        EXPECT_EQ(line.language, l.language) << l.args.join(' ').toStdString();
        EXPECT_EQ(!line.error.isEmpty(), l.error) << l.args.join(' ').toStdString();
    }

    QTemporaryDir dir;
    SettingsStore store(dir.filePath("z.ini"));
    EXPECT_EQ(StoredLanguage(store), Language::Chinese) << "the default";
    StoreLanguage(store, Language::English);
    EXPECT_EQ(StoredLanguage(store), Language::English);
    store.SetString("View", "Language", "klingon");
    EXPECT_EQ(StoredLanguage(store), Language::Chinese);
}

class LanguageDialogTest : public LanguageTestBase {};

TEST_F(LanguageDialogTest, TablesAndEveryDialogReadEnglishAndBack) {
    using Factory = std::function<QWidget*()>;
    const std::vector<std::pair<const char*, Factory>> windows = {
        {"CZentiqSetup", [] { return new CZentiqSetup(DefinitionDialogValues{}); }},
        {"CMBCommSetup", [] { return new CMBCommSetup(ConnectionSettings{}); }},
        {"CAdvanced", [] { return new CAdvanced(AdvancedOptions{}); }},
        {"CMBLogSetup", [] { return new CMBLogSetup(DataLogger::Options{}); }},
        {"CCommunication", [] { return new CCommunication(); }},
        {"CErrorCounter", [] { return new CErrorCounter(ErrorCounterModel::Counters{}); }},
        {"CTestCenter", [] { return new CTestCenter(CTestCenter::Settings{}); }},
        {"DeviceIdentityDialog", [] { return new DeviceIdentityDialog(1); }},
        {"TrendWindow", [] { return new TrendWindow(nullptr, {}, nullptr); }},
        {"CMBWriteCoil", [] { return new CMBWriteCoil(); }},
        {"CMBWriteRegister", [] { return new CMBWriteRegister(); }},
        {"CMBWriteRegisterBin", [] { return new CMBWriteRegisterBin(); }},
        {"CMBWriteRegisterInt", [] { return new CMBWriteRegisterInt(); }},
        {"CMBWriteFloat", [] { return new CMBWriteFloat(); }},
        {"CMBForceMultibleCoils", [] { return new CMBForceMultibleCoils(WriteBlock{}); }},
        {"CMBPresetMultibleRegister", [] { return new CMBPresetMultibleRegister(WriteBlock{}, 8); }},
        {"CMBReadWriteRegister", [] { return new CMBReadWriteRegister(ReadWriteBlock{}, 5); }},
        {"CMBInputRegister", [] { return new CMBInputRegister(4, InputRegisterValue{}); }},
        {"CMBInputRegisterBin", [] { return new CMBInputRegisterBin(0x00F0); }},
        {"CMBMaskWrite", [] { return new CMBMaskWrite(1, 1, 1); }},
    };
    for (const Language language : {Language::English, Language::Chinese}) {
        ASSERT_TRUE(ApplyLanguage(language));
        const bool english = language == Language::English;
        for (const auto& [name, make] : windows) {
            std::unique_ptr<QWidget> w(make());
            const QStringList chinese = chineseIn(visibleTexts(w.get()));
            if (english)
                EXPECT_TRUE(chinese.isEmpty()) << name << ": " << chinese.join(" | ").toStdString();
            else
                EXPECT_FALSE(chinese.isEmpty()) << name << " shows no Chinese text by default";
        }
        // The tables: string ids, status texts and the menus' command names.
        EXPECT_EQ(hasChinese(LoadString(ids::Timeout)), !english);
        EXPECT_EQ(hasChinese(LoadString(ids::ParseIntRange)), !english);
        EXPECT_EQ(LoadString(ids::ErrorCounterLineFirst), QStringLiteral("%d\tTimeout error")) << "English as it was";
        EXPECT_EQ(CommandName(cmd::WriteSingleCoil), english ? QStringLiteral("05: Write Single Coil")
                                                                 : QStringLiteral("05:写单个线圈"));
    }
}

// Qt's own texts: the standard buttons of a message box and the context
// menu of an edit field, in the chosen language, also after a switch back.
TEST_F(LanguageDialogTest, QtOwnTextsFollowTheLanguage) {
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    ASSERT_TRUE(QFile::exists(dir + QStringLiteral("/qtbase_zh_CN.qm")))
        << "Qt's translations are missing from " << dir.toStdString()
        << ": install qt6-translations-l10n (tools/deps.sh)";
    const auto qtTexts = [] {
        QStringList texts;
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        for (const QAbstractButton* button : box.buttons())
            texts << button->text();
        QLineEdit edit(QStringLiteral("text"));
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        for (const QAction* action : menu->actions())
            if (!action->isSeparator())
                texts << action->text();
        return texts;
    };
    struct Case {
        Language language;
        const char* yes;  // the Yes button as Qt's translation names it
    };
    for (const Case& c : {Case{Language::Chinese, "是(&Y)"}, Case{Language::English, "&Yes"},
                          Case{Language::Chinese, "是(&Y)"}}) {
        ASSERT_TRUE(ApplyLanguage(c.language));
        const QStringList texts = qtTexts();
        const std::string shown = texts.join(QStringLiteral(" | ")).toStdString();
        EXPECT_TRUE(texts.contains(QString::fromUtf8(c.yes))) << shown;
        EXPECT_GE(texts.size(), 3 + 5) << shown;  // three buttons, undo to select all
        for (const QString& text : texts) {
            if (c.language == Language::Chinese)
                EXPECT_TRUE(hasChinese(text)) << text.toStdString();
            else
                EXPECT_FALSE(hasChinese(text)) << text.toStdString();
        }
    }
}

class LanguageFrameTest : public LanguageTestBase {
protected:
    ~LanguageFrameTest() override { app.reset(); }
    CMainFrame& start(const QStringList& args = {}) {
        app = std::make_unique<CZentiqApp>();
        EXPECT_TRUE(app->InitInstance(args));
        return *app->MainFrame();
    }
    QStringList menuTexts() {
        QStringList texts;
        for (const QMenu* menu : app->MainFrame()->TopMenus())
            collectMenu(menu, texts);
        for (const QAction* action : app->MainFrame()->ToolBar()->actions())
            texts << action->toolTip();
        return texts;
    }
    QString firstMenu() { return app->MainFrame()->TopMenus().value(0)->title(); }
    std::unique_ptr<CZentiqApp> app;
};

TEST_F(LanguageFrameTest, StoredChoiceAndOneRunOverride) {
    // A fresh store: Chinese.
    CMainFrame* frame = &start();
    EXPECT_EQ(firstMenu(), QStringLiteral("&0文件"));
    app.reset();

    StoreLanguage(*store(), Language::English);
    frame = &start();
    ASSERT_TRUE(frame->ShowsDocumentMenu());
    EXPECT_EQ(firstMenu(), QStringLiteral("&File"));
    EXPECT_TRUE(chineseIn(menuTexts()).isEmpty()) << chineseIn(menuTexts()).join(" | ").toStdString();
    EXPECT_TRUE(frame->QueryCommand(cmd::LanguageEnglish).checked);
    EXPECT_FALSE(frame->QueryCommand(cmd::LanguageChinese).checked);
    // The menu shown without documents, too.
    app->ChildFrames()[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(frame->ShowsDocumentMenu());
    EXPECT_TRUE(chineseIn(menuTexts()).isEmpty()) << chineseIn(menuTexts()).join(" | ").toStdString();
    app.reset();

    // --lang zh for one run leaves the stored English alone.
    start({"--lang", "zh"});
    EXPECT_EQ(firstMenu(), QStringLiteral("&0文件"));
    EXPECT_EQ(StoredLanguage(*store()), Language::English);
}

TEST_F(LanguageFrameTest, MenuSwitchChangesOpenWindowsAtOnceAndIsKept) {
    CMainFrame& frame = start();
    frame.show();
    ASSERT_TRUE(frame.ExecuteCommand(cmd::TrafficMonitor));
    QPointer<CCommunication> monitor = app->Monitor();
    ASSERT_FALSE(monitor.isNull());
    auto trend = std::make_unique<TrendWindow>(nullptr, std::vector<TrendItem>{}, nullptr);
    const QString chineseMonitorTitle = monitor->windowTitle();
    const QString chineseTrendTitle = trend->windowTitle();

    for (const Language language : {Language::English, Language::Chinese}) {
        const bool english = language == Language::English;
        ASSERT_TRUE(frame.ExecuteCommand(english ? cmd::LanguageEnglish : cmd::LanguageChinese));
        // Windows hear of the change through posted events; the menus are
        // rebuilt after that, once the menu that switched has closed.
        const QString expected = english ? QStringLiteral("&File") : QStringLiteral("&0文件");
        EXPECT_TRUE(QTest::qWaitFor([&] { return firstMenu() == expected; }, 2000)) << firstMenu().toStdString();
        EXPECT_EQ(StoredLanguage(*store()), language);
        EXPECT_EQ(frame.QueryCommand(cmd::LanguageEnglish).checked, english);
        const QStringList chinese = chineseIn(menuTexts() + visibleTexts(monitor) + visibleTexts(trend.get()));
        if (english) {
            EXPECT_TRUE(chinese.isEmpty()) << chinese.join(" | ").toStdString();
        }
        EXPECT_EQ(monitor->windowTitle() == chineseMonitorTitle, !english);
        EXPECT_EQ(trend->windowTitle() == chineseTrendTitle, !english);
    }
    // The rebuilt menus still route their commands.
    const int before = app->Documents().size();
    for (QAction* action : frame.TopMenus().value(0)->actions())
        if (CMainFrame::CommandIdOf(action) == cmd::FileNew)
            action->trigger();
    EXPECT_EQ(app->Documents().size(), before + 1);
    EXPECT_TRUE(recorder.messages.empty());
}

}  // namespace zentiq::test
