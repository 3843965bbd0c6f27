#include "documents/doc_font.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include "documents/binary_io.h"
#include "documents/file_bytes.h"
#include "documents/grid_layout_bridge.h"
#include "grid/grid_model.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

using test::FileBytes;

QGuiApplication& app() { return zentiq::testing::EnsureQApplication(); }

class DocFontTest : public ::testing::Test {
protected:
    void SetUp() override { app(); }
};

DocFont everyField() {
    DocFont f;
    f.height = -13;
    f.width = 5;
    f.escapement = 900;
    f.orientation = -900;
    f.weight = 600;
    f.italic = 1;
    f.underline = 1;
    f.strikeOut = 1;
    f.charSet = 134;
    f.outPrecision = 4;
    f.clipPrecision = 2;
    f.quality = 5;
    f.pitchAndFamily = 0x31;
    f.faceName = QString::fromUtf8("宋体");
    return f;
}

TEST_F(DocFontTest, RecordLayoutAndRoundTrip) {
    BinaryWriter w;
    everyField().write(w);
    EXPECT_EQ(w.data(), FileBytes()
                            .i32(-13).i32(5).i32(900).i32(-900).i32(600)
                            .raw({1, 1, 1, 134, 4, 2, 5, 0x31})
                            .wide(u"宋体")
                            .bytes());
    BinaryReader r(w.data());
    DocFont back;
    ASSERT_TRUE(back.read(r));
    EXPECT_EQ(back, everyField());
}

TEST_F(DocFontTest, FaceNamesAreCutToThirtyOneCharacters) {
    const QByteArray bytes = FileBytes()
                                 .font(-10, 400, 0, 4, 2, 33,
                                       u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij")
                                 .font(-10, 400, 0, 4, 2, 33, std::u16string(u"Ari\0al", 6))
                                 .bytes();
    BinaryReader r(bytes);
    DocFont f;
    ASSERT_TRUE(f.read(r));
    EXPECT_EQ(f.faceName, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcde"));
    ASSERT_TRUE(f.read(r));
    EXPECT_EQ(f.faceName, QStringLiteral("Ari"));
}

TEST_F(DocFontTest, ShortRecordLeavesTheFontUntouched) {
    const QByteArray full = FileBytes().font(-10, 700, 1, 4, 2, 33, u"Arial").bytes();
    for (qsizetype n : {qsizetype(0), qsizetype(27), qsizetype(28), full.size() - 1}) {
        BinaryReader r(full.left(n));
        DocFont f = everyField();
        EXPECT_FALSE(f.read(r)) << n;
        EXPECT_EQ(f, everyField());
    }
}

TEST_F(DocFontTest, ConvertsToAndFromQFont) {
    DocFont f;
    f.height = -10;
    f.weight = 700;
    f.italic = 1;
    f.strikeOut = 1;
    f.faceName = QStringLiteral("Courier New");
    const QFont q = f.toQFont();
    EXPECT_EQ(q.pointSize(), 10);
    EXPECT_EQ(q.weight(), QFont::Bold);
    EXPECT_TRUE(q.italic());
    EXPECT_FALSE(q.underline());
    EXPECT_TRUE(q.strikeOut());
    EXPECT_EQ(q.family(), QStringLiteral("Courier New"));

    DocFont plain;
    plain.weight = 0;  // "don't care" weight
    EXPECT_EQ(plain.toQFont().weight(), QFont::Normal);

    QFont other(QStringLiteral("DejaVu Sans"), 14, QFont::Normal, false);
    other.setUnderline(true);
    const DocFont back = DocFont::fromQFont(other, everyField());
    EXPECT_EQ(back.height, -14);
    EXPECT_EQ(back.weight, 400);
    EXPECT_EQ(back.italic, 0);
    EXPECT_EQ(back.underline, 1);
    EXPECT_EQ(back.strikeOut, 0);
    EXPECT_EQ(back.faceName, QStringLiteral("DejaVu Sans"));
    // Fields QFont has no notion of come from the base record.
    EXPECT_EQ(back.charSet, 134);
    EXPECT_EQ(back.quality, 5);
    EXPECT_EQ(back.escapement, 900);
}

TEST_F(DocFontTest, GridLayoutCapturedFromOneGridRebuildsAnother) {
    CGridModel source(11, 5, 1, 1);
    source.setColumnWidth(3, 0);
    source.setColumnWidth(2, 77);
    source.setRowHeight(4, 33);
    source.setItemBkColour(2, 1, 0x00FF00);
    source.setItemFgColour(5, 4, 0x0000FF);
    DocFont bold;
    bold.height = -12;
    bold.weight = 700;
    bold.faceName = QStringLiteral("Courier New");
    source.setItemFont(6, 3, bold.toQFont());
    source.setItemText(1, 1, QStringLiteral("Pump"));
    source.setItemText(2, 2, QStringLiteral("123"));
    source.setFocusCell(3, 4);

    const GridLayoutData captured = CaptureGridLayout(source, DocFont(), 7, 8);
    EXPECT_EQ(captured.rowCount(), 11);
    EXPECT_EQ(captured.columnCount(), 5);
    EXPECT_EQ(captured.columnWidths[3], 0);
    EXPECT_EQ(captured.columnWidths[2], 77);
    EXPECT_EQ(captured.cell(2, 1)->background, 0x00FF00u);
    EXPECT_EQ(captured.cell(2, 2)->background, 0xFF000000u);
    EXPECT_EQ(captured.cell(6, 3)->font.weight, 700);
    EXPECT_EQ(captured.cell(6, 3)->font.height, -12);
    EXPECT_EQ(captured.scrollV, 7);
    EXPECT_EQ(captured.focusRow, 3);
    EXPECT_EQ(captured.focusColumn, 4);

    CGridModel target(2, 2, 1, 1);
    ApplyGridLayout(captured, target);
    EXPECT_FALSE(target.isModified());
    EXPECT_EQ(target.rowCount(), 11);
    EXPECT_EQ(target.columnWidth(2), 77);
    EXPECT_EQ(target.rowHeight(4), 33);
    EXPECT_EQ(target.itemText(1, 1), QStringLiteral("Pump"));
    EXPECT_EQ(target.itemText(2, 2), QString());  // value texts are not carried
    EXPECT_EQ(target.itemFgColour(5, 4), 0x0000FFu);
    EXPECT_EQ(target.itemFont(6, 3).weight(), QFont::Bold);
    GridLayoutData again = CaptureGridLayout(target, DocFont(), 7, 8);
    again.focusRow = captured.focusRow;
    again.focusColumn = captured.focusColumn;
    for (int c = 0; c < 5; c += 2)
        for (int r = 0; r < 11; ++r)
            again.cell(r, c)->text = captured.cell(r, c)->text;
    EXPECT_EQ(again, captured);
}

}  // namespace
}  // namespace zentiq
