#include "documents/zqd_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "framework/settings_store.h"
#include "documents/file_bytes.h"
#include "documents/poll_document_model.h"
#include "support/row_type_samples.h"

namespace zentiq {
namespace {

using test::FileBytes;

constexpr quint32 kDef = 0xFF000000u;
// Version, ten integers, font record, "Courier New" (mark, count, 11 units),
// placement and 256 value bytes come before RowsDialog.
constexpr qsizetype kRowsDialogOffset = 4 + 40 + 28 + (4 + 2 * 11) + 44 + 256;

DocFont cellFont() {
    DocFont f;
    f.height = -9;
    f.weight = 400;
    f.outPrecision = 3;
    f.quality = 1;
    f.pitchAndFamily = 0x22;
    f.faceName = QStringLiteral("Mono");
    return f;
}

// A document of function 16 at address 3, length 12: blocks of 10 rows, two
// value columns, so the grid has 11 rows and 5 columns.
struct Sample {
    PollDocumentModel doc;
    GridLayoutData grid;

    Sample() {
        doc.def = {.Address = 3, .FunctionValue = 16, .Length = 12, .ScanRate = 500,
                   .SlaveID = 7, .bEnable = 0, .DisplayFormat = 2, .OneBased = 1,
                   .HideAlias = 1, .DisplayAddr = 1, .RowsDialog = 0};
        doc.font.height = -12;
        doc.font.weight = 700;
        doc.font.italic = 1;
        doc.font.outPrecision = 4;
        doc.font.clipPrecision = 0;
        doc.font.quality = 2;
        doc.font.pitchAndFamily = 33;
        doc.font.faceName = QStringLiteral("Courier New");
        doc.placement = {44, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110};
        for (int i = 0; i < PollDocumentModel::kValueBytes; ++i)
            doc.values[i] = static_cast<quint8>(i);
        const GridSize size = doc.ComputeGridSize();
        grid.reset(size.rows, size.columns);
        grid.columnWidths = {40, 80, 60, 0, 60};
        for (int r = 0; r < size.rows; ++r)
            grid.rowHeights[r] = r == 0 ? 20 : 16;
        for (GridCellData& c : grid.cells)
            c.font = cellFont();
        grid.cell(2, 1)->background = 0x00FF00;
        grid.cell(3, 2)->textColour = 0x0000FF;
        grid.cell(0, 1)->text = QStringLiteral("Alias");
        grid.cell(4, 1)->text = QString::fromUtf8("温度");
        grid.cell(1, 3)->text = QStringLiteral("Pump");
        grid.cell(1, 2)->text = QStringLiteral("value text is not stored");
        grid.scrollV = 2;
        grid.scrollH = 1;
        grid.focusRow = 4;
        grid.focusColumn = 2;
    }
};

// Cells of a grid whose cells all have default colours and cellFont(); texts
// by (row, column) for odd columns.
void appendCells(FileBytes& b, int columns, int rows,
                 const std::function<std::u16string(int, int)>& text,
                 const std::function<std::pair<quint32, quint32>(int, int)>& colours) {
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            const auto [bg, fg] = colours(r, c);
            b.i32(static_cast<qint32>(bg)).i32(static_cast<qint32>(fg));
            b.font(-9, 400, 0, 3, 1, 0x22, u"Mono");
            if (c % 2 == 1)
                b.wide(text(r, c));
        }
    }
}

QByteArray expectedSampleFile() {
    FileBytes b;
    b.i32(4201).i32(3).i32(16).i32(12).i32(500).i32(7).i32(2).i32(0).i32(1).i32(9).i32(0xFFFFFF);
    b.font(-12, 700, 1, 4, 2, 33, u"Courier New");
    b.placement(100);
    for (int i = 0; i < 256; ++i)
        b.u8(static_cast<std::uint8_t>(i));
    b.i32(0).i32(1).i32(4).i32(10);
    for (int w : {40, 80, 60, 0, 60})
        b.i32(w);
    b.i32(20);
    for (int r = 1; r < 11; ++r)
        b.i32(16);
    appendCells(
        b, 5, 11,
        [](int r, int c) -> std::u16string {
            if (c == 1 && r == 0) return u"Alias";
            if (c == 1 && r == 4) return u"温度";
            if (c == 3 && r == 1) return u"Pump";
            return u"";
        },
        [](int r, int c) {
            return std::pair{(r == 2 && c == 1) ? 0x00FF00u : kDef,
                             (r == 3 && c == 2) ? 0x0000FFu : kDef};
        });
    b.i32(2).i32(1).i32(1).i32(4).i32(2);
    return b.bytes();
}

// The fixed part every version shares, for hand-made older files.
FileBytes oldHeader(qint32 version, bool narrowFace = false) {
    FileBytes b;
    b.i32(version).i32(120).i32(1).i32(70).i32(250).i32(5).i32(1).i32(1).i32(0).i32(9).i32(0xFFFFFF);
    if (narrowFace)
        b.i32(-11).i32(0).i32(0).i32(0).i32(400).raw({0, 0, 0, 0, 4, 0, 2, 0x31}).narrow("Arial\xE9");
    else
        b.font(-11, 400, 0, 4, 2, 0x31, u"Arial");
    b.placement(200);
    return b;
}

void appendSmallGrid(FileBytes& b, qint32 rowsDialog, qint32 valueColumns, qint32 rowsPerColumn) {
    b.i32(rowsDialog).i32(0).i32(valueColumns).i32(rowsPerColumn);
    for (int c = 0; c <= valueColumns; ++c)
        b.i32(30 + c);
    for (int r = 0; r <= rowsPerColumn; ++r)
        b.i32(15);
    appendCells(
        b, valueColumns + 1, rowsPerColumn + 1,
        [](int r, int c) { return r == 1 && c == 1 ? u"first" : u""; },
        [](int, int) { return std::pair{kDef, kDef}; });
}

class ZqdFileTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    void writeFile(const QString& p, const QByteArray& bytes) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QTemporaryDir m_dir;
};

// ---- writing ---------------------------------------------------------------------

TEST_F(ZqdFileTest, SavedBytesMatchTheFileLayoutFieldByField) {
    Sample s;
    const QByteArray expected = expectedSampleFile();
    EXPECT_EQ(ZqdFile::Serialize(s.doc, s.grid).toHex().toStdString(), expected.toHex().toStdString());

    s.doc.focusRow = 1;
    s.doc.focusColumn = 2;
    ASSERT_TRUE(ZqdFile::Save(path("a.zqd"), s.doc, s.grid).ok());
    QFile f(path("a.zqd"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), expected);
    EXPECT_EQ(s.doc.focusRow, 4);
    EXPECT_EQ(s.doc.focusColumn, 2);
}

TEST_F(ZqdFileTest, SaveAndLoadGiveTheDocumentBack) {
    Sample s;
    ASSERT_TRUE(ZqdFile::Save(path("b.zqd"), s.doc, s.grid).ok());

    PollDocumentModel loaded;
    GridLayoutData grid;
    const ZqdResult r = ZqdFile::Load(path("b.zqd"), loaded, grid);
    ASSERT_TRUE(r.ok()) << r.message.toStdString();
    EXPECT_EQ(loaded.def, s.doc.def);
    EXPECT_EQ(loaded.font, s.doc.font);
    EXPECT_EQ(loaded.textColour, 9);
    EXPECT_EQ(loaded.reservedColour, 0xFFFFFF);
    EXPECT_EQ(loaded.placement, s.doc.placement);
    EXPECT_EQ(loaded.rowsPerColumn, 10);
    EXPECT_EQ(loaded.valueColumns, 4);
    for (int i = 0; i < PollDocumentModel::kValueBytes; ++i)
        ASSERT_EQ(loaded.values[i], i < 256 ? s.doc.values[i] : 0) << i;
    EXPECT_EQ(loaded.scrollV, 2);
    EXPECT_EQ(loaded.scrollH, 1);
    EXPECT_EQ(loaded.focusRow, 4);
    EXPECT_EQ(loaded.focusColumn, 2);

    GridLayoutData expected = s.grid;
    expected.cell(1, 2)->text.clear();  // only alias texts are stored
    EXPECT_EQ(grid, expected);
}

TEST_F(ZqdFileTest, OverlongTextsAreCutSoTheFileStillReadsBack) {
    Sample s;
    s.grid.cell(2, 3)->text = QString(ZqdFile::kMaxCellTextChars + 50, QChar(u'x'));
    s.doc.font.faceName = QString(40, QChar(u'F'));
    ZqdContents c;
    ASSERT_TRUE(ZqdFile::Parse(ZqdFile::Serialize(s.doc, s.grid), c).ok());
    EXPECT_EQ(c.grid.cell(2, 3)->text.size(), ZqdFile::kMaxCellTextChars);
    EXPECT_EQ(c.font.faceName, QString(31, QChar(u'F')));
}

// ---- older versions --------------------------------------------------------------

TEST_F(ZqdFileTest, Version3500SizesTheGridFromTheDefaultRowsSetting) {
    SettingsStore store(path("Zentiq.ini"));
    store.SetInt("PollDefinition", "RowsDialog", 2);  // 50 rows
    store.SetInt("PollDefinition", "HideAlias", 1);
    PollDocumentModel doc(store);
    GridLayoutData grid;
    grid.reset(3, 3);
    const GridLayoutData untouched = grid;

    ZqdContents c;
    ASSERT_TRUE(ZqdFile::Parse(oldHeader(3500, true).bytes(), c).ok());
    ZqdFile::Apply(c, doc, grid);
    EXPECT_EQ(doc.def.Address, 120);
    EXPECT_EQ(doc.def.FunctionValue, 1);
    EXPECT_EQ(doc.def.Length, 70);
    EXPECT_EQ(doc.def.ScanRate, 250);
    EXPECT_EQ(doc.def.SlaveID, 5);
    EXPECT_EQ(doc.def.DisplayFormat, 1);
    EXPECT_EQ(doc.def.bEnable, 1);
    EXPECT_EQ(doc.def.RowsDialog, 2);
    EXPECT_EQ(doc.def.HideAlias, 1);
    EXPECT_EQ(doc.font.faceName, QString::fromUtf8("Arialé"));
    EXPECT_EQ(doc.placement.left, 207);
    EXPECT_EQ(doc.rowsPerColumn, 50);
    EXPECT_EQ(doc.valueColumns, 4);  // 20 + 70 over blocks of 50
    EXPECT_EQ(grid, untouched);
}

TEST_F(ZqdFileTest, Version4000HasAGridButNoValues) {
    FileBytes b = oldHeader(4000);
    appendSmallGrid(b, 1, 6, 20);
    PollDocumentModel doc;
    doc.values.fill(0x55);
    doc.def.DisplayAddr = 1;
    doc.scrollV = 9;
    GridLayoutData grid;
    ASSERT_TRUE(ZqdFile::Load([&] {
                    const QString p = path("d.zqd");
                    writeFile(p, b.bytes());
                    return p;
                }(), doc, grid).ok());
    EXPECT_EQ(doc.def.RowsDialog, 1);
    EXPECT_EQ(doc.rowsPerColumn, 20);
    EXPECT_EQ(doc.valueColumns, 6);
    EXPECT_EQ(doc.values[0], 0x55);
    EXPECT_EQ(doc.values[1999], 0x55);
    EXPECT_EQ(doc.def.DisplayAddr, 1);  // not in this version
    EXPECT_EQ(doc.scrollV, 9);
    ASSERT_EQ(grid.columnCount(), 7);
    ASSERT_EQ(grid.rowCount(), 21);
    EXPECT_EQ(grid.columnWidths[6], 36);
    EXPECT_EQ(grid.cell(1, 1)->text, QStringLiteral("first"));
    EXPECT_EQ(grid.cell(20, 6)->font, cellFont());
}

TEST_F(ZqdFileTest, Version4200CarriesTheFirst256ValueBytes) {
    FileBytes b = oldHeader(4200);
    for (int i = 0; i < 256; ++i)
        b.u8(static_cast<std::uint8_t>(255 - i));
    appendSmallGrid(b, 0, 8, 10);
    PollDocumentModel doc;
    doc.values.fill(0x55);
    ZqdContents c;
    GridLayoutData grid;
    ASSERT_TRUE(ZqdFile::Parse(b.bytes(), c).ok());
    ZqdFile::Apply(c, doc, grid);
    EXPECT_EQ(doc.values[0], 255);
    EXPECT_EQ(doc.values[255], 0);
    EXPECT_EQ(doc.values[256], 0);  // the rest starts from zero
    EXPECT_EQ(doc.values[1999], 0);
    EXPECT_EQ(doc.valueColumns, 8);
    EXPECT_EQ(doc.focusRow, 1);
}

// ---- refused files ---------------------------------------------------------------

TEST_F(ZqdFileTest, UnknownVersionsReadNothingAndKeepTheDefaults) {
    for (qint32 version : {4100, 0, -1, 3501, 4203, 0x7FFFFFFF}) {
        SCOPED_TRACE(version);
        QByteArray bytes = expectedSampleFile();
        bytes.replace(0, 4, FileBytes().i32(version).bytes());
        const QString p = path("v.zqd");
        writeFile(p, bytes);
        PollDocumentModel doc;
        const PollDefinition before = doc.def;
        GridLayoutData grid;
        const ZqdResult r = ZqdFile::Load(p, doc, grid);
        EXPECT_EQ(r.status, ZqdStatus::UnknownVersion);
        EXPECT_EQ(r.message, QStringLiteral("文件格式错误"));
        EXPECT_EQ(doc.def, before);
        EXPECT_EQ(doc.valueColumns, 2);
        EXPECT_EQ(grid.columnCount(), 0);
    }
}

TEST_F(ZqdFileTest, EveryTruncationIsRefusedAndAppliesNothing) {
    const QByteArray full = expectedSampleFile();
    for (qsizetype n = 0; n < full.size(); ++n) {
        ZqdContents c;
        const ZqdResult r = ZqdFile::Parse(full.left(n), c);
        ASSERT_EQ(r.status, ZqdStatus::Damaged) << "prefix " << n;
        ASSERT_FALSE(r.message.isEmpty());
    }
    const QString p = path("short.zqd");
    writeFile(p, full.left(full.size() - 3));
    PollDocumentModel doc;
    GridLayoutData grid;
    EXPECT_EQ(ZqdFile::Load(p, doc, grid).status, ZqdStatus::Damaged);
    EXPECT_EQ(doc.def, PollDefinition());
    EXPECT_EQ(doc.values[5], 0);
    EXPECT_EQ(grid.columnCount(), 0);
}

TEST_F(ZqdFileTest, HostileCountsAndValuesAreRefused) {
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    std::vector<Case> cases;
    const auto grid4000 = [](qint32 valueColumns, qint32 rowsPerColumn) {
        FileBytes b = oldHeader(4000);
        b.i32(0).i32(0).i32(valueColumns).i32(rowsPerColumn);
        for (int i = 0; i < 64; ++i)
            b.i32(10);
        return b.bytes();
    };
    cases.push_back({"huge column count", grid4000(0x7FFFFFFF, 10)});
    cases.push_back({"negative column count", grid4000(-2, 10)});
    cases.push_back({"one column too many", grid4000(403, 10)});
    cases.push_back({"zero rows", grid4000(2, 0)});
    cases.push_back({"odd row count", grid4000(2, 7)});
    cases.push_back({"huge row count", grid4000(2, 0x7FFFFFFF)});
    {
        FileBytes b;
        b.i32(4201);
        for (int i = 0; i < 10; ++i)
            b.i32(1);
        b.i32(-10).i32(0).i32(0).i32(0).i32(400).raw({0, 0, 0, 0, 0, 0, 0, 0});
        b.u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).i32(-2);  // ~4 G characters of face name
        cases.push_back({"huge face name", b.bytes()});
    }
    {
        QByteArray bytes = expectedSampleFile();
        // First alias cell text: claim 9000 characters.
        const QByteArray alias = FileBytes().wide(u"Alias").bytes();
        const qsizetype at = bytes.indexOf(alias);
        bytes.replace(at, alias.size(), FileBytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(9000).bytes());
        cases.push_back({"huge cell text", bytes});
    }
    {
        QByteArray bytes = expectedSampleFile();
        // The first column width sits right after the four grid header integers.
        const qsizetype header = kRowsDialogOffset + 16;
        ASSERT_EQ(bytes.mid(header, 4), FileBytes().i32(40).bytes());
        bytes.replace(header, 4, FileBytes().i32(-1).bytes());
        cases.push_back({"negative width", bytes});
    }
    const auto withField = [](int index, qint32 value) {
        QByteArray bytes = expectedSampleFile();
        bytes.replace(4 * index, 4, FileBytes().i32(value).bytes());
        return bytes;
    };
    cases.push_back({"address", withField(1, 70000)});
    cases.push_back({"negative address", withField(1, -1)});
    cases.push_back({"function", withField(2, 7)});
    cases.push_back({"length for function 16", withField(3, 128)});
    cases.push_back({"slave", withField(5, 256)});
    cases.push_back({"display format", withField(6, 10)});
    cases.push_back({"enable flag", withField(7, 2)});
    {
        QByteArray bytes = expectedSampleFile();
        const qsizetype rowsDialog = kRowsDialogOffset;
        ASSERT_EQ(bytes.mid(rowsDialog, 4), FileBytes().i32(0).bytes());
        bytes.replace(rowsDialog, 4, FileBytes().i32(4).bytes());
        cases.push_back({"rows setting", bytes});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZqdContents contents;
        EXPECT_EQ(ZqdFile::Parse(c.bytes, contents).status, ZqdStatus::Damaged);
    }
}

TEST_F(ZqdFileTest, FuzzSeedFilesStayReadable) {
    const QString dir = QStringLiteral(ZENTIQ_SOURCE_DIR "/fuzz/corpus/zqd_load/");
    const std::pair<const char*, qint32> seeds[] = {
        {"v3500.zqd", 3500}, {"v4000.zqd", 4000}, {"v4201.zqd", 4201}, {"v4202.zqd", 4202}};
    for (const auto& [name, version] : seeds) {
        SCOPED_TRACE(name);
        QFile f(dir + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        ZqdContents c;
        const ZqdResult r = ZqdFile::Parse(f.readAll(), c);
        EXPECT_TRUE(r.ok()) << r.message.toStdString();
        EXPECT_EQ(c.version, version);
    }
}

// ---- row types (version 4202) ------------------------------------------------------

// A row-type section laid out field by field, and the types it holds.
struct SectionRow {
    qint32 address, kind, order, textRegisters;
    double scale, offset;
    std::u16string unit;
    qint32 decimals;
};
const std::vector<SectionRow> kSampleRows = {{5, 7, 1, 1, 0.1, -40, u"°C", 1},
                                             {20, 11, 2, 8, 1, 0, u"", -1}};
const RowTypes kSampleTypes = {
    {5, MakeRowType({DecodeKind::Float32, ByteOrder::CDAB}, 0.1, -40, "°C", 1)},
    {20, MakeRowType({DecodeKind::Text, ByteOrder::BADC}, 1, 0, "", -1, 8)}};

// The sample 4201 file as version 4202 with the section after it.
QByteArray sampleWithTypes(const std::vector<SectionRow>& rows,
                           std::optional<qint32> count = std::nullopt) {
    FileBytes b;
    b.i32(count.value_or(qint32(rows.size())));
    for (const SectionRow& r : rows)
        b.i32(r.address).i32(r.kind).i32(r.order).i32(r.textRegisters).f64(r.scale).f64(r.offset)
            .wide(r.unit).i32(r.decimals);
    return FileBytes().i32(4202).bytes() + expectedSampleFile().mid(4) + b.bytes();
}

TEST_F(ZqdFileTest, RowTypesOfEveryReadingSurviveSaveAndOpen) {
    Sample s;
    // Up to the last address there is.
    const std::vector<RowType> every = test::EveryRowType();
    s.doc.rowTypes = test::Spaced(every, 65536 - int(every.size()) * 66);
    ASSERT_TRUE(ZqdFile::Save(path("typed.zqd"), s.doc, s.grid).ok());
    PollDocumentModel loaded;
    loaded.rowTypes[7] = kSampleTypes.at(5);  // a file replaces what was there
    GridLayoutData grid;
    const ZqdResult r = ZqdFile::Load(path("typed.zqd"), loaded, grid);
    ASSERT_TRUE(r.ok()) << r.message.toStdString();
    EXPECT_EQ(loaded.rowTypes, s.doc.rowTypes);
    EXPECT_EQ(loaded.def, s.doc.def);
}

// What this program wrote is written back byte for byte after opening: files
// without row types as before them, files with them as 4202; a document
// that loses its types goes back to 4201.
TEST_F(ZqdFileTest, OpenedFilesAreWrittenBackByteForByte) {
    const auto open = [](const QByteArray& bytes, PollDocumentModel& doc, GridLayoutData& grid) {
        ZqdContents c;
        EXPECT_TRUE(ZqdFile::Parse(bytes, c).ok());
        ZqdFile::Apply(c, doc, grid);
    };
    QFile seed(QStringLiteral(ZENTIQ_SOURCE_DIR "/fuzz/corpus/zqd_load/v4202.zqd"));
    ASSERT_TRUE(seed.open(QIODevice::ReadOnly));
    const std::pair<const char*, QByteArray> files[] = {
        {"4201 laid out field by field", expectedSampleFile()},
        {"4202 laid out field by field", sampleWithTypes(kSampleRows)},
        {"4202 seed", seed.readAll()},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        PollDocumentModel doc;
        GridLayoutData grid;
        open(bytes, doc, grid);
        EXPECT_EQ(ZqdFile::Serialize(doc, grid).toHex().toStdString(), bytes.toHex().toStdString());
        if (doc.rowTypes.empty())
            continue;
        doc.rowTypes.clear();
        const QByteArray untyped = ZqdFile::Serialize(doc, grid);
        EXPECT_EQ(untyped.left(4), FileBytes().i32(4201).bytes());
        EXPECT_EQ(untyped.mid(4), bytes.mid(4, untyped.size() - 4));
    }
}

TEST_F(ZqdFileTest, DamagedRowTypeSectionsAreRefusedAndApplyNothing) {
    const auto changed = [](auto change) {
        std::vector<SectionRow> rows = kSampleRows;
        change(rows[0], rows[1]);
        return sampleWithTypes(rows);
    };
    const std::pair<const char*, QByteArray> cases[] = {
        {"negative count", sampleWithTypes(kSampleRows, -1)},
        {"count beyond the rows there", sampleWithTypes(kSampleRows, 3)},
        {"cut short", sampleWithTypes(kSampleRows).chopped(1)},
        {"addresses repeated", changed([](auto&, auto& b) { b.address = 5; })},
        {"address past 65535", changed([](auto&, auto& b) { b.address = 65536; })},
        {"unknown kind", changed([](auto& a, auto&) { a.kind = 12; })},
        {"unknown order", changed([](auto& a, auto&) { a.order = 4; })},
        {"text too long", changed([](auto&, auto& b) { b.textRegisters = 65; })},
        {"register count on a number", changed([](auto& a, auto&) { a.textRegisters = 5; })},
        {"text in word order", changed([](auto&, auto& b) { b.order = 1; })},
        {"16-bit value in word order", changed([](auto& a, auto&) { a.kind = 1; })},
        {"NaN scale", changed([](auto& a, auto&) { a.scale = std::nan(""); })},
        {"infinite offset", changed([](auto& a, auto&) { a.offset = -HUGE_VAL; })},
        {"too many decimals", changed([](auto& a, auto&) { a.decimals = 16; })},
        {"unit with a separator", changed([](auto& a, auto&) { a.unit = u"a,b"; })},
        {"unit too long", changed([](auto& a, auto&) { a.unit.assign(33, u'u'); })},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        writeFile(path("damaged.zqd"), bytes);
        PollDocumentModel doc;
        doc.rowTypes[7] = kSampleTypes.at(20);
        const RowTypes before = doc.rowTypes;
        GridLayoutData grid;
        const ZqdResult r = ZqdFile::Load(path("damaged.zqd"), doc, grid);
        EXPECT_EQ(r.status, ZqdStatus::Damaged);
        EXPECT_TRUE(r.message.contains(QStringLiteral("damaged"))) << r.message.toStdString();
        EXPECT_EQ(doc.rowTypes, before);
        EXPECT_EQ(doc.def, PollDefinition());
    }
    // The sound section reads as laid out.
    ZqdContents c;
    ASSERT_TRUE(ZqdFile::Parse(sampleWithTypes(kSampleRows), c).ok());
    EXPECT_EQ(c.rowTypes, kSampleTypes);
}

TEST_F(ZqdFileTest, MissingFilesAndFoldersAreIoErrors) {
    Sample s;
    EXPECT_EQ(ZqdFile::Load(path("absent.zqd"), s.doc, s.grid).status, ZqdStatus::IoError);
    const ZqdResult r = ZqdFile::Save(path("no/such/folder/c.zqd"), s.doc, s.grid);
    EXPECT_EQ(r.status, ZqdStatus::IoError);
    EXPECT_FALSE(r.message.isEmpty());
}

}  // namespace
}  // namespace zentiq
