// The 通讯 menu's bus statistics command: one window at a time, listing
// every poll window of the program, gone with the frame.
#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QtTest/QTest>
#include <memory>

#include "app/app_test_support.h"
#include "app/main_frame.h"
#include "display/bus_statistics_table_model.h"
#include "display/bus_statistics_window.h"
#include "documents/zentiq_doc.h"
#include "resources/menus.h"

namespace zentiq {
namespace {

bool HasCommand(QMenu* menu, int id) {
    for (QAction* a : menu->actions())
        if (CMainFrame::CommandIdOf(a) == id) return true;
    return false;
}

class BusStatisticsCommandTest : public test::AppTestBase {
protected:
    ~BusStatisticsCommandTest() override { app.reset(); }
    CMainFrame& start() {
        app = std::make_unique<CZentiqApp>();
        EXPECT_TRUE(app->InitInstance({}));
        CMainFrame& f = *app->MainFrame();
        f.show();
        return f;
    }
    std::unique_ptr<CZentiqApp> app;
};

TEST_F(BusStatisticsCommandTest, OpensOneWindowOverEveryPollWindowAndGoesWithTheFrame) {
    CMainFrame& f = start();
    ASSERT_EQ(app->Documents().size(), 1);
    EXPECT_TRUE(HasCommand(f.TopMenus()[2], cmd::BusStatistics)) << "in the 通讯 menu";
    EXPECT_TRUE(f.QueryCommand(cmd::BusStatistics).enabled);

    ASSERT_TRUE(f.ExecuteCommand(cmd::BusStatistics));
    QPointer<BusStatisticsWindow> window = app->StatisticsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "总线统计");
    ASSERT_EQ(window->Table().rowCount(), 1);
    EXPECT_EQ(window->Table().Rows()[0].request.name, app->Documents()[0]->GetTitle());

    CZentiqDoc* second = app->OnFileNew();
    window->Refresh();
    ASSERT_EQ(window->Table().rowCount(), 2);
    EXPECT_EQ(window->Table().Rows()[1].request.name, second->GetTitle());

    // Asked again, the open window comes to the front instead of a second.
    ASSERT_TRUE(f.ExecuteCommand(cmd::BusStatistics));
    EXPECT_EQ(app->StatisticsWindow(), window.data());

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    ASSERT_TRUE(f.ExecuteCommand(cmd::BusStatistics));
    window = app->StatisticsWindow();
    ASSERT_NE(window, nullptr);
    app.reset();
    EXPECT_TRUE(window.isNull()) << "the frame takes it along";
}

}  // namespace
}  // namespace zentiq
