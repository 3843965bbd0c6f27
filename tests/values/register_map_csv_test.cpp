// Register maps from CSV into a poll window's aliases and back: addresses in
// both styles, headers, bad files, the round trip of an export.
#include "values/register_map_csv.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstring>

#include <gtest/gtest.h>

#include "support/row_type_samples.h"

namespace zentiq {
namespace {

using Check = RegisterMapCsv::AddressCheck;

TEST(RegisterMapCsvTest, AddressesAsTheWindowShowsThem) {
    struct Case {
        const char* text;
        int function;
        int oneBased;
        Check check;
        int address;
    };
    const Case cases[] = {
        {"0", 3, 0, Check::Ok, 0},
        {" 99 ", 3, 0, Check::Ok, 99},
        {"65535", 4, 0, Check::Ok, 65535},
        {"65536", 4, 0, Check::OutOfRange, -1},
        {"99999999999", 3, 0, Check::OutOfRange, -1},
        {"40001", 3, 0, Check::Ok, 40001},  // protocol style has no table digit
        {"-1", 3, 0, Check::NotAnAddress, -1},
        {"Address", 3, 0, Check::NotAnAddress, -1},
        {"4x0001", 3, 0, Check::NotAnAddress, -1},
        {"1", 3, 1, Check::Ok, 0},
        {"0", 3, 1, Check::OutOfRange, -1},
        {"65536", 3, 1, Check::Ok, 65535},
        {"40001", 3, 1, Check::Ok, 0},
        {"40100", 16, 1, Check::Ok, 99},
        {"410000", 3, 1, Check::Ok, 9999},
        {"4x0100", 3, 1, Check::Ok, 99},
        {"4X09999", 6, 1, Check::Ok, 9998},
        {"30001", 4, 1, Check::Ok, 0},
        {"1x0005", 2, 1, Check::Ok, 4},
        {"00017", 1, 1, Check::Ok, 16},
        {"3x0001", 3, 1, Check::OtherTable, -1},
        {"300001", 3, 1, Check::OtherTable, -1},
        {"4x", 3, 1, Check::NotAnAddress, -1},
        {"4x00a1", 3, 1, Check::NotAnAddress, -1},
        {"17", 1, 1, Check::Ok, 16},
    };
    for (const Case& c : cases) {
        int address = -1;
        EXPECT_EQ(RegisterMapCsv::ParseAddress(c.text, c.function, c.oneBased, address), c.check) << c.text;
        if (c.check == Check::Ok) {
            EXPECT_EQ(address, c.address) << c.text;
        }
    }
}

RegisterMapCsv::Parsed parse(const QByteArray& bytes, int function = 3, int oneBased = 0,
                             int displayFormat = -1) {
    return RegisterMapCsv::Parse(CsvText::Parse(bytes), function, oneBased, displayFormat);
}

TEST(RegisterMapCsvTest, HeadersPlaceTheColumnsAndUnitsGoBesideTheName) {
    struct Case {
        QByteArray bytes;
        int oneBased;
        std::vector<std::pair<int, QString>> entries;  // address, alias
    };
    const Case cases[] = {
        // No header: address, name, type, unit, description. Without a
        // type the unit goes beside the name.
        {"10,Voltage,,V,L1\n11,Current", 0, {{10, "Voltage [V]"}, {11, "Current"}}},
        {"Address,Name,Type,Unit,Description\n10,Voltage,,,\n", 0, {{10, "Voltage"}}},
        // Columns found by their names, in any order, extra ones ignored.
        {"Description;Unit;Name;Register;Scale\nmains;V;Spannung;40011;0.1\n", 1, {{10, "Spannung [V]"}}},
        {"地址,名称,单位\n40001,电压,V\n", 1, {{0, "电压 [V]"}}},
        // A header in words of its own: the columns go by their order.
        {"Reg,Label\n5,Speed\n", 0, {{5, "Speed"}}},
        // Rows without a name leave the alias alone; blank rows are skipped.
        {"1,\n2,Two\n,,\n\n", 0, {{2, "Two"}}},
    };
    for (const Case& c : cases) {
        const RegisterMapCsv::Parsed p = parse(c.bytes, 3, c.oneBased);
        ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
        std::vector<std::pair<int, QString>> got;
        for (const RegisterMapCsv::Entry& e : p.entries)
            got.emplace_back(e.address, e.name);
        EXPECT_EQ(got, c.entries) << c.bytes.toStdString();
    }
}

TEST(RegisterMapCsvTest, BadFilesSayWhyAndGiveNothing) {
    struct Case {
        QByteArray bytes;
        const char* says;
    };
    const Case cases[] = {
        {"", "没有寄存器"},
        {"10\n11\n", "第 1 行有 1 列"},
        {"10,a,b,c,d,e,f\n", "第 1 行有 7 列"},
        {"Name,Unit\nx,V\n", "缺少"},
        {"Address,Name\n10,ok\n70000,too far\n", "第 3 行：地址 70000 超出范围（0 到 65535）"},
        {"10,ok\nabc,no address\n", "第 2 行：“abc”不是地址"},
        {QByteArray("10,ok\n11,b\0\0", 12), "二进制"},
        {"10,\"open\n", "第 1 行的引号没有结束"},
    };
    for (const Case& c : cases) {
        const RegisterMapCsv::Parsed p = parse(c.bytes);
        EXPECT_TRUE(p.error.contains(QString::fromUtf8(c.says))) << p.error.toStdString();
        EXPECT_TRUE(p.entries.empty()) << c.bytes.toStdString();
    }
    EXPECT_TRUE(parse("0,zero\n", 3, 1).error.contains(QString::fromUtf8("超出范围（1 到 65536）")));
}

TEST(RegisterMapCsvTest, EntriesOutsideThePollAreListedAndTheLastOfAnAddressWins) {
    const RegisterMapCsv::Parsed p =
        parse("Address,Name\n9,before\n10,first\n12,old\n12,new\n14,after\n", 3, 0);
    ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
    const RegisterMapCsv::Placement placed = RegisterMapCsv::Place(p.entries, 10, 4);
    EXPECT_EQ(placed.aliases, (std::vector<std::pair<int, QString>>{{0, "first"}, {2, "new"}}));
    ASSERT_EQ(placed.outside.size(), 2u);
    EXPECT_EQ(placed.outside[0].line, 2);
    EXPECT_EQ(placed.outside[1].addressText, "14");
    // In PLC style an address of another table is listed too.
    const RegisterMapCsv::Parsed plc = parse("3x0001,input\n40011,holding\n", 3, 1);
    ASSERT_TRUE(plc.error.isEmpty()) << plc.error.toStdString();
    const RegisterMapCsv::Placement placedPlc = RegisterMapCsv::Place(plc.entries, 10, 4);
    EXPECT_EQ(placedPlc.aliases, (std::vector<std::pair<int, QString>>{{0, "holding"}}));
    ASSERT_EQ(placedPlc.outside.size(), 1u);
    EXPECT_EQ(placedPlc.outside[0].addressText, "3x0001");
}

// The import reads a file record by record and keeps only what the window
// and its message need: it must answer as Parse and Place do.
TEST(RegisterMapCsvTest, AnImportAnswersAsParseAndPlaceAndKeepsOnlyTheListedRowsOutside) {
    QTemporaryDir dir;
    const QString path = dir.filePath("map.csv");
    const auto write = [&path](const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    };
    constexpr std::size_t kListed = 2;
    const QByteArray cases[] = {
        "Address,Name\n9,before\n10,first\n12,old\n12,new\n14,after\n15,x\n16,y\n",
        "Description;Unit;Name;Register\nmains;V;Spannung;11\n;;;\n;;unnamed;12\n",
        "1,\n2,Two\n,,\n\n",
        "",
        "\n\n",
        "Name,Unit\nx,V\n",
        "10,ok\nabc,no address\n",
        "10,ok\n70000,far\n",
        "10\n11\n",
        // A fault of the file itself is said before that of an earlier row.
        "10,ok\nabc,no address\n11,\"open\n",
        "10,ok\n11,b\x01\n",
        "10,ok\n11," + QByteArray(CsvText::kMaxRecordChars, 'x') + "\n",
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.left(60).toStdString());
        write(bytes);
        const RegisterMapCsv::Parsed parsed = parse(bytes);
        const RegisterMapCsv::Placement placed = RegisterMapCsv::Place(parsed.entries, 10, 4);
        const RegisterMapCsv::Imported imported = RegisterMapCsv::Import(path, 3, 0, 10, 4, kListed);
        EXPECT_EQ(imported.error, parsed.error);
        EXPECT_EQ(imported.named, parsed.entries.size());
        EXPECT_EQ(imported.placement.aliases, placed.aliases);
        EXPECT_EQ(imported.placement.outsideCount, placed.outside.size());
        ASSERT_EQ(imported.placement.outside.size(), std::min(kListed, placed.outside.size()));
        for (std::size_t i = 0; i < imported.placement.outside.size(); ++i)
            EXPECT_EQ(imported.placement.outside[i].line, placed.outside[i].line);
    }
    EXPECT_TRUE(RegisterMapCsv::Import(dir.filePath("missing.csv"), 3, 0, 0, 1, 1)
                    .error.contains(QString::fromUtf8("无法打开")));

    // A device's whole map into a window of four registers: every row is
    // read and counted, and only the listed ones are kept.
    QByteArray whole = "Address,Name\n";
    for (int i = 0; i < 65536; ++i)
        whole += QByteArray::number(i) + ",r" + QByteArray::number(i) + "\n";
    write(whole);
    const RegisterMapCsv::Imported imported = RegisterMapCsv::Import(path, 3, 0, 100, 4, kListed);
    ASSERT_TRUE(imported.error.isEmpty()) << imported.error.toStdString();
    EXPECT_EQ(imported.named, 65536u);
    EXPECT_EQ(imported.placement.aliases.size(), 4u);
    EXPECT_EQ(imported.placement.aliases.back(), (std::pair<int, QString>{3, "r103"}));
    EXPECT_EQ(imported.placement.outsideCount, 65532u);
    EXPECT_EQ(imported.placement.outside.size(), kListed);
}

TEST(RegisterMapCsvTest, AnExportReadsBackToTheSameAliasesInBothAddressStyles) {
    std::array<std::uint8_t, 2000> values{};
    const float f = -1.5f;
    std::memcpy(values.data(), &f, sizeof f);
    const QStringList aliases{"=cmd()", "Strom, L1", "say \"hi\"", "", "'-x", "电压"};
    for (const int oneBased : {0, 1}) {
        const LogLine::Poll poll{99, oneBased, 3, 6, 4, values};
        const QByteArray bytes = RegisterMapCsv::Export(poll, [&](int i) { return aliases.value(i); });
        const QStringList lines = QString::fromUtf8(bytes).split("\r\n");
        EXPECT_EQ(lines.value(0), "Address,Name,Type,Order,Scale,Offset,Unit,Decimals,Description,Value");
        EXPECT_EQ(lines.value(1), oneBased ? "40100,'=cmd(),Float,,,,,,,-1.500000" : "99,'=cmd(),Float,,,,,,,-1.500000");
        EXPECT_EQ(lines.value(2), oneBased ? "40101,\"Strom, L1\",,,,,,,," : "100,\"Strom, L1\",,,,,,,,");

        const RegisterMapCsv::Parsed back = parse(bytes, 3, oneBased);
        ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
        const RegisterMapCsv::Placement placed = RegisterMapCsv::Place(back.entries, 99, 6);
        EXPECT_TRUE(placed.outside.empty());
        std::vector<std::pair<int, QString>> expected;
        for (int i = 0; i < aliases.size(); ++i)
            if (!aliases[i].isEmpty())
                expected.emplace_back(i, aliases[i]);
        EXPECT_EQ(placed.aliases, expected);
    }
    // Coils are bits, whatever the display format says.
    values[0] = 1;
    const QByteArray coils = RegisterMapCsv::Export({0, 1, 1, 1, 4, values}, {});
    EXPECT_EQ(QString::fromUtf8(coils).split("\r\n").value(1), "00001,,Bit,,,,,,,1");
}

// ---- row types ------------------------------------------------------------------

RowType rt(DecodeKind kind, ByteOrder order = ByteOrder::ABCD, double scale = 1,
           double offset = 0, const char* unit = "", int decimals = -1) {
    return MakeRowType({kind, order}, scale, offset, unit, decimals);
}
RowType text(int registers) { return MakeRowType({DecodeKind::Text}, 1, 0, "", -1, registers); }

using Types = std::vector<std::pair<int, std::optional<RowType>>>;

// What a map says about the types of its rows, by address.
Types typesOf(const RegisterMapCsv::Parsed& parsed) {
    return RegisterMapCsv::Place(parsed.entries, 0, 65536).types;
}

TEST(RegisterMapCsvTest, TypeColumnsGiveTheRowsTheirTypesAndTheUnitLeavesTheAlias) {
    struct Case {
        const char* what;
        QByteArray bytes;
        int function;
        int displayFormat;
        Types types;  // by protocol address
        std::vector<std::pair<int, QString>> aliases;  // address, alias
    };
    const Case cases[] = {
        {"English header, any order of columns, words of manuals",
         "Unit,Decimals,Offset,Scale,Order,Type,Name,Address\n"
         "V,1,,0.1,,INT16,Voltage,10\n"
         "kWh,,,,word swap,UDINT,Energy,11\n"
         ",,,,,REAL,Power,13\n"
         ",,,,,STRING[16],Serial,20\n",
         3, 0,
         {{10, rt(DecodeKind::Signed16, ByteOrder::ABCD, 0.1, 0, "V", 1)},
          {11, rt(DecodeKind::Unsigned32, ByteOrder::CDAB, 1, 0, "kWh")},
          {13, rt(DecodeKind::Float32)},
          {20, text(8)}},
         {{10, "Voltage"}, {11, "Energy"}, {13, "Power"}, {20, "Serial"}}},
        {"Chinese header, decimal comma, byte-swapped orders",
         "地址;名称;类型;字节序;倍率;偏移;单位;小数位\n"
         "40001;温度;浮点;BADC;0,5;-40;°C;2\n"
         "40003;计数;uint64;DCBA;;;;\n"
         "40007;状态;二进制;;;;;\n",
         3, 0,
         {{0, rt(DecodeKind::Float32, ByteOrder::BADC, 0.5, -40, "°C", 2)},
          {2, rt(DecodeKind::Unsigned64, ByteOrder::DCBA)},
          {6, rt(DecodeKind::Binary16)}},
         {{0, "温度"}, {2, "计数"}, {6, "状态"}}},
        {"Texts without a length run to the next address of the map, at most 64, or 1 at the end",
         "Address,Name,Type\n0,a,text\n5,,\n6,b,string\n200,c,ascii\n300,d,string\n",
         3, 0,
         {{0, text(5)}, {6, text(RowType::kMaxTextRegisters)}, {200, text(RowType::kMaxTextRegisters)},  // 100 to the next
          {300, text(1)}},
         {{0, "a"}, {6, "b"}, {200, "c"}, {300, "d"}}},
        {"The window's own format name alone is no type; other words of it are",
         "Address,Name,Type,Order,Unit\n1,a,Signed,,\n2,b,int16,,\n3,c,signed,,V\n4,d,Float,,\n"
         "6,e,Signed,ABCD,\n",
         3, 0,
         {{1, std::nullopt},
          {2, rt(DecodeKind::Signed16)},
          {3, rt(DecodeKind::Signed16, ByteOrder::ABCD, 1, 0, "V")},
          {4, rt(DecodeKind::Float32, ByteOrder::CDAB)},
          {6, rt(DecodeKind::Signed16)}},
         {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {6, "e"}}},
        {"Bits, empty types and unnamed untyped rows: no type, the unit beside the name",
         "Address,Name,Type,Unit\n1,coil,Bit,\n2,level,,m\n3,,,\n",
         3, -1,
         {{1, std::nullopt}, {2, std::nullopt}},
         {{1, "coil"}, {2, "level [m]"}}},
        {"Coil windows ignore the type as they always did",
         "Address,Name,Type,Unit\n1,pump,float,V\n2,valve,nonsense,\n",
         1, 0, {}, {{1, "pump [V]"}, {2, "valve"}}},
        {"Maps without a type column leave the types alone; a scale alone counts for nothing",
         "Address,Name,Unit,Scale\n1,a,V,0.1\n",
         3, 0, {}, {{1, "a [V]"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int oneBased = c.bytes.contains("40001") ? 1 : 0;
        const RegisterMapCsv::Parsed p = parse(c.bytes, c.function, oneBased, c.displayFormat);
        ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
        EXPECT_EQ(typesOf(p), c.types);
        std::vector<std::pair<int, QString>> aliases;
        for (const RegisterMapCsv::Entry& e : p.entries)
            if (!e.name.isEmpty())
                aliases.emplace_back(e.address, e.name);
        EXPECT_EQ(aliases, c.aliases);
    }
}

TEST(RegisterMapCsvTest, BadTypeColumnsRefuseTheWholeMapWithTheirLine) {
    const QByteArray head = "Address,Name,Type,Order,Scale,Offset,Unit,Decimals\n1,fine,int16,,,,,\n";
    const std::pair<QByteArray, const char*> cases[] = {
        {"2,x,quaternion,,,,,", "第 3 行：不认识的类型“quaternion”"},
        {"2,x,float,sideways,,,,", "第 3 行：不认识的字节序“sideways”"},
        {"2,x,float,,ten,,,", "第 3 行：倍率“ten”"},
        {"2,x,float,,,1e999,,", "第 3 行：偏移“1e999”"},
        {"2,x,float,,,,,16", "第 3 行：小数位“16”"},
        {"2,x,hex,,2,,,", "第 3 行：类型“hex”的值不能有倍率"},
        {"2,x,string[200],,,,,", "第 3 行：文本“string[200]”太长：最多 128 个字符"},
        {"2,x,float,,,,\"a;b\",", "第 3 行：单位“a;b”"},
    };
    for (const auto& [row, says] : cases) {
        const RegisterMapCsv::Parsed p = parse(head + row + "\n3,after,int16,,,,,\n");
        EXPECT_TRUE(p.error.contains(QString::fromUtf8(says))) << p.error.toStdString();
        EXPECT_TRUE(p.entries.empty());
    }
}

// An export of typed rows written back: every reading, scaled, with units and
// texts of several lengths, among untyped rows, in both address styles.
TEST(RegisterMapCsvTest, AnExportImportsBackToTheSameTypesAndAliases) {
    const RowTypes types = test::Spaced(test::EveryRowType(), 100);
    const int length = types.rbegin()->first + types.rbegin()->second.Registers() + 2 - 99;
    std::array<std::uint8_t, 2000> values{};
    std::array<std::uint16_t, 1000> words{};
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = std::uint16_t(0x4130 + 7 * i);
    for (const int displayFormat : {0, 4}) {
        for (const int oneBased : {0, 1}) {
            SCOPED_TRACE(displayFormat * 10 + oneBased);
            LogLine::Poll poll{99, oneBased, 3, length, displayFormat, values};
            poll.words = words;
            poll.rowTypes = &types;
            const auto aliasOf = [](int item) {
                return item % 3 == 0 ? QStringLiteral("r%1").arg(item) : QString();
            };
            const QByteArray bytes = RegisterMapCsv::Export(poll, aliasOf);
            // A typed value is written without its unit, which has a column
            // (address 102: the second sample, unsigned with "kWh").
            const QStringList withUnit =
                QString::fromUtf8(bytes).split("\r\n").value(1 + 102 - 99).split(',');
            EXPECT_EQ(withUnit.value(6), "kWh");
            EXPECT_EQ(withUnit.value(9), QString::number(words[102 - 99]));

            const RegisterMapCsv::Parsed back = parse(bytes, 3, oneBased, displayFormat);
            ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
            const RegisterMapCsv::Placement placed = RegisterMapCsv::Place(back.entries, 99, length);
            EXPECT_TRUE(placed.outside.empty());
            RowTypes got;
            for (const auto& [address, type] : placed.types)
                if (type)
                    got[address] = *type;
            EXPECT_EQ(got, types);
            std::vector<std::pair<int, QString>> expected;
            for (int i = 0; i < length; ++i)
                if (!aliasOf(i).isEmpty())
                    expected.emplace_back(i, aliasOf(i));
            EXPECT_EQ(placed.aliases, expected);
        }
    }
}

}  // namespace
}  // namespace zentiq
