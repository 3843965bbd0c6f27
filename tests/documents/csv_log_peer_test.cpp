// Data logs written as CSV, read back with Python's csv module: against a
// real slave (pymodbus or libmodbus on 127.0.0.1) that goes away midway and
// comes back, and beside the grid that shows the same values.
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

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
#include "values/row_type.h"
#include "values/value_format.h"

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

// A slave killed and started again while a window logs: whatever 记录错误
// says, the time it was down is in the table as rows without values whose
// status says what failed (the refused reconnects), then values again.
TEST(CsvLogPeerTest, ASlaveKilledAndRestartedLeavesWordedRowsForTheGapThenValues) {
    InitEngine();
    InstallEnginePoster();
    using Peer = testing::PeerLink::Peer;
    const struct {
        const char* what;
        Peer peer;
        bool errors;
    } cases[] = {{"libmodbus, errors not logged", Peer::LibModbus, false},
                 {"pymodbus, errors logged", Peer::PyModbus, true}};
    const QString refused = QStringLiteral("连接被拒绝");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        std::unique_ptr<testing::PeerLink> link = testing::PeerLink::Start(c.peer, TCP, error);
        ASSERT_TRUE(link) << error;

        QTemporaryDir dir;
        testing::RecordingInteraction ui;
        ui.filePath = dir.filePath("values.CSV");
        ui.onModal<CMBLogSetup>([&](CMBLogSetup& dialog) {
            auto* errors = testing::child<QCheckBox>(&dialog, "errorsCheck");
            if (errors->isChecked() != c.errors)
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
        EXPECT_EQ(w.doc->Logger().options().errors, c.errors);
        ASSERT_TRUE(w.waitForPolls(w.model().txCount + 3));

        link->KillPeer();
        const auto refusedRows = [&] {
            QFile file(ui.filePath);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).count(refused) : 0;
        };
        ASSERT_TRUE(QTest::qWaitFor([&] { return refusedRows() >= 3; }, 30000)) << "rows for the refused polls";
        ASSERT_TRUE(link->RestartPeer(error)) << error;
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.model().lastStatus == 0; }, 30000)) << "polls again";
        ASSERT_TRUE(w.waitForPolls(w.model().txCount + 3, 20000));
        ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));
        EXPECT_TRUE(ui.texts().isEmpty()) << ui.texts().join('\n').toStdString();

        const QJsonObject log = readWithPython(ui.filePath);
        EXPECT_EQ(log["header"].toArray().toVariantList(), QVariantList({"Time", "0", "Druck, bar", "2", "Status"}));
        const QJsonArray rows = log["rows"].toArray();
        const QVariantList good{QString::number(zq_peer_holding(0)), QString::number(zq_peer_holding(1)),
                                QString::number(zq_peer_holding(2))};
        qsizetype firstFailed = -1, lastFailed = -1;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (!rows[i].toObject()["status"].toString().isEmpty()) {
                lastFailed = i;
                if (firstFailed < 0)
                    firstFailed = i;
            }
        }
        ASSERT_GE(firstFailed, 3) << "values before the slave went";
        ASSERT_LE(lastFailed, rows.size() - 4) << "values after it came back";
        qint64 previous = 0;
        int refusals = 0;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const QJsonObject r = rows[i].toObject();
            const QString status = r["status"].toString();
            SCOPED_TRACE(::testing::Message() << "row " << i << ": " << status.toStdString());
            EXPECT_EQ(r["fields"].toInt(), 5);
            EXPECT_TRUE(r["timed"].toBool()) << "ISO 8601 with its UTC offset";
            EXPECT_GE(r["ms"].toInteger(), previous) << "in order, to the millisecond";
            previous = r["ms"].toInteger();
            const bool inGap = i >= firstFailed && i <= lastFailed;
            EXPECT_EQ(status.isEmpty(), !inGap) << "one unbroken gap";
            if (status.isEmpty()) {
                EXPECT_EQ(r["values"].toArray().toVariantList(), good);
                continue;
            }
            EXPECT_EQ(r["values"].toArray().toVariantList(), QVariantList({"", "", ""}));
            EXPECT_FALSE(status.contains(QStringLiteral("写入"))) << "nothing was written";
            refusals += status == refused;
        }
        EXPECT_GE(refusals, 3);
    }
}

// Rows with types of their own, polled from the libmodbus slave: each typed
// value is one column at its first register, in its type, without its
// unit, which the column's name carries.
TEST(CsvLogPeerTest, TypedRowsAreLoggedInTheirTypeWithTheUnitInTheHeader) {
    InitEngine();
    InstallEnginePoster();
    std::string error;
    std::unique_ptr<testing::PeerLink> link =
        testing::PeerLink::Start(testing::PeerLink::Peer::LibModbus, TCP, error);
    ASSERT_TRUE(link) << error;
    QTemporaryDir dir;
    testing::RecordingInteraction ui;
    ui.filePath = dir.filePath("typed.csv");
    ui.onModal<CMBLogSetup>([](CMBLogSetup& dialog) {
        dialog.accept();
        return dialog.result();
    });
    PollWindow w(testing::ReadDefinition(3, 0, 6));
    RowType u32, bar, badc;
    u32.reading = {DecodeKind::Unsigned32, ByteOrder::ABCD};
    bar.scale = 0.1;
    bar.unit = "bar";
    badc.reading = {DecodeKind::Signed32, ByteOrder::BADC};
    ASSERT_TRUE(w.doc->ReplaceRowTypes({{0, u32}, {2, bar}, {4, badc}}));
    int row = 0, column = 0;
    ASSERT_TRUE(w.model().CellOfItem(2, row, column));
    w.doc->Grid()->model().setItemText(row, column - 1, "Druck");
    ASSERT_TRUE(w.waitForPolls(1));
    ASSERT_TRUE(w.doc->OnCommand(cmd::StartLogging));
    ASSERT_TRUE(w.waitForPolls(w.model().txCount + 3));
    ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));

    const QJsonObject log = readWithPython(ui.filePath);
    EXPECT_EQ(log["header"].toArray().toVariantList(), QVariantList({"Time", "0", "Druck [bar]", "3", "4", "Status"}));
    const auto reg = [](unsigned i) { return quint32(zq_peer_holding(i)); };
    const auto swapped = [&](unsigned i) { return (reg(i) & 0xFF) << 8 | reg(i) >> 8; };
    const QVariantList expected{QString::number(reg(0) << 16 | reg(1)),
                                QString::number(qint16(reg(2)) / 10.0, 'f', 1), QString::number(reg(3)),
                                QString::number(qint32(swapped(4) << 16 | swapped(5)))};
    const QJsonArray rows = log["rows"].toArray();
    ASSERT_GE(rows.size(), 3);
    for (const QJsonValue& r : rows) {
        EXPECT_EQ(r.toObject()["values"].toArray().toVariantList(), expected);
        EXPECT_EQ(r.toObject()["status"].toString(), "");
    }
}

// The same value in the grid and in a CSV log reads the same, also where
// the grid turns to exponent notation; the formats' awkward corners.
TEST(CsvLogGridTest, EveryValueIsWrittenAsTheGridShowsIt) {
    InitEngine();
    InstallEnginePoster();
    struct Case {
        int format;
        std::vector<double> values;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {4, {2.3021767e+23, 1e10, -12345678.0, 12345678.0, 1.5, 1e-7, -0.0, nan, -inf}},
        {5, {double(std::numeric_limits<float>::max()), -1.17549435e-38, 0.1, 65536.5}},
        {6, {1e300, -1234567.0, 123456.789, 4.9e-324, 1e16, nan}},
        {7, {-0.0, 2.5e-10, 99999.99999, inf}},
        {8, {2147483647.0, -2147483648.0, 0.0}},
        {0, {-32768.0, 32767.0, -1.0}},
    };
    QTemporaryDir dir;
    testing::RecordingInteraction ui;
    ui.filePath = dir.filePath("grid.csv");
    ui.onModal<CMBLogSetup>([](CMBLogSetup& dialog) {
        dialog.accept();
        return dialog.result();
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format);
        const int registers = RegistersPerValue(c.format);
        const int count = static_cast<int>(c.values.size());
        PollWindow w(testing::ReadDefinition(3, 0, registers * count, c.format));
        auto& bytes = w.model().values;
        bytes.fill(0);
        for (int i = 0; i < count; ++i) {
            // Only the format's own conversion: the others may not hold the value.
            const double v = c.values[std::size_t(i)];
            std::uint8_t* to = bytes.data() + 2 * registers * i;
            if (c.format <= 1) {
                const auto word = static_cast<std::int16_t>(v);
                std::memcpy(to, &word, sizeof word);
            } else if (c.format <= 5) {
                const auto f = static_cast<float>(v);
                std::memcpy(to, &f, sizeof f);
            } else if (c.format <= 7) {
                std::memcpy(to, &v, sizeof v);
            } else {
                const auto l = static_cast<std::int32_t>(v);
                std::memcpy(to, &l, sizeof l);
            }
        }
        w.model().valuesUnknown = false;
        w.view->FillCells(true);
        ASSERT_TRUE(w.doc->OnCommand(cmd::StartLogging));
        w.doc->LogResult(true, QString());
        ASSERT_TRUE(w.doc->OnCommand(cmd::StopLogging));

        const QJsonArray rows = readWithPython(ui.filePath)["rows"].toArray();
        ASSERT_EQ(rows.size(), 1);
        const QJsonArray written = rows[0].toObject()["values"].toArray();
        ASSERT_EQ(written.size(), count);
        for (int i = 0; i < count; ++i) {
            int row = 0, column = 0;
            ASSERT_TRUE(w.model().CellOfItem(registers * i, row, column));
            const QString shown = w.doc->Grid()->model().itemText(row, column).trimmed();
            EXPECT_FALSE(shown.isEmpty());
            EXPECT_EQ(written[i].toString().toStdString(), shown.toStdString()) << c.values[std::size_t(i)];
        }
    }
}

}  // namespace
}  // namespace zentiq
