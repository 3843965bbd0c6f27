// The appearance menu of the main window: a radio group in both menu bars,
// applied to the application at once and kept for the next start.
#include <QActionGroup>
#include <QApplication>
#include <QMenu>

#include "app/app_test_support.h"
#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/zentiq_app.h"
#include "framework/appearance.h"
#include "framework/dark_palette.h"
#include "resources/menus.h"

namespace zentiq {
namespace {

const int kChoices[] = {cmd::AppearanceSystem, cmd::AppearanceLight, cmd::AppearanceDark};

// The menu actions of the appearance choices in the menus now shown.
QList<QAction*> choiceActions(const QList<QMenu*>& menus) {
    QList<QAction*> found;
    for (const QMenu* top : menus)
        for (QMenu* menu : top->findChildren<QMenu*>())
            for (QAction* action : menu->actions())
                if (std::find(std::begin(kChoices), std::end(kChoices), CMainFrame::CommandIdOf(action)) !=
                    std::end(kChoices))
                    found << action;
    return found;
}

class AppearanceMenuTest : public test::AppTestBase {
protected:
    ~AppearanceMenuTest() override {
        app.reset();
        ApplyAppearance(Appearance::System);
    }
    std::unique_ptr<CZentiqApp> app;
};

TEST_F(AppearanceMenuTest, ARadioGroupInBothMenuBarsAppliedAtOnceAndKept) {
    app = std::make_unique<CZentiqApp>();
    ASSERT_TRUE(app->InitInstance({}));
    CMainFrame& frame = *app->MainFrame();
    const QColor systemWindow = QApplication::palette().color(QPalette::Window);
    for (const bool withDocuments : {true, false}) {
        SCOPED_TRACE(withDocuments ? "with documents" : "without documents");
        if (!withDocuments) {
            app->ChildFrames()[0]->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        ASSERT_EQ(frame.ShowsDocumentMenu(), withDocuments);
        const QList<QAction*> actions = choiceActions(frame.TopMenus());
        ASSERT_EQ(actions.size(), 3);
        QActionGroup* group = actions[0]->actionGroup();
        ASSERT_NE(group, nullptr);
        EXPECT_TRUE(group->isExclusive());
        for (QAction* a : actions) {
            EXPECT_EQ(a->actionGroup(), group);
            EXPECT_TRUE(a->isCheckable());
        }
        EXPECT_EQ(actions[0]->parent(), actions[2]->parent()) << "one submenu";
        struct Step {
            int id;
            Appearance appearance;
        };
        for (const Step& s : {Step{cmd::AppearanceDark, Appearance::Dark}, Step{cmd::AppearanceLight, Appearance::Light},
                              Step{cmd::AppearanceSystem, Appearance::System}}) {
            // As the user picks it: the menu's action.
            actions[static_cast<int>(s.appearance)]->trigger();
            EXPECT_EQ(CurrentAppearance(), s.appearance);
            EXPECT_EQ(StoredAppearance(*store()), s.appearance);
            for (int id : kChoices)
                EXPECT_EQ(frame.QueryCommand(id).checked, id == s.id) << id;
            const QColor window = QApplication::palette().color(QPalette::Window);
            if (s.appearance == Appearance::Dark)
                EXPECT_EQ(window, DarkPalette().color(QPalette::Window));
            else if (s.appearance == Appearance::System)
                EXPECT_EQ(window, systemWindow);
            else
                EXPECT_GT(window.lightness(), 180);
        }
    }
}

}  // namespace
}  // namespace zentiq
