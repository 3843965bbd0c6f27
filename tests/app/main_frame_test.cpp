#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMenu>
#include <QScopeGuard>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest/QTest>
#include <algorithm>
#include <memory>

#include "app/app_test_support.h"
#include "app/child_frame.h"
#include "app/frame_placement.h"
#include "framework/contrast.h"
#include "framework/dark_palette.h"
#include "display/communication.h"
#include "display/trend_window.h"
#include "display/zentiq_view.h"
#include "documents/zentiq_doc.h"
#include "resources/menus.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

using test::AppTestBase;
using test::PeerProcess;

QStringList titles(const QList<QMenu*>& menus) {
    QStringList out;
    for (const QMenu* m : menus)
        out << m->title();
    return out;
}

QAction* findAction(QMenu* menu, int id) {
    for (QAction* a : menu->actions()) {
        if (a->menu() != nullptr) {
            if (QAction* inner = findAction(a->menu(), id))
                return inner;
        } else if (CMainFrame::CommandIdOf(a) == id) {
            return a;
        }
    }
    return nullptr;
}

// ---- position and topmost switch ------------------------------------------------------------

class FramePositionTest : public AppTestBase {};

TEST_F(FramePositionTest, PositionAndAlwaysOnTopSurviveARestart) {
    QRect outer;
    {
        CMainFrame frame;
        EXPECT_FALSE(frame.AlwaysOnTop());
        frame.move(60, 70);
        frame.resize(640, 480);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        const QRect before = frame.geometry();
        EXPECT_TRUE(frame.ExecuteCommand(cmd::AlwaysOnTop));
        EXPECT_TRUE(frame.AlwaysOnTop());
        EXPECT_TRUE(frame.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(frame.QueryCommand(cmd::AlwaysOnTop).checked);
        EXPECT_EQ(store()->GetInt("View", "AlwaysOnTop", -1), 1) << "stored at once";
        QTest::qWait(50);
        EXPECT_EQ(frame.geometry(), before) << "neither moved nor resized";
        EXPECT_TRUE(frame.isVisible());
        outer = frame.frameGeometry();
    }
    // The outer rectangle, decoration included.
    EXPECT_GE(outer.width(), 640);
    EXPECT_EQ(store()->GetInt("Position", "Cx", 0), outer.width());
    EXPECT_EQ(store()->GetInt("Position", "Cy", 0), outer.height());
    EXPECT_EQ(store()->GetInt("Position", "x", 0), outer.x());
    EXPECT_EQ(store()->GetInt("Position", "y", 0), outer.y());

    CMainFrame again;
    EXPECT_TRUE(again.AlwaysOnTop());
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_TRUE(again.windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "applied when shown";
    QTest::qWait(50);  // the decoration is taken off the stored size once shown
    EXPECT_EQ(again.frameGeometry(), outer) << "the same place and size, not grown by the decoration";
    EXPECT_TRUE(again.QueryCommand(cmd::AlwaysOnTop).checked);
    EXPECT_TRUE(again.ExecuteCommand(cmd::AlwaysOnTop));
    EXPECT_FALSE(again.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(store()->GetInt("View", "AlwaysOnTop", -1), 0);
}

TEST_F(FramePositionTest, ClosingMaximisedKeepsThePreviousPosition) {
    auto s = store();
    s->SetInt("Position", "Cx", 500);
    s->SetInt("Position", "Cy", 400);
    s->SetInt("Position", "x", 10);
    s->SetInt("Position", "y", 20);
    s->Sync();
    {
        CMainFrame frame;
        frame.showMaximized();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        ASSERT_TRUE(frame.isMaximized());
    }
    EXPECT_EQ(store()->GetInt("Position", "Cx", 0), 500);
    EXPECT_EQ(store()->GetInt("Position", "Cy", 0), 400);
    EXPECT_EQ(store()->GetInt("Position", "x", 0), 10);
    EXPECT_EQ(store()->GetInt("Position", "y", 0), 20);
}

TEST_F(FramePositionTest, UnusableStoredSizesAreLeftToTheSystem) {
    for (const auto& [cx, cy] : {std::pair{-300, 200}, std::pair{2000000, 300}, std::pair{400, 0}}) {
        auto s = store();
        s->SetInt("Position", "Cx", cx);
        s->SetInt("Position", "Cy", cy);
        s->Sync();
        CMainFrame frame;
        EXPECT_GT(frame.width(), 0);
        EXPECT_LT(frame.width(), 100000);
        EXPECT_NE(frame.height(), cy == 0 ? 0 : cy + 1);
    }
}

// ---- child frame placement ------------------------------------------------------------------

class ChildPlacementTest : public AppTestBase {};

TEST_F(ChildPlacementTest, PlacementRoundTripAndRefusals) {
    QMdiArea area;
    area.resize(700, 500);
    area.show();
    auto* frame = new CChildFrame(nullptr);
    area.addSubWindow(frame);
    frame->show();

    WindowPlacement p;
    p.showCmd = CChildFrame::kShowNormal;
    p.left = 30;
    p.top = 40;
    p.right = 330;
    p.bottom = 240;
    ASSERT_TRUE(frame->ApplyPlacement(p));
    EXPECT_EQ(frame->geometry(), QRect(30, 40, 300, 200));
    WindowPlacement back = frame->CurrentPlacement();
    EXPECT_EQ(back.length, 44);
    EXPECT_EQ(back.showCmd, CChildFrame::kShowNormal);
    EXPECT_EQ(QRect(QPoint(back.left, back.top), QPoint(back.right - 1, back.bottom - 1)), QRect(30, 40, 300, 200));

    // Maximised: the normal rectangle is still what a save stores.
    p.showCmd = CChildFrame::kShowMaximized;
    ASSERT_TRUE(frame->ApplyPlacement(p));
    EXPECT_TRUE(frame->isMaximized());
    back = frame->CurrentPlacement();
    EXPECT_EQ(back.showCmd, CChildFrame::kShowMaximized);
    EXPECT_EQ(back.left, 30);
    EXPECT_EQ(back.right, 330);
    EXPECT_EQ(back.bottom, 240);

    // Damaged placements leave the frame as it is.
    frame->showNormal();
    const QRect where = frame->geometry();
    WindowPlacement bad = p;
    bad.length = 0;
    EXPECT_FALSE(frame->ApplyPlacement(bad));
    bad = p;
    bad.right = bad.left - 10;
    EXPECT_FALSE(frame->ApplyPlacement(bad));
    bad = p;
    bad.left = -2147483647 - 1;
    bad.right = 2147483647;
    EXPECT_FALSE(frame->ApplyPlacement(bad));
    bad = WindowPlacement{};
    EXPECT_FALSE(frame->ApplyPlacement(bad)) << "an all-zero rectangle";
    EXPECT_EQ(frame->geometry(), where);
    EXPECT_FALSE(frame->isMaximized());
}

// A placement from a monitor that is gone (or half off one) comes back onto a screen.
TEST(FramePlacementTest, ClampedOntoTheAvailableScreens) {
    const QList<QRect> screens = {QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
    struct Case {
        QRect normal;
        QRect want;
    };
    const Case cases[] = {
        {{100, 100, 800, 600}, {100, 100, 800, 600}},      // on the first screen: as it was
        {{2000, 50, 800, 600}, {2000, 50, 800, 600}},      // on the second
        {{5000, 200, 800, 600}, {1120, 200, 800, 600}},    // a third monitor, gone: to the nearest edge
        {{-3000, -900, 800, 600}, {0, 0, 800, 600}},       // left of everything
        {{1500, 900, 800, 600}, {1120, 440, 800, 600}},    // mostly on the first, sticking out
        {{3000, 100, 800, 600}, {2400, 100, 800, 600}},    // mostly on the second, off its right edge
        {{100, 100, 4000, 3000}, {0, 0, 1920, 1040}},      // larger than the screen it is on
    };
    for (const Case& c : cases) {
        WindowPlacement p;
        p.showCmd = frame_placement::kShowMaximized;
        p.left = c.normal.left();
        p.top = c.normal.top();
        p.right = c.normal.left() + c.normal.width();
        p.bottom = c.normal.top() + c.normal.height();
        const WindowPlacement got = frame_placement::ClampToScreens(p, screens);
        EXPECT_EQ(*frame_placement::NormalRect(got), c.want) << c.normal.x() << "," << c.normal.y();
        EXPECT_EQ(got.showCmd, p.showCmd);
        EXPECT_EQ(frame_placement::ClampToScreens(p, {}), p) << "no screens known: untouched";
    }
}

// ---- with the application -------------------------------------------------------------------

class FrameWithAppTest : public AppTestBase {
protected:
    ~FrameWithAppTest() override { app.reset(); }
    CMainFrame& start(const QStringList& args = {}) {
        app = std::make_unique<CZentiqApp>();
        EXPECT_TRUE(app->InitInstance(args));
        CMainFrame& f = *app->MainFrame();
        f.show();
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        return f;
    }
    std::unique_ptr<CZentiqApp> app;
};

TEST_F(FrameWithAppTest, MenusTitleAndRoutingFollowTheDocuments) {
    CMainFrame& f = start();
    ASSERT_EQ(app->Documents().size(), 1);
    EXPECT_EQ(titles(f.TopMenus()), QStringList({"&0文件", "&1编辑", "&2通讯", "&3设置", "&4功能", "&5显示",
                                                 "&6外观", "&7窗体", "&8帮助"}));
    f.UpdateIdle();
    EXPECT_EQ(f.windowTitle(), "Zentiq - Zentiq1");
    EXPECT_EQ(f.CommPane()->text(), "端口 1: 9600-8-E-1");

    // Update rules run when a menu opens.
    QMenu* comm = f.TopMenus()[2];
    comm->popup(QPoint(0, 0));
    QAction* connect = findAction(comm, cmd::Connect);
    ASSERT_NE(connect, nullptr);
    EXPECT_EQ(connect->text(), "&N连接..\tF3");
    EXPECT_TRUE(connect->isEnabled());
    EXPECT_FALSE(findAction(comm, cmd::Disconnect)->isEnabled());
    EXPECT_TRUE(findAction(comm, cmd::TrafficMonitor)->isEnabled());
    comm->hide();

    // Document commands reach the active document; framework ones with no
    // handler anywhere stay disabled.
    EXPECT_TRUE(f.QueryCommand(cmd::FormatSigned).checked);
    EXPECT_TRUE(f.ExecuteCommand(cmd::FormatHex));
    EXPECT_TRUE(f.QueryCommand(cmd::FormatHex).checked);
    EXPECT_FALSE(f.QueryCommand(cmd::FormatSigned).checked);
    EXPECT_TRUE(app->Documents()[0]->IsModified());
    EXPECT_TRUE(f.QueryCommand(cmd::SaveWorkspace).enabled);
    EXPECT_TRUE(f.QueryCommand(cmd::OpenWorkspace).enabled);
    // The trend is the display menu's last item and charts the focus cell.
    EXPECT_EQ(CMainFrame::CommandIdOf(f.TopMenus()[5]->actions().back()), cmd::Trend);
    EXPECT_TRUE(f.QueryCommand(cmd::Trend).enabled);
    EXPECT_TRUE(f.ExecuteCommand(cmd::Trend));
    EXPECT_NE(app->Documents()[0]->View()->findChild<TrendWindow*>(), nullptr);

    // Toolbar buttons take their state from the same rules.
    for (QAction* a : f.ToolBar()->actions()) {
        const int id = CMainFrame::CommandIdOf(a);
        if (id == cmd::Disconnect) {
            EXPECT_FALSE(a->isEnabled());
        }
        if (id == cmd::QuickConnect) {
            EXPECT_TRUE(a->isEnabled());
        }
    }

    // The last window goes: back to the menu bar without documents.
    app->Documents()[0]->SetModifiedFlag(false);
    EXPECT_TRUE(f.ExecuteCommand(cmd::FileClose));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_TRUE(app->Documents().isEmpty());
    EXPECT_FALSE(f.ShowsDocumentMenu());
    EXPECT_EQ(titles(f.TopMenus()), QStringList({"&0文件", "&1通讯", "&2外观", "&3帮助"}));
    f.UpdateIdle();
    EXPECT_EQ(f.windowTitle(), "Zentiq");
    EXPECT_FALSE(f.QueryCommand(cmd::FormatHex).enabled);
    EXPECT_FALSE(f.QueryCommand(cmd::WindowCascade).enabled);
    QAction* noDocConnect = findAction(f.TopMenus()[1], cmd::Connect);
    ASSERT_NE(noDocConnect, nullptr);
    EXPECT_EQ(noDocConnect->text(), "&C连接..\tF3");
    EXPECT_EQ(findAction(f.TopMenus()[2], cmd::AlwaysOnTop)->text(), "总在最前");
}

// The connection pane shows its whole text, however long the address.
TEST_F(FrameWithAppTest, ConnectionPaneIsAsWideAsItsText) {
    CMainFrame& f = start();
    struct Case {
        const char* address;
        int port, framing;
        QString shown;
    };
    const Case cases[] = {
        {"127.0.0.1", 22673, kTcpFramingRtu, "127.0.0.1: 22673 (RTU)"},
        {nullptr, 0, 0, "端口 1: 9600-8-E-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        ConnectionSettings s;
        if (c.address != nullptr) {
            s.Serial = 1;
            s.IPAddress = c.address;
            s.ServicePort = c.port;
            s.TcpFraming = c.framing;
        }
        app->Connection().SetSettings(s);
        f.UpdateIdle();
        QLabel* pane = f.CommPane();
        ASSERT_EQ(pane->text(), c.shown);
        f.statusBar()->layout()->activate();
        EXPECT_GE(pane->contentsRect().width(), pane->fontMetrics().horizontalAdvance(c.shown));
        EXPECT_GE(pane->width(), CMainFrame::kCommPaneWidth);
    }
}

TEST_F(FrameWithAppTest, TrafficMonitorOpensOnceAtATimeAndGoesWithTheFrame) {
    CMainFrame& f = start();
    EXPECT_EQ(app->Monitor(), nullptr);
    ASSERT_TRUE(f.ExecuteCommand(cmd::TrafficMonitor));
    QPointer<CCommunication> monitor = app->Monitor();
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_FALSE(monitor->isModal());
    EXPECT_EQ(monitor->windowTitle(), "通讯小助手");
    EXPECT_FALSE(f.QueryCommand(cmd::TrafficMonitor).enabled) << "one at a time";
    EXPECT_FALSE(f.ExecuteCommand(cmd::TrafficMonitor));

    monitor->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(monitor.isNull());
    EXPECT_TRUE(f.QueryCommand(cmd::TrafficMonitor).enabled);

    // Escape closes it as well.
    ASSERT_TRUE(f.ExecuteCommand(cmd::TrafficMonitor));
    monitor = app->Monitor();
    ASSERT_NE(monitor, nullptr);
    QTest::keyClick(monitor, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(monitor.isNull());

    ASSERT_TRUE(f.ExecuteCommand(cmd::TrafficMonitor));
    monitor = app->Monitor();
    ASSERT_NE(monitor, nullptr);
    app.reset();  // the frame takes its monitor along
    EXPECT_TRUE(monitor.isNull());
}

TEST_F(FrameWithAppTest, EveryAcceleratorTriggersItsCommand) {
    CMainFrame& f = start({"--automation"});
    std::vector<int> seen;
    f.SetCommandFilter([&seen](int id) {
        seen.push_back(id);
        return true;  // swallowed: no dialogs, no side effects
    });
    const std::pair<QKeyCombination, int> keys[] = {
        {Qt::Key_F3, 32772},
        {Qt::Key_F4, 32773},
        {Qt::Key_F5, 32838},
        {Qt::Key_F6, 32854},
        {Qt::SHIFT | Qt::Key_F6, 32880},
        {Qt::Key_F8, 32771},
        {Qt::Key_F11, 32862},
        {Qt::Key_F12, 32801},
        {Qt::CTRL | Qt::Key_N, 57600},
        {Qt::CTRL | Qt::Key_O, 57601},
        {Qt::CTRL | Qt::Key_S, 57603},
        {Qt::CTRL | Qt::Key_P, 57607},
        {Qt::CTRL | Qt::Key_C, 57634},
        {Qt::CTRL | Qt::Key_X, 57635},
        {Qt::CTRL | Qt::Key_V, 57637},
        {Qt::CTRL | Qt::Key_A, 57642},
        {Qt::ALT | Qt::Key_S, 32775},
        {Qt::ALT | Qt::Key_U, 32776},
        {Qt::ALT | Qt::Key_H, 32777},
        {Qt::ALT | Qt::Key_B, 32780},
        {Qt::ALT | Qt::Key_F5, 32842},
        {Qt::ALT | Qt::Key_F6, 32844},
        {Qt::ALT | Qt::Key_F7, 32846},
        {Qt::ALT | Qt::Key_F8, 32848},
        {Qt::ALT | Qt::Key_L, 32808},
        {Qt::ALT | Qt::Key_O, 32809},
        {Qt::ALT | Qt::Key_D, 32815},
        {Qt::CTRL | Qt::Key_F, 32873},
        {Qt::CTRL | Qt::Key_B, 32874},
        {Qt::Key_F1, 57670},
        {Qt::SHIFT | Qt::Key_F1, 57669},
    };
    for (const auto& [key, id] : keys) {
        seen.clear();
        QTest::keyClick(&f, key.key(), key.keyboardModifiers());
        EXPECT_EQ(seen, std::vector<int>{id}) << QKeySequence(key).toString().toStdString();
    }
    f.SetCommandFilter({});
}

TEST_F(FrameWithAppTest, KeysDriveTheConnectionAndTheDocuments) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_NE(peer, nullptr) << error;
    auto s = store();
    s->SetInt("CommSetup", "Serial", 1);
    s->SetString("CommSetup", "IPAddress", "127.0.0.1");
    s->SetInt("CommSetup", "ServicePort", peer->Port());
    s->Sync();
    CMainFrame& f = start({"--automation"});

    QTest::keyClick(&f, Qt::Key_F5);
    EXPECT_TRUE(test::WaitForConnectEnd(app->Connection()));
    QTest::keyClick(&f, Qt::Key_F5);  // disabled while connected: nothing happens
    EXPECT_TRUE(recorder.messages.empty());
    QTest::keyClick(&f, Qt::Key_F4);
    EXPECT_FALSE(app->Connection().IsConnected());
    EXPECT_EQ(IsConnected(), 0);

    QTest::keyClick(&f, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(app->Documents().size(), 1);
    EXPECT_EQ(app->Documents()[0]->GetTitle(), "Zentiq1");
    EXPECT_TRUE(f.ShowsDocumentMenu());
    QTest::keyClick(&f, Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(f.QueryCommand(cmd::FormatHex).checked) << "Alt+H reached the document";
}

// The toolbar's glyph icons stand out from the toolbar in a dark palette
// as in a light one (3:1, the ratio for graphics).
TEST_F(FramePositionTest, ToolbarGlyphsStandOutInLightAndDarkPalettes) {
    const QPalette original = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
    for (const QPalette& palette : {original, DarkPalette()}) {
        QApplication::setPalette(palette);
        CMainFrame frame;
        const QColor background = palette.color(QPalette::Window);
        for (const int id : {cmd::Disconnect, cmd::QuickConnect, cmd::ContextHelp}) {
            QAction* action = nullptr;
            for (QAction* a : frame.ToolBar()->actions())
                if (CMainFrame::CommandIdOf(a) == id)
                    action = a;
            ASSERT_NE(action, nullptr) << id;
            const QImage icon = action->icon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
            double best = 1.0;
            for (int y = 0; y < icon.height(); ++y)
                for (int x = 0; x < icon.width(); ++x)
                    if (qAlpha(icon.pixel(x, y)) == 255)
                        best = std::max(best, ContrastRatio(QColor(icon.pixel(x, y)), background));
            EXPECT_GE(best, 3.0) << "command " << id << " on " << background.name().toStdString();
        }
    }
}

}  // namespace
}  // namespace zentiq
