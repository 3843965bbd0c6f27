// A vendor's register map drives one window: a pymodbus slave serves a block
// that mixes every kind of value (encoded by Python's struct, not by us), the
// map is imported with its type, order, scale and unit columns, and every
// cell shows the value the slave's script defines; the rows the map does not
// type keep the window's format.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "display/decode_window.h"
#include "display/row_type_dialog.h"
#include "documents/register_map_commands.h"
#include "engine/engine.h"
#include "framework/window_registry.h"
#include "grid/grid_ctrl.h"
#include "resources/menus.h"
#include "support/peer_link.h"
#include "support/poll_window.h"
#include "support/recording_interaction.h"

namespace zentiq {
namespace {

constexpr int kBlock = 100;  // where the slave puts its typed block
constexpr int kWaitMs = 15000;

class TypedRowsSlaveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitEngine();
        InstallEnginePoster();
        std::string error;
        s_link = testing::PeerLink::Start(testing::PeerLink::Peer::PyModbus, TCP, error, 1,
                                          {"--typed-block", std::to_string(kBlock)});
        s_error = error;
    }
    static void TearDownTestSuite() { s_link.reset(); }
    void SetUp() override { ASSERT_TRUE(s_link) << s_error; }

    QString write(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_EQ(f.write(bytes), bytes.size());
        return path;
    }
    static QString shown(testing::PollWindow& w, int item) {
        int row = 0, column = 0;
        if (!w.model().CellOfItem(item, row, column))
            return QStringLiteral("<no cell>");
        return w.doc->Grid()->model().itemText(row, column).trimmed();
    }

    static inline std::unique_ptr<testing::PeerLink> s_link;
    static inline std::string s_error;
    QTemporaryDir dir;
    testing::RecordingInteraction ui;
};

TEST_F(TypedRowsSlaveTest, AnImportedMapShowsEveryValueAsTheDeviceMeansIt) {
    // The map as a device manual would give it: Chinese header, the
    // manual's own type words, an order column, a scaled temperature.
    const QByteArray map =
        "地址,名称,类型,字节序,倍率,单位\n"
        "100,Setpoint,INT16,,,\n"
        "101,Energy,UDINT,ABCD,,kWh\n"
        "103,T1,REAL,ABCD,,\n"
        "105,T2,float32,word swap,,\n"
        "107,Pressure,float,BADC,,hPa\n"
        "109,Ratio,REAL,DCBA,,\n"
        "111,Offset,LINT,ABCD,,\n"
        "115,Hours,ULINT,CDAB,,\n"
        "119,Year,BCD,,,\n"
        "120,Serial,STRING[8],,,\n"
        "124,Tag,string[8],BADC,,\n"
        "128,Temperature,int16,,0.1,°C\n"
        "129,Status,bits,,,\n";
    testing::PollWindow w(testing::ReadDefinition(3, kBlock, 31, int(DisplayFormat::Hex)));
    ASSERT_GT(RegisterMapCommands::ImportFile(*w.doc, write("map.csv", map)), 0)
        << ui.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(w.model().rowTypes.size(), 13u);

    struct Cell {
        int item;
        const char* text;
    };
    const Cell cells[] = {
        {0, "-1234"},
        {1, "3000000000 kWh"},
        {2, ""},
        {3, "21.500000"},
        {5, "-3.250000"},
        {7, "1013.250000 hPa"},
        {9, "0.125000"},
        {11, "-1234567890123"},
        {12, ""},
        {15, "12345678901234567890"},
        {19, "2024"},
        {20, "ZQ-7781"},
        {24, "SN42"},
        {27, ""},
        {28, "23.5 °C"},
        {29, "1010 0000 0000 0101"},
        {30, "0x0391"},  // untyped: the window's format (holding 130 = 130 * 7 + 3)
    };
    const auto allShown = [&] {
        for (const Cell& c : cells)
            if (shown(w, c.item) != QString::fromUtf8(c.text))
                return false;
        return true;
    };
    (void)QTest::qWaitFor(allShown, kWaitMs);  // the checks below say which cell differs
    for (const Cell& c : cells)
        EXPECT_EQ(shown(w, c.item), QString::fromUtf8(c.text)) << "item " << c.item;
}

TEST_F(TypedRowsSlaveTest, ATypeGivenOrTakenWhilePollingShowsAtOnceAndTypedCellsGoStaleLikeOthers) {
    testing::PollWindow w(testing::ReadDefinition(3, kBlock, 10, int(DisplayFormat::Signed)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown(w, 3) == QStringLiteral("16812"); }, kWaitMs));
    RowType energy;
    energy.reading = {DecodeKind::Unsigned32, ByteOrder::ABCD};
    RowType temperature;
    temperature.reading = {DecodeKind::Float32, ByteOrder::ABCD};
    temperature.decimals = 1;
    temperature.unit = QStringLiteral("°C");
    ASSERT_TRUE(w.doc->SetRowTypes({kBlock + 1}, energy));
    ASSERT_TRUE(w.doc->SetRowTypes({kBlock + 3}, temperature));
    EXPECT_EQ(shown(w, 1), QStringLiteral("3000000000"));
    EXPECT_EQ(shown(w, 2), QString());
    EXPECT_EQ(shown(w, 3), QStringLiteral("21.5 °C"));
    EXPECT_TRUE(w.doc->IsModified());
    // An invalid type changes nothing.
    RowType bad = energy;
    bad.scale = 0;
    EXPECT_FALSE(w.doc->SetRowTypes({kBlock}, bad));
    EXPECT_EQ(shown(w, 0), QStringLiteral("-1234"));

    w.doc->MarkValuesStale();
    w.doc->RefreshValues(false);
    for (const int item : {0, 1, 3}) {
        int row = 0, column = 0;
        ASSERT_TRUE(w.model().CellOfItem(item, row, column));
        EXPECT_TRUE(w.doc->Grid()->model().itemState(row, column) & GVIS_STALE) << item;
    }
    // Taken away: the window's format again, also for the register it covered.
    ASSERT_TRUE(w.doc->SetRowTypes({kBlock + 1, kBlock + 3}, std::nullopt));
    EXPECT_EQ(shown(w, 1), QStringLiteral("-19760"));
    EXPECT_EQ(shown(w, 2), QStringLiteral("24064"));
    EXPECT_EQ(shown(w, 3), QStringLiteral("16812"));
}

TEST_F(TypedRowsSlaveTest, TheDataTypeDialogTypesTheSelectedRowsAndGivesThemBack) {
    testing::PollWindow w(testing::ReadDefinition(3, kBlock, 10, int(DisplayFormat::Signed)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown(w, 3) == QStringLiteral("16812"); }, kWaitMs));
    const auto select = [&](int first, int last) {
        int r0 = 0, c0 = 0, r1 = 0, c1 = 0;
        ASSERT_TRUE(w.model().CellOfItem(first, r0, c0) && w.model().CellOfItem(last, r1, c1));
        w.doc->Grid()->model().setSelectedRange(r0, c0, r1, c1);
    };
    // Four registers as Float (ABCD): two floats, the second reading 105..106.
    select(3, 6);
    EXPECT_TRUE(w.query(cmd::RowType).enabled);
    QString preview;
    bool okWithoutScale = true;
    ui.onModal<RowTypeDialog>([&](RowTypeDialog& d) {
        const auto readings = AllReadings();
        const auto at = std::find(readings.begin(), readings.end(),
                                  DecodeReading{DecodeKind::Float32, ByteOrder::ABCD});
        d.readingBox()->setCurrentIndex(int(at - readings.begin()));
        d.scaleEdit()->setText(QStringLiteral("0"));
        okWithoutScale = d.okButton()->isEnabled();
        d.scaleEdit()->setText(QStringLiteral("1"));
        d.decimalsBox()->setValue(1);
        d.unitEdit()->setText(QStringLiteral("°C"));
        preview = d.previewLabel()->text();
        d.okButton()->click();
        return d.result();
    });
    ASSERT_TRUE(w.view->SetTypeOfSelectedRows());
    EXPECT_FALSE(okWithoutScale);
    EXPECT_EQ(preview, QStringLiteral("21.5 °C"));
    EXPECT_EQ(w.model().rowTypes.size(), 2u);
    EXPECT_EQ(shown(w, 3), QStringLiteral("21.5 °C"));
    EXPECT_EQ(shown(w, 4), QString());
    EXPECT_TRUE(w.model().rowTypes.contains(kBlock + 5));

    // Cancel changes nothing; the display format back clears the rows.
    // The selection stays for the next change.
    EXPECT_EQ(w.view->SelectedDecodeItems(), (std::vector<int>{3, 4, 5, 6}));
    ui.clearModal();
    EXPECT_FALSE(w.view->SetTypeOfSelectedRows());
    EXPECT_EQ(w.model().rowTypes.size(), 2u);
    ui.onModal<RowTypeDialog>([](RowTypeDialog& d) {
        d.restoreButton()->click();
        return d.result();
    });
    ASSERT_TRUE(w.view->SetTypeOfSelectedRows());
    EXPECT_TRUE(w.model().rowTypes.empty());
    EXPECT_EQ(shown(w, 3), QStringLiteral("16812"));
}

TEST_F(TypedRowsSlaveTest, TheDecodeAssistantsApplyTypesTheRowWhereTheValueStartsAndNoOther) {
    testing::PollWindow w(testing::ReadDefinition(3, kBlock, 10, int(DisplayFormat::Signed)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown(w, 3) == QStringLiteral("16812"); }, kWaitMs));
    ASSERT_TRUE(w.doc->SetRowTypes({kBlock + 1}, RowTypeOfFormat(int(DisplayFormat::Hex))));
    // The pressure the slave holds as a byte-swapped float at 107..108.
    int row = 0, column = 0;
    ASSERT_TRUE(w.model().CellOfItem(7, row, column));
    w.doc->Grid()->model().setSelectedRange(row, column, row + 1, column);
    DecodeWindow* d = w.view->OpenDecodeWindow();
    ASSERT_NE(d, nullptr);
    d->Refresh();
    d->SetExpectation(QStringLiteral("1013.25"));
    ASSERT_TRUE(d->ApplyBest()) << d->Verdict().toStdString();
    ASSERT_EQ(w.model().rowTypes.size(), 2u);
    const RowType& applied = w.model().rowTypes.at(kBlock + 7);
    EXPECT_EQ(applied.reading, (DecodeReading{DecodeKind::Float32, ByteOrder::BADC}));
    EXPECT_EQ(shown(w, 7), QStringLiteral("1013.250000"));
    EXPECT_EQ(shown(w, 8), QString());
    // The other rows as they were: the window's format, the row typed before.
    EXPECT_EQ(shown(w, 0), QStringLiteral("-1234"));
    EXPECT_EQ(shown(w, 1), QStringLiteral("0xB2D0"));
    EXPECT_EQ(w.model().def.DisplayFormat, int(DisplayFormat::Signed));
    delete d;
}

}  // namespace
}  // namespace zentiq
