// The English interface: the choice of language (stored, --lang for one run,
// the menu), and every window's texts in English once the translation is
// installed, including windows that are open when the language changes.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSet>
#include <QToolBar>
#include <QtTest/QTest>
#include <QKeySequence>
#include <functional>
#include <map>
#include <memory>

#include "app/child_frame.h"
#include "app/command_line.h"
#include "app/app_test_support.h"
#include "app/every_window.h"
#include "app/main_frame.h"
#include "documents/poll_document_model.h"
#include "framework/language.h"
#include "resources/menus.h"
#include "resources/strings.h"

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
        if (const auto* header = qobject_cast<const QHeaderView*>(w); header && header->model())
            for (int i = 0; i < header->count(); ++i)
                texts << header->model()->headerData(i, header->orientation()).toString();
    }
    return texts;
}

// The words the glossary keeps in English in the Chinese interface.
const QSet<QString>& keptInEnglish() {
    static const QSet<QString> words = [] {
        QSet<QString> kept;
        QFile file(QStringLiteral(ZENTIQ_SOURCE_DIR "/docs/glossary.md"));
        if (!file.open(QIODevice::ReadOnly))
            return kept;
        const QString text = QString::fromUtf8(file.readAll());
        const qsizetype from = text.indexOf(QStringLiteral("## Kept in English"));
        const QString part = text.mid(from, text.indexOf(QStringLiteral("\n## "), from + 1) - from);
        static const QRegularExpression word(QStringLiteral("[A-Za-z][A-Za-z0-9]*"));
        for (const QRegularExpressionMatch& m : word.globalMatch(part))
            kept.insert(m.captured());
        return kept;
    }();
    return words;
}

// English words of `texts` the glossary does not keep, one text each.
QStringList englishIn(const QStringList& texts) {
    // Words as the glossary lists them: "Int64" is one word.
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}[0-9]*"));
    static const QRegularExpression path(QStringLiteral("/[\\w./-]+"));  // device and file names
    QStringList found;
    for (const QString& t : texts) {
        if (isLanguageName(t))
            continue;
        for (const QRegularExpressionMatch& m :
             word.globalMatch(QString(t).remove(path).remove(QLatin1Char('&')))) {
            if (!keptInEnglish().contains(m.captured())) {
                found << t;
                break;
            }
        }
    }
    return found;
}

QStringList chineseIn(const QStringList& texts) {
    QStringList found;
    for (const QString& t : texts)
        if (hasChinese(t) && !isLanguageName(t))
            found << t;
    return found;
}


// Keys that reach something in one window: shortcuts of the window's
// actions and the mnemonics (Alt+letter) of its buttons, labels with a
// buddy, group boxes and top-level menus. Each key with what it reaches.
using KeyUses = std::map<QString, QStringList>;

void addKey(KeyUses& uses, const QKeySequence& key, const QString& what) {
    if (!key.isEmpty())
        uses[key.toString(QKeySequence::PortableText)] << what;
}

KeyUses keysOf(const QWidget* window) {
    KeyUses uses;
    for (const QAction* action : window->actions())
        addKey(uses, action->shortcut(), action->text());
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !w->isEnabled())
            continue;
        if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            addKey(uses, button->shortcut(), button->text());  // its mnemonic, unless set otherwise
        if (const auto* label = qobject_cast<const QLabel*>(w); label && label->buddy())
            addKey(uses, QKeySequence::mnemonic(label->text()), label->text());
        if (const auto* group = qobject_cast<const QGroupBox*>(w); group && group->isCheckable())
            addKey(uses, QKeySequence::mnemonic(group->title()), group->title());
        if (const auto* bar = qobject_cast<const QToolBar*>(w))
            for (const QAction* action : bar->actions())
                addKey(uses, action->shortcut(), action->text());
    }
    return uses;
}

// Keys that reach two things, as "Alt+S: Signed | Setup".
QStringList ambiguous(const KeyUses& uses) {
    QStringList found;
    for (const auto& [key, what] : uses)
        if (what.size() > 1)
            found << key + QStringLiteral(": ") + what.join(QStringLiteral(" | "));
    return found;
}

// Mnemonics given twice inside one menu, menus below it included.
void ambiguousInMenus(const QMenu* menu, QStringList& found) {
    KeyUses uses;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        addKey(uses, QKeySequence::mnemonic(action->text()), action->text());
        if (action->menu() != nullptr)
            ambiguousInMenus(action->menu(), found);
    }
    for (const QString& a : ambiguous(uses))
        found << menu->title() + QStringLiteral(" > ") + a;
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

TEST_F(LanguageDialogTest, NoKeyReachesTwoThingsInOneDialog) {
    for (const Language language : {Language::English, Language::Chinese}) {
        ASSERT_TRUE(ApplyLanguage(language));
        for (const auto& [name, make] : everyWindow()) {
            std::unique_ptr<QWidget> w(make());
            const QStringList twice = ambiguous(keysOf(w.get()));
            EXPECT_TRUE(twice.isEmpty()) << LanguageCode(language).toStdString() << " " << name << ": "
                                         << twice.join(" ; ").toStdString();
        }
    }
}

TEST_F(LanguageDialogTest, TablesAndEveryDialogReadEnglishAndBack) {
    const auto windows = everyWindow();
    for (const Language language : {Language::English, Language::Chinese}) {
        ASSERT_TRUE(ApplyLanguage(language));
        const bool english = language == Language::English;
        for (const auto& [name, make] : windows) {
            std::unique_ptr<QWidget> w(make());
            const QStringList chinese = chineseIn(visibleTexts(w.get()));
            if (english)
                EXPECT_TRUE(chinese.isEmpty()) << name << ": " << chinese.join(" | ").toStdString();
            else {
                EXPECT_FALSE(chinese.isEmpty()) << name << " shows no Chinese text by default";
                const QStringList english = englishIn(visibleTexts(w.get()));
                EXPECT_TRUE(english.isEmpty()) << name << ": " << english.join(" | ").toStdString();
            }
        }
        // The tables: string ids, status texts and the menus' command names.
        EXPECT_EQ(hasChinese(LoadString(ids::Timeout)), !english);
        EXPECT_EQ(hasChinese(LoadString(ids::ParseIntRange)), !english);
        EXPECT_EQ(LoadString(ids::ErrorCounterLineFirst),
                  english ? QStringLiteral("%d\tTimeout error") : QStringLiteral("%d\t超时错误"));
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
    EXPECT_TRUE(englishIn(menuTexts()).isEmpty()) << englishIn(menuTexts()).join(" | ").toStdString();
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

// The format keys (Alt+S, Alt+U, Alt+H, Alt+D ...) live beside the menu bar's
// mnemonics: none may reach two things, with or without documents.
TEST_F(LanguageFrameTest, NoKeyOfTheMainWindowReachesTwoThings) {
    for (const Language language : {Language::English, Language::Chinese}) {
        StoreLanguage(*store(), language);
        CMainFrame& frame = start();
        for (const bool documents : {true, false}) {
            if (!documents) {
                app->ChildFrames()[0]->close();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
            ASSERT_EQ(frame.ShowsDocumentMenu(), documents);
            KeyUses uses = keysOf(&frame);
            QStringList twice;
            for (const QMenu* menu : frame.TopMenus()) {
                addKey(uses, QKeySequence::mnemonic(menu->title()), menu->title());
                ambiguousInMenus(menu, twice);
            }
            twice << ambiguous(uses);
            EXPECT_TRUE(twice.isEmpty()) << LanguageCode(language).toStdString()
                                         << (documents ? " with" : " without") << " documents: "
                                         << twice.join(" ; ").toStdString();
        }
        app.reset();
    }
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
        } else {
            const QStringList foreign = englishIn(menuTexts() + visibleTexts(monitor) + visibleTexts(trend.get()));
            EXPECT_TRUE(foreign.isEmpty()) << foreign.join(" | ").toStdString();
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
