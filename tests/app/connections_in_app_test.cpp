// Several connections as the user meets them in the program: a new named
// connection from the "连接" menu, new windows and the tools on the current
// connection with its name in their titles, a window moved to another
// connection in its poll definition, and a connection that goes only once
// nothing uses it.
// Two pymodbus slaves that answer different slave IDs tell the lines apart.
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest/QTest>
#include <memory>
#include <string>

#include "app/app_test_support.h"
#include "app/child_frame.h"
#include "app/connection_controller.h"
#include "app/connection_set.h"
#include "app/main_frame.h"
#include "app/mb_comm_setup.h"
#include "app/zentiq_app.h"
#include "display/bus_scanner_window.h"
#include "display/bus_statistics_window.h"
#include "display/communication.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_setup.h"
#include "resources/menus.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

using test::AppTestBase;
using test::PeerProcess;

constexpr int kWaitMs = 20000;

QMenu* subMenu(QMenu* menu, const QString& title) {
    for (QAction* a : menu->actions())
        if (a->menu() != nullptr && a->menu()->title() == title)
            return a->menu();
    return nullptr;
}

// The entries of the connection list, as the menu shows them on opening.
QList<QAction*> connectionEntries(CMainFrame& frame) {
    QMenu* list = subMenu(frame.TopMenus()[2], "连接");
    if (list == nullptr)
        return {};
    emit list->aboutToShow();
    QList<QAction*> entries;
    for (QAction* a : list->actions()) {
        const int id = CMainFrame::CommandIdOf(a);
        if (id >= cmd::ConnectionFirst && id <= cmd::ConnectionLast)
            entries << a;
    }
    return entries;
}

bool okCountGrows(const CZentiqDoc& doc) {
    const quint32 before = doc.Model().okCount;
    return QTest::qWaitFor([&] { return doc.Model().okCount >= before + 2; }, kWaitMs);
}

class ConnectionsInAppTest : public AppTestBase {
protected:
    ~ConnectionsInAppTest() override { app.reset(); }
    std::unique_ptr<CZentiqApp> app;
};

TEST_F(ConnectionsInAppTest, NamedConnectionsCarryWindowsAndGoWhenUnused) {
    std::string error;
    // Windows ask for slave 1: only the first slave answers them.
    auto first = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error, 1);
    ASSERT_TRUE(first) << error;
    auto second = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error, 4);
    ASSERT_TRUE(second) << error;

    app = std::make_unique<CZentiqApp>();
    ASSERT_TRUE(app->InitInstance({}));
    // The start-up check would open the first connection again under our feet.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->StartupCheckPending(); }, kWaitMs));
    CMainFrame& frame = *app->MainFrame();
    ConnectionSet& connections = app->Connections();
    ConnectionSettings s = app->Connection().Settings();
    s.Serial = 1;
    s.IPAddress = "127.0.0.1";
    s.ServicePort = first->Port();
    app->Connection().SetSettings(s);
    ASSERT_TRUE(test::ConnectNow(*app, false));
    CZentiqDoc* onFirst = app->Documents().value(0);
    ASSERT_NE(onFirst, nullptr);
    ASSERT_TRUE(okCountGrows(*onFirst));
    EXPECT_EQ(CChildFrame::TitleOf(*onFirst), onFirst->GetTitle()) << "one connection: no name shown";

    // "新建连接..": a name taken is refused in the dialog, then one that is free.
    recorder.onModal<CMBCommSetup>([&](CMBCommSetup& d) {
        auto* name = d.findChild<QLineEdit*>("connectionNameEdit");
        EXPECT_NE(name, nullptr);
        if (name == nullptr)
            return int(QDialog::Rejected);
        EXPECT_EQ(name->text(), "连接 2");
        d.findChild<QRadioButton*>("tcpRadio")->click();
        d.findChild<QLineEdit*>("ipAddressEdit")->setText("127.0.0.1");
        d.findChild<QLineEdit*>("servicePortEdit")->setText(QString::number(second->Port()));
        // Nobody answers slave 1 there: short waits for those answers.
        d.findChild<QLineEdit*>("timeoutEdit")->setText("200");
        name->setText("连接 1");
        d.accept();
        name->setText("锅炉");
        d.accept();
        return d.result();
    });
    const auto messagesBefore = recorder.messages.size();
    ASSERT_TRUE(frame.ExecuteCommand(cmd::NewConnection));
    EXPECT_EQ(recorder.messages.size(), messagesBefore + 1) << "the taken name was refused";
    ASSERT_EQ(connections.Count(), 2);
    EXPECT_EQ(connections.NameAt(1), "锅炉");
    EXPECT_EQ(connections.CurrentIndex(), 1) << "the new connection is the current one";
    ASSERT_TRUE(test::WaitForConnectEnd(connections.At(1)));

    QList<QAction*> entries = connectionEntries(frame);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0]->text().startsWith("&1 连接 1 — 已连接")) << qPrintable(entries[0]->text());
    EXPECT_TRUE(entries[1]->text().startsWith("&2 锅炉 — 已连接")) << qPrintable(entries[1]->text());
    EXPECT_FALSE(entries[0]->isChecked());
    EXPECT_TRUE(entries[1]->isChecked());
    // Choosing an entry makes that connection current.
    entries[0]->trigger();
    EXPECT_EQ(connections.CurrentIndex(), 0);
    entries = connectionEntries(frame);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0]->isChecked());
    entries[1]->trigger();
    ASSERT_EQ(connections.CurrentIndex(), 1);
    frame.UpdateIdle();
    EXPECT_TRUE(frame.CommPane()->text().startsWith("锅炉: 127.0.0.1")) << qPrintable(frame.CommPane()->text());
    EXPECT_EQ(CChildFrame::TitleOf(*onFirst), onFirst->GetTitle() + " [连接 1]");

    // Connecting at start-up stays the first connection's switch.
    ASSERT_TRUE(frame.ExecuteCommand(cmd::AutoConnectOn));
    EXPECT_TRUE(connections.At(0).AutoEnable());
    EXPECT_FALSE(frame.QueryCommand(cmd::AutoConnectOn).enabled);
    ASSERT_TRUE(frame.ExecuteCommand(cmd::AutoConnectOff));
    EXPECT_FALSE(connections.At(0).AutoEnable());

    // A range the bus scanner found on 锅炉 opens a window there, even when
    // another connection became current meanwhile.
    ASSERT_TRUE(frame.ExecuteCommand(cmd::BusScanner));
    BusScannerWindow* scanner = app->BusScanner();
    ASSERT_NE(scanner, nullptr);
    scanner->SetMode(BusScannerWindow::Mode::AddressMap);
    scanner->SetIdRange(4, 4);
    scanner->SetAddressRange(0, 19, 40);
    scanner->SetTimeoutMs(200);
    connectionEntries(frame)[0]->trigger();
    ASSERT_TRUE(scanner->StartScan());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !scanner->IsScanning(); }, 60000));
    ASSERT_FALSE(scanner->Results().rows.empty());
    scanner->findChild<QTableWidget*>("resultTable")->selectRow(0);
    const auto documentsBefore = app->Documents().size();
    ASSERT_TRUE(scanner->OpenSelectedRange());
    ASSERT_EQ(app->Documents().size(), documentsBefore + 1);
    CZentiqDoc* fromScan = app->Documents().last();
    EXPECT_EQ(&fromScan->Line(), &connections.At(1).Line());
    EXPECT_EQ(connections.CurrentIndex(), 1);
    scanner->close();
    fromScan->SetModifiedFlag(false);
    ASSERT_TRUE(frame.ExecuteCommand(cmd::FileClose));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    ASSERT_EQ(app->Documents().size(), documentsBefore) << "the scanner's window closed";
    ASSERT_FALSE(app->Documents().contains(fromScan));

    // A new window polls on the current connection, where nobody answers slave 1.
    CZentiqDoc* onSecond = app->OnFileNew();
    ASSERT_NE(onSecond, nullptr);
    EXPECT_EQ(&onSecond->Line(), &connections.At(1).Line());
    EXPECT_EQ(CChildFrame::TitleOf(*onSecond), onSecond->GetTitle() + " [锅炉]");
    ASSERT_TRUE(QTest::qWaitFor([&] { return onSecond->Model().txCount >= 1; }, kWaitMs));
    EXPECT_EQ(onSecond->Model().okCount, 0u);
    // "删除连接" is refused while the connection is open and while a window uses it.
    EXPECT_FALSE(frame.QueryCommand(cmd::RemoveConnection).enabled);
    connections.At(1).Disconnect();
    frame.ExecuteCommand(cmd::RemoveConnection);
    EXPECT_EQ(connections.Count(), 2) << "a window still uses it";
    EXPECT_TRUE(recorder.messages.back().text.contains("锅炉"));

    // The poll definition moves the window to the first connection, whose
    // slave answers it.
    recorder.onModal<CZentiqSetup>([&](CZentiqSetup& d) {
        auto* combo = d.findChild<QComboBox*>("connectionCombo");
        EXPECT_NE(combo, nullptr);
        if (combo == nullptr)
            return int(QDialog::Rejected);
        EXPECT_EQ(combo->count(), 2);
        EXPECT_EQ(combo->currentText(), "锅炉");
        combo->setCurrentIndex(0);
        d.accept();
        return d.result();
    });
    ASSERT_TRUE(onSecond->OnCommand(cmd::PollDefinition));
    EXPECT_EQ(&onSecond->Line(), &connections.At(0).Line());
    EXPECT_EQ(CChildFrame::TitleOf(*onSecond), onSecond->GetTitle() + " [连接 1]");
    EXPECT_TRUE(okCountGrows(*onSecond));

    // The tools open on the current connection, one of each per connection,
    // and list only that connection's windows.
    auto statisticsRows = [&] {
        auto* table = app->StatisticsWindow()->findChild<QTableView*>("statisticsTable");
        return table != nullptr ? table->model()->rowCount() : -1;
    };
    ASSERT_TRUE(frame.ExecuteCommand(cmd::TrafficMonitor));
    QPointer<CCommunication> boilerMonitor = app->Monitor();
    ASSERT_NE(boilerMonitor, nullptr);
    EXPECT_EQ(&boilerMonitor->Line(), &connections.At(1).Line());
    EXPECT_TRUE(boilerMonitor->windowTitle().endsWith("锅炉")) << qPrintable(boilerMonitor->windowTitle());
    EXPECT_FALSE(frame.QueryCommand(cmd::TrafficMonitor).enabled);
    ASSERT_TRUE(frame.ExecuteCommand(cmd::BusStatistics));
    QPointer<BusStatisticsWindow> boilerStatistics = app->StatisticsWindow();
    EXPECT_EQ(statisticsRows(), 0) << "no window polls on 锅炉 any more";
    connectionEntries(frame)[0]->trigger();
    EXPECT_TRUE(frame.QueryCommand(cmd::TrafficMonitor).enabled);
    ASSERT_TRUE(frame.ExecuteCommand(cmd::TrafficMonitor));
    EXPECT_EQ(&app->Monitor()->Line(), &connections.At(0).Line());
    EXPECT_NE(app->Monitor(), boilerMonitor.data());
    ASSERT_TRUE(frame.ExecuteCommand(cmd::BusStatistics));
    EXPECT_NE(app->StatisticsWindow(), boilerStatistics.data());
    EXPECT_EQ(statisticsRows(), 2);

    // Nothing but its tools uses 锅炉 now: they keep it until they close.
    connectionEntries(frame)[1]->trigger();
    ASSERT_EQ(connections.CurrentIndex(), 1);
    frame.ExecuteCommand(cmd::RemoveConnection);
    EXPECT_EQ(connections.Count(), 2);
    EXPECT_TRUE(recorder.messages.back().text.contains("工具")) << qPrintable(recorder.messages.back().text);
    boilerMonitor->close();
    boilerStatistics->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(boilerMonitor.isNull() && boilerStatistics.isNull());

    // Then it goes, and with it the names in the titles.
    EXPECT_TRUE(frame.QueryCommand(cmd::RemoveConnection).enabled);
    frame.ExecuteCommand(cmd::RemoveConnection);
    EXPECT_EQ(connections.Count(), 1);
    EXPECT_EQ(connections.CurrentIndex(), 0);
    EXPECT_EQ(CChildFrame::TitleOf(*onSecond), onSecond->GetTitle());
    EXPECT_FALSE(frame.QueryCommand(cmd::RemoveConnection).enabled) << "the first one stays";
    EXPECT_TRUE(okCountGrows(*onFirst)) << "the first connection kept polling throughout";
}

}  // namespace
}  // namespace zentiq
