// A data log written as CSV against a real slave (pymodbus on 127.0.0.1)
// that stops answering midway, read back with Python's csv module.
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "documents/data_logger.h"
#include "documents/mb_log_setup.h"
#include "engine/engine.h"
#include "framework/window_registry.h"
#include "grid/grid_ctrl.h"
#include "support/dialog_test_helpers.h"
#include "support/recording_interaction.h"
#include "support/peer_data.h"
#include "support/peer_link.h"
#include "support/poll_window.h"
#include "support/widget_environment.h"

namespace zentiq {
namespace {

using testing::PollWindow;

QJsonObject readWithPython(const QString& path) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(ZENTIQ_SOURCE_DIR "/tests/support/read_csv_log.py"), path});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        ADD_FAILURE() << "python3 could not read the log: " << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

TEST(CsvLogPeerTest, AFailedPollIsARowWithItsStatusBetweenTheValues) {
    InitEngine();
    InstallEnginePoster();
    std::string error;
    std::unique_ptr<testing::PeerLink> link =
        testing::PeerLink::Start(testing::PeerLink::Peer::PyModbus, TCP, error);
    ASSERT_TRUE(link) << error;

    QTemporaryDir dir;
    testing::RecordingInteraction ui;
    ui.filePath = dir.filePath("values.CSV");
    ui.onModal<CMBLogSetup>([](CMBLogSetup& dialog) {
        auto* errors = testing::child<QCheckBox>(&dialog, "errorsCheck");
        if (!errors->isChecked())
            testing::press(errors);
        dialog.accept();
        return dialog.result();
    });

    PollWindow w(testing::ReadDefinition(3, 0, 3));
    int row = 0, column = 0;
    ASSERT_TRUE(w.model().CellOfItem(1, row, column));
    w.doc->Grid()->model().setItemText(row, column - 1, "Druck, bar");
    ASSERT_TRUE(w.waitForPolls(1));
    ASSERT_TRUE(w.doc->OnCommand(cmd::StartLogging));
    ASSERT_TRUE(w.doc->Logger().active());
    EXPECT_EQ(w.doc->Logger().format(), DataLogger::Format::Csv);
    ASSERT_TRUE(w.waitForPolls(w.model().txCount + 3));

    link->StopPeer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.model().lastStatus != 0; }, 20000)) << "polls fail";
    ASSERT_TRUE(w.waitForPolls(w.model().txCount + 1, 20000));
    ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
    EXPECT_TRUE(ui.texts().isEmpty()) << ui.texts().join('\n').toStdString();

    const QJsonObject log = readWithPython(ui.filePath);
    EXPECT_EQ(log["header"].toArray().toVariantList(),
              QVariantList({"Time", "0", "Druck, bar", "2", "Status"}));
    const QJsonArray rows = log["rows"].toArray();
    const QVariantList good{QString::number(zq_peer_holding(0)), QString::number(zq_peer_holding(1)),
                            QString::number(zq_peer_holding(2))};
    int goodRows = 0, failedRows = 0;
    for (const QJsonValue& value : rows) {
        const QJsonObject r = value.toObject();
        EXPECT_EQ(r["fields"].toInt(), 5);
        EXPECT_TRUE(r["timed"].toBool()) << "ISO 8601 with its UTC offset";
        if (r["status"].toString().isEmpty()) {
            EXPECT_EQ(failedRows, 0) << "no good poll after the slave stopped";
            EXPECT_EQ(r["values"].toArray().toVariantList(), good);
            ++goodRows;
        } else {
            EXPECT_EQ(r["values"].toArray().toVariantList(), QVariantList({"", "", ""}));
            ++failedRows;
        }
    }
    EXPECT_GE(goodRows, 3);
    EXPECT_GE(failedRows, 1);
}

}  // namespace
}  // namespace zentiq
