#include "app/workspace_file.h"

#include <csignal>
#include <cstring>
#include <tuple>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace zentiq {
namespace {

using WF = WorkspaceFile;

// Expected file bytes, assembled field by field apart from the codec.
struct Bytes {
    QByteArray b;
    Bytes& i32(qint32 v) { return u16(static_cast<quint32>(v) & 0xFFFF).u16(static_cast<quint32>(v) >> 16); }
    Bytes& u16(quint32 v) {
        b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8 & 0xFF));
        return *this;
    }
    Bytes& raw(const QByteArray& x) { b.append(x); return *this; }
    Bytes& zeros(int n) { return raw(QByteArray(n, '\0')); }
    Bytes& wide(const QString& s) {  // 0xFF, 0xFFFE, one-byte count, UTF-16LE
        raw(QByteArray("\xFF\xFE\xFF", 3)).b.append(static_cast<char>(s.size()));
        for (QChar c : s) u16(c.unicode());
        return *this;
    }
    Bytes& placement(qint32 first) { for (int k = 0; k < 11; ++k) i32(first + k); return *this; }
    Bytes& oldRecord(qint32 first, const QByteArray& path) {  // path as 8-bit text at 300
        return placement(first).zeros(256).raw(path.leftJustified(260, '\0', true));
    }
    // A whole 92-byte block as Sample() has it, with its own port numbers.
    Bytes& block92(qint32 port, qint32 servicePort, qint32 connected, qint32 serial) {
        for (qint32 v : {port, 8, 0, 1, 1, 1234, 1, 0, 1, 1, 9, servicePort, connected}) i32(v);
        return zeros(16).zeros(4).i32(20).i32(1).i32(serial).i32(2500).zeros(4);
    }
    Bytes& block72(qint32 port, qint32 connected, const QByteArray& legacy) {
        for (qint32 v : {port, 4, 0, 1, 1, 700, 1, 0, 1, 1, 5, 1502, connected}) i32(v);
        return raw(legacy.leftJustified(16, '\0', true)).zeros(4);
    }
};

WF::Placement MakePlacement(qint32 f) {
    return {f, f + 1, f + 2, f + 3, f + 4, f + 5, f + 6, f + 7, f + 8, f + 9, f + 10};
}

ConnectionSettings Current() {
    ConnectionSettings s;
    s.DelayBetweenPolls = 77;
    s.Echo = 1;
    s.ConnectionTimeout = 4500;
    return s;
}

WF::Contents Sample() {
    WF::Contents c;
    c.settings = {.Serial = 1, .Port = 3, .BaudRate = 8, .DataBits = 0, .Parity = 1, .StopBits = 1,
                  .Timeout = 1234, .DTRDSR = 1, .RTSCTS = 0, .RTS = 1, .CLRRTSDelay = 9, .RTU_ASCII = 1,
                  .IPAddress = "192.168.1.20", .ServicePort = 1502, .ConnectionTimeout = 2500,
                  .DelayBetweenPolls = 20, .Echo = 1};
    c.connected = true;
    for (int k = 0; k < 16; ++k) c.legacyAddress[static_cast<size_t>(k)] = static_cast<std::uint8_t>(0xA0 + k);
    c.mainFrame = MakePlacement(100);
    c.documents = {{MakePlacement(200), "pump.zqd"}, {MakePlacement(300), "/srv/plant/tank 2.zqd"}};
    return c;
}

QByteArray SampleBytes() {
    Bytes x;
    x.i32(4200);
    for (qint32 v : {3, 8, 0, 1, 1, 1234, 1, 0, 1, 1, 9, 1502, 1}) x.i32(v);
    for (int k = 0; k < 16; ++k) x.b.append(static_cast<char>(0xA0 + k));
    x.zeros(4).i32(20).i32(1).i32(1).i32(2500).zeros(4).wide("192.168.1.20").placement(100);
    x.placement(200).zeros(516).wide("pump.zqd");
    x.placement(300).zeros(516).wide("/srv/plant/tank 2.zqd");
    return x.b;
}

// Runs `save` while the kernel refuses file content beyond `limit` bytes.
template <typename F>
auto WithFileSizeLimit(rlim_t limit, F save) {
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    auto result = save();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

TEST(WorkspaceFileTest, Version4200IsWrittenFieldByFieldAndReadBack) {
    const QByteArray expected = SampleBytes();
    ASSERT_EQ(expected.size(), 4 + 92 + 28 + 44 + 2 * 560 + 20 + 46);
    EXPECT_EQ(WF::Encode(Sample()), expected);

    WF::Contents c;
    ASSERT_EQ(WF::Decode(expected, Current(), &c), WF::Status::Ok);
    const ConnectionSettings& s = c.settings;
    EXPECT_EQ(std::tie(s.Port, s.BaudRate, s.Parity, s.Timeout, s.RTU_ASCII, s.CLRRTSDelay, s.ServicePort),
              std::make_tuple(3, 8, 1, 1234, 1, 9, 1502));
    EXPECT_EQ(std::tie(s.DelayBetweenPolls, s.Echo, s.Serial, s.ConnectionTimeout), std::make_tuple(20, 1, 1, 2500));
    EXPECT_EQ(s.IPAddress, "192.168.1.20");
    EXPECT_TRUE(c.connected);
    EXPECT_EQ(c.legacyAddress, Sample().legacyAddress);
    ASSERT_EQ(c.documents.size(), 2);
    EXPECT_EQ(c.documents[0].placement, MakePlacement(200));
    EXPECT_EQ(c.documents[1].storedPath, QStringLiteral("/srv/plant/tank 2.zqd"));
    EXPECT_EQ(WF::Encode(c), expected) << "written back unchanged, legacy address included";
}

TEST(WorkspaceFileTest, ByteOrderMarksBeforeTheHostAreDroppedSoThatSavingAgainKeepsIt) {
    QByteArray bytes = SampleBytes();
    const QByteArray host = Bytes().wide("192.168.1.20").b;
    const QByteArray marked = Bytes().wide(QStringLiteral("\uFEFF\uFEFF192.168.1.20")).b;
    ASSERT_EQ(bytes.count(host), 1);
    bytes.replace(host, marked);
    WF::Contents first, second;
    ASSERT_EQ(WF::Decode(bytes, Current(), &first), WF::Status::Ok);
    EXPECT_EQ(first.settings.IPAddress, "192.168.1.20");
    ASSERT_EQ(WF::Decode(WF::Encode(first), Current(), &second), WF::Status::Ok);
    EXPECT_EQ(second.settings.IPAddress, first.settings.IPAddress);
    EXPECT_EQ(WF::Encode(second), SampleBytes());
}

TEST(WorkspaceFileTest, OlderVersionsAndTheirFixUps) {
    // 3500/3501: only 72 bytes of settings, the rest from the current settings;
    // the address and the document paths are 8-bit text.
    for (qint32 version : {3500, 3501}) {
        Bytes x;
        x.i32(version).block72(2, 0, "192.168.0.7").placement(10);
        x.oldRecord(20, "sub\\first.zqd").oldRecord(40, "C:\\plant\\second.zqd");
        WF::Contents c;
        ASSERT_EQ(WF::Decode(x.b, Current(), &c), WF::Status::Ok) << version;
        const ConnectionSettings& s = c.settings;
        EXPECT_EQ(std::tie(s.Port, s.BaudRate, s.ServicePort), std::make_tuple(2, 4, 1502));
        EXPECT_EQ(std::tie(s.DelayBetweenPolls, s.Echo, s.Serial, s.ConnectionTimeout),
                  std::make_tuple(77, 1, 0, 4500));
        EXPECT_EQ(s.IPAddress, "192.168.0.7");
        EXPECT_EQ(c.mainFrame, MakePlacement(10));
        ASSERT_EQ(c.documents.size(), 2);
        EXPECT_EQ(c.documents[0].placement, MakePlacement(20));
        EXPECT_EQ(c.documents[0].storedPath, QStringLiteral("sub\\first.zqd"));
        EXPECT_EQ(c.documents[1].storedPath, QStringLiteral("C:\\plant\\second.zqd"));
    }
    // Port 8 meant Modbus/TCP before 3700; a connection timeout below 100 becomes 3000.
    struct Case { qint32 version, port, timeout, wantSerial, wantPort, wantTimeout; };
    for (const Case& k : {Case{3500, 8, 0, 1, 1, 4500}, Case{3600, 8, 0, 1, 1, 3000},
                          Case{3700, 8, 99, 0, 8, 3000}, Case{3700, 8, 100, 0, 8, 100}}) {
        Bytes x;
        x.i32(k.version).block72(k.port, 1, "1234567890123456");  // no terminator
        if (k.version != 3500) x.i32(15).i32(0).i32(0).i32(k.timeout).raw("AAAA");
        x.placement(0);
        WF::Contents c;
        ASSERT_EQ(WF::Decode(x.b, Current(), &c), WF::Status::Ok) << k.version;
        EXPECT_EQ(std::tie(c.settings.Serial, c.settings.Port, c.settings.ConnectionTimeout),
                  std::tie(k.wantSerial, k.wantPort, k.wantTimeout)) << k.version << " " << k.timeout;
        EXPECT_EQ(c.settings.IPAddress, "1234567890123456");
        EXPECT_TRUE(c.connected);
        EXPECT_TRUE(c.documents.isEmpty());
    }
}

TEST(WorkspaceFileTest, TcpFramingTravelsInTheFieldOlderReadersSkip) {
    // Modbus/TCP is written byte for byte as before; RTU over TCP differs
    // only in the reserved field at 88, so a reader that knows only
    // Modbus/TCP sees Serial = 1 and the same host and port.
    WF::Contents rtu = Sample();
    rtu.settings.TcpFraming = kTcpFramingRtu;
    QByteArray withRtu = SampleBytes();
    qToLittleEndian<qint32>(1, withRtu.data() + 4 + 88);
    EXPECT_EQ(WF::Encode(Sample()), SampleBytes());
    EXPECT_EQ(WF::Encode(rtu), withRtu);

    struct Case {
        qint32 version;
        qint32 field;  // at offset 88 of the block (none for 3501)
        int current;   // the framing before the file is opened
        int want;
    };
    const Case cases[] = {
        {4200, 0, kTcpFramingRtu, kTcpFramingMbap},  // written before RTU over TCP
        {4200, 1, kTcpFramingMbap, kTcpFramingRtu},
        {4200, 2, kTcpFramingRtu, kTcpFramingMbap},  // unknown values are not damage
        {4200, -1, kTcpFramingMbap, kTcpFramingMbap},
        {3700, 1, kTcpFramingRtu, kTcpFramingMbap},  // reserved then, whatever it holds
        {3600, 1, kTcpFramingRtu, kTcpFramingMbap},
        {3501, 0, kTcpFramingRtu, kTcpFramingRtu},   // like Serial, kept from the current settings
    };
    for (const Case& k : cases) {
        QByteArray bytes;
        if (k.version == 4200) {
            bytes = SampleBytes();
            qToLittleEndian<qint32>(k.field, bytes.data() + 4 + 88);
        } else {
            Bytes x;
            x.i32(k.version).block72(3, 0, "10.0.0.9");
            if (k.version != 3501) x.i32(15).i32(0).i32(1).i32(3000).i32(k.field);
            bytes = x.placement(0).b;
        }
        ConnectionSettings current = Current();
        current.Serial = 1;
        current.TcpFraming = k.current;
        WF::Contents c;
        ASSERT_EQ(WF::Decode(bytes, current, &c), WF::Status::Ok) << k.version << " " << k.field;
        EXPECT_EQ(c.settings.Serial, 1);
        EXPECT_EQ(c.settings.TcpFraming, k.want) << k.version << " " << k.field;
        // Saved again as 4200, the framing reads back as it was taken.
        WF::Contents again;
        ASSERT_EQ(WF::Decode(WF::Encode(c), Current(), &again), WF::Status::Ok);
        EXPECT_EQ(again.settings.TcpFraming, k.want);
    }
}

TEST(WorkspaceFileTest, DamagedFilesAreRefusedAndLeaveTheOutputAlone) {
    WF::Contents c;
    c.version = -7;
    for (qint32 version : {0, 3499, 3502, 4000, 4100, 4201}) {
        QByteArray bytes = SampleBytes();
        qToLittleEndian<qint32>(version, bytes.data());
        EXPECT_EQ(WF::Decode(bytes, Current(), &c), WF::Status::BadVersion) << version;
    }
    // Settings that no list or timeout can hold: (offset, value).
    for (auto [offset, value] : {std::pair{0, 64}, {0, -1}, {4, 14}, {8, 2}, {12, 3}, {16, 2}, {20, -5},
                                 {36, 2}, {40, -1}, {44, 70000}, {72, -1}, {80, 2}}) {
        QByteArray bytes = SampleBytes();
        qToLittleEndian<qint32>(value, bytes.data() + 4 + offset);
        EXPECT_EQ(WF::Decode(bytes, Current(), &c), WF::Status::BadSettings) << offset;
    }
    // An address string that claims 2^31 characters.
    Bytes x;
    x.i32(4200).block72(1, 0, "").zeros(20).raw(QByteArray("\xFF\xFE\xFF\xFF\xFF\xFF", 6)).i32(0x7FFFFFFF);
    EXPECT_EQ(WF::Decode(x.placement(0).b, Current(), &c), WF::Status::Truncated);
    EXPECT_EQ(c.version, -7);
    for (WF::Status s : {WF::Status::BadVersion, WF::Status::Truncated, WF::Status::BadSettings})
        EXPECT_EQ(WF::StatusText(s, {}), QStringLiteral("文件格式错误"));
}

TEST(WorkspaceFileTest, EveryTruncationIsRefusedOrDropsOnlyTheCutEntry) {
    const QByteArray full = SampleBytes();
    const int addressEnd = 4 + 92 + 28, placementEnd = addressEnd + 44, firstEntryEnd = placementEnd + 580;
    for (int n = 0; n < full.size(); ++n) {
        WF::Contents c;
        const WF::Status status = WF::Decode(full.left(n), Current(), &c);
        if (n < addressEnd) {
            EXPECT_EQ(status, WF::Status::Truncated) << n;
        } else if (n < placementEnd) {
            EXPECT_EQ(status, WF::Status::ShortPlacement) << n;
        } else {
            ASSERT_EQ(status, WF::Status::Ok) << n;
            EXPECT_EQ(c.documents.size(), n < firstEntryEnd ? 0 : 1) << n;
            // Anything between whole entries is one entry cut off.
            EXPECT_EQ(c.cutEntries, n == placementEnd || n == firstEntryEnd || n == full.size() ? 0 : 1) << n;
        }
    }
    // A path that claims more than is left ends the list there.
    QByteArray bytes = full.left(firstEntryEnd);
    bytes += Bytes().placement(300).zeros(516).raw(QByteArray("\xFF\xFE\xFF\xFF\xFF\xFF", 6)).i32(1000).b;
    WF::Contents c;
    ASSERT_EQ(WF::Decode(bytes, Current(), &c), WF::Status::Ok);
    EXPECT_EQ(c.documents.size(), 1);
    EXPECT_EQ(c.cutEntries, 1);
}

// Three connections: the first as Sample() has it, two more named, and
// windows on the first and the third.
WF::Contents Several() {
    WF::Contents c = Sample();
    c.legacyAddress = {};
    c.name = QStringLiteral("泵房");
    ConnectionSettings second = c.settings;
    second.Port = 5;
    second.ServicePort = 1503;
    second.Serial = 0;
    second.IPAddress = "127.0.0.3";
    ConnectionSettings third = c.settings;
    third.Port = 6;
    third.ServicePort = 1504;
    third.IPAddress = "127.0.0.4";
    c.moreConnections = {{QStringLiteral("Boiler 2"), second, false, {}},
                         {QStringLiteral("tank"), third, true, {}}};
    c.documents[1].connection = 2;
    return c;
}

QByteArray SeveralBytes() {
    Bytes x;
    x.i32(4300).i32(3);
    x.wide(QStringLiteral("泵房")).block92(3, 1502, 1, 1).wide("192.168.1.20");
    x.wide("Boiler 2").block92(5, 1503, 0, 0).wide("127.0.0.3");
    x.wide("tank").block92(6, 1504, 1, 1).wide("127.0.0.4");
    x.placement(100);
    x.placement(200).zeros(516).wide("pump.zqd").i32(0);
    x.placement(300).zeros(516).wide("/srv/plant/tank 2.zqd").i32(2);
    return x.b;
}

// Where a 4300 file's parts end, for cutting it.
constexpr int kSeveralConnectionsEnd = 4 + 4 + (8 + 92 + 28) + (20 + 92 + 22) + (12 + 92 + 22);
constexpr int kSeveralPlacementEnd = kSeveralConnectionsEnd + 44;
constexpr int kSeveralFirstEntryEnd = kSeveralPlacementEnd + 560 + 20 + 4;

TEST(WorkspaceFileTest, SeveralConnectionsAreWrittenAs4300AndOneAsBefore) {
    const QByteArray expected = SeveralBytes();
    ASSERT_EQ(expected.size(), kSeveralFirstEntryEnd + 560 + 46 + 4);
    EXPECT_EQ(WF::Encode(Several()), expected);

    WF::Contents c;
    ASSERT_EQ(WF::Decode(expected, Current(), &c), WF::Status::Ok);
    EXPECT_EQ(c.version, 4300);
    ASSERT_EQ(c.ConnectionCount(), 3);
    struct Want { const char* name; int port, servicePort, serial; bool connected; const char* address; };
    const Want want[] = {{"泵房", 3, 1502, 1, true, "192.168.1.20"},
                         {"Boiler 2", 5, 1503, 0, false, "127.0.0.3"},
                         {"tank", 6, 1504, 1, true, "127.0.0.4"}};
    for (int i = 0; i < 3; ++i) {
        const WF::Connection k = c.ConnectionAt(i);
        EXPECT_EQ(k.name, QString::fromUtf8(want[i].name)) << i;
        EXPECT_EQ(std::tie(k.settings.Port, k.settings.ServicePort, k.settings.Serial, k.connected),
                  std::make_tuple(want[i].port, want[i].servicePort, want[i].serial, want[i].connected)) << i;
        EXPECT_EQ(k.settings.IPAddress, want[i].address) << i;
        EXPECT_EQ(std::tie(k.settings.Timeout, k.settings.DelayBetweenPolls, k.settings.ConnectionTimeout),
                  std::make_tuple(1234, 20, 2500)) << i;
    }
    ASSERT_EQ(c.documents.size(), 2);
    EXPECT_EQ(c.documents[0].connection, 0);
    EXPECT_EQ(c.documents[1].connection, 2);
    EXPECT_EQ(c.documents[1].storedPath, QStringLiteral("/srv/plant/tank 2.zqd"));
    EXPECT_EQ(WF::Encode(c), expected) << "written back unchanged";

    // One connection: 4200 byte for byte, whatever its name; windows on it.
    WF::Contents one = Several();
    one.moreConnections.clear();
    one.legacyAddress = Sample().legacyAddress;
    one.documents[1].connection = 0;
    EXPECT_EQ(WF::Encode(one), SampleBytes());
    // A 4300 file may hold one connection; it reads as any other.
    Bytes single;
    single.i32(4300).i32(1).wide("solo").block92(2, 502, 0, 1).wide("127.0.0.2").placement(100);
    single.placement(200).zeros(516).wide("pump.zqd").i32(0);
    ASSERT_EQ(WF::Decode(single.b, Current(), &c), WF::Status::Ok);
    EXPECT_EQ(c.name, QStringLiteral("solo"));
    EXPECT_EQ(c.ConnectionCount(), 1);
    EXPECT_EQ(c.documents.size(), 1);
}

TEST(WorkspaceFileTest, DamagedSeveralConnectionFilesAreRefused) {
    const QByteArray good = SeveralBytes();
    const auto withI32 = [&](int offset, qint32 value) {
        QByteArray b = good;
        qToLittleEndian<qint32>(value, b.data() + offset);
        return b;
    };
    const auto withName = [&](const QString& second) {  // the second connection renamed
        QByteArray b = good;
        const QByteArray old = Bytes().wide("Boiler 2").b;
        b.replace(b.indexOf(old), old.size(), Bytes().wide(second).b);
        return b;
    };
    const int secondIndexAt = int(good.size()) - 4;
    struct Case { const char* what; QByteArray bytes; WF::Status want; };
    const Case cases[] = {
        {"no connection", withI32(4, 0), WF::Status::BadConnections},
        {"negative count", withI32(4, -1), WF::Status::BadConnections},
        {"17 connections", withI32(4, 17), WF::Status::BadConnections},
        {"four counted, three there", withI32(4, 4).left(kSeveralConnectionsEnd), WF::Status::Truncated},
        {"empty name", withName(""), WF::Status::BadConnections},
        {"blank name", withName("   "), WF::Status::BadConnections},
        {"41 characters", withName(QString(41, QLatin1Char('x'))), WF::Status::BadConnections},
        {"a name twice", withName("tank"), WF::Status::BadConnections},
        {"window on connection 3 of 3", withI32(secondIndexAt, 3), WF::Status::BadConnections},
        {"window on connection -1", withI32(secondIndexAt, -1), WF::Status::BadConnections},
        {"second connection's baud rate", withI32(4 + 4 + 128 + 20 + 4, 14), WF::Status::BadSettings},
        {"cut in the count", good.left(6), WF::Status::Truncated},
        {"cut in the second name", good.left(4 + 4 + 128 + 10), WF::Status::Truncated},
        {"cut in the third block", good.left(4 + 4 + 128 + 134 + 50), WF::Status::Truncated},
        {"cut in the last address", good.left(kSeveralConnectionsEnd - 1), WF::Status::Truncated},
        {"cut in the placement", good.left(kSeveralPlacementEnd - 1), WF::Status::ShortPlacement},
    };
    for (const Case& k : cases) {
        WF::Contents c;
        c.version = -7;
        EXPECT_EQ(WF::Decode(k.bytes, Current(), &c), k.want) << k.what;
        EXPECT_EQ(c.version, -7) << k.what << ": the output was touched";
        EXPECT_EQ(WF::StatusText(k.want, {}).isEmpty(), k.want == WF::Status::ShortPlacement) << k.what;
    }
    EXPECT_EQ(WF::StatusText(WF::Status::BadConnections, {}), QStringLiteral("文件格式错误"));

    // A cut last entry (inside its record, path or connection index) drops only that window.
    for (int n : {kSeveralFirstEntryEnd + 100, kSeveralFirstEntryEnd + 570, int(good.size()) - 2}) {
        WF::Contents c;
        ASSERT_EQ(WF::Decode(good.left(n), Current(), &c), WF::Status::Ok) << n;
        EXPECT_EQ(c.documents.size(), 1) << n;
        EXPECT_EQ(c.cutEntries, 1) << n;
        EXPECT_EQ(c.ConnectionCount(), 3) << n;
    }
}

TEST(WorkspaceFileTest, SaveAndLoadOnDisk) {
    QTemporaryDir dir;
    const QString path = dir.filePath("plant.zqw");
    ASSERT_EQ(WF::Save(path, Sample()), WF::Status::Ok);
    WF::Contents c;
    ASSERT_EQ(WF::Load(path, Current(), &c), WF::Status::Ok);
    EXPECT_EQ(WF::Encode(c), SampleBytes());

    const QString missing = dir.filePath("none.zqw");
    EXPECT_EQ(WF::Load(missing, Current(), &c), WF::Status::NotFound);
    EXPECT_EQ(WF::UnreadableCause(missing), QString()) << "missing says enough";
    EXPECT_EQ(WF::UnreadableCause(path), QString());
    // There, but no workspace: refused at once (a FIFO would block a read), with the cause.
    ASSERT_TRUE(QDir().mkdir(dir.filePath("folder.zqw")));
    ASSERT_EQ(::mkfifo(dir.filePath("pipe.zqw").toLocal8Bit().constData(), 0600), 0);
    for (const char* name : {"folder.zqw", "pipe.zqw"}) {
        EXPECT_EQ(WF::Load(dir.filePath(name), Current(), &c), WF::Status::NotFound) << name;
        EXPECT_FALSE(WF::UnreadableCause(dir.filePath(name)).isEmpty()) << name;
    }
    ASSERT_TRUE(QDir().rmdir(dir.filePath("folder.zqw")));
    ASSERT_TRUE(QFile::remove(dir.filePath("pipe.zqw")));
    EXPECT_EQ(WF::StatusText(WF::Status::NotFound, missing), "找不到 " + missing);
    EXPECT_EQ(WF::Save(dir.filePath("no/dir/x.zqw"), Sample()), WF::Status::CreateFailed);

    // A write the disk cuts short is reported, and the earlier file stays.
    WF::Contents bigger = Sample();
    bigger.documents.append(bigger.documents);
    const WF::Status status = WithFileSizeLimit(200, [&] { return WF::Save(path, bigger); });
    EXPECT_EQ(status, WF::Status::WriteFailed);
    EXPECT_EQ(WF::StatusText(status, {}), QStringLiteral("磁盘已满或磁盘错误"));
    ASSERT_EQ(WF::Load(path, Current(), &c), WF::Status::Ok);
    EXPECT_EQ(c.documents.size(), 2);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"plant.zqw"});
}

TEST(WorkspaceFileTest, DocumentsNextToTheWorkspaceAreFoundAfterTheFolderMoved) {
    QTemporaryDir dir;
    const QString before = dir.filePath("site/a");
    ASSERT_TRUE(QDir().mkpath(before + "/sub"));
    QFile(before + "/pump.zqd").open(QIODevice::WriteOnly);
    QFile(before + "/sub/valve.zqd").open(QIODevice::WriteOnly);
    const QString folder = WF::FolderOf(before + "/plant.zqw");
    WF::Contents c;
    c.documents = {{{}, WF::StoredPath(before + "/pump.zqd", folder)},
                   {{}, WF::StoredPath(before + "/sub/valve.zqd", folder)}};
    EXPECT_EQ(c.documents[0].storedPath, QStringLiteral("pump.zqd"));
    EXPECT_EQ(c.documents[1].storedPath, QStringLiteral("sub/valve.zqd"));
    ASSERT_EQ(WF::Save(before + "/plant.zqw", c), WF::Status::Ok);

    ASSERT_TRUE(QDir().rename(dir.filePath("site"), dir.filePath("moved")));
    const QString moved = dir.filePath("moved/a/plant.zqw");
    ASSERT_EQ(WF::Load(moved, Current(), &c), WF::Status::Ok);
    ASSERT_EQ(c.documents.size(), 2);
    for (const WF::Document& d : c.documents)
        EXPECT_TRUE(QFileInfo::exists(WF::ResolvePath(d.storedPath, WF::FolderOf(moved)))) << d.storedPath.toStdString();
}

TEST(WorkspaceFileTest, PathRules) {
    const std::pair<const char*, const char*> stored[] = {  // document, expected stored path (folder /a/b)
        {"/a/b/x.zqd", "x.zqd"}, {"/a/b/c/x.zqd", "c/x.zqd"}, {"/a/b/../b/x.zqd", "x.zqd"},
        {"/a/bc/x.zqd", "/a/bc/x.zqd"}, {"/other/x.zqd", "/other/x.zqd"}, {"/A/B/x.zqd", "/A/B/x.zqd"}};
    for (auto [document, want] : stored) {
        EXPECT_EQ(WF::StoredPath(document, "/a/b/"), QString(want)) << document;
        EXPECT_EQ(WF::StoredPath(document, "/a/b"), QString(want)) << document;
    }
    const std::pair<const char*, const char*> resolved[] = {  // stored, expected path (folder /a/b/)
        {"x.zqd", "/a/b/x.zqd"}, {"sub\\deeper\\x.zqd", "/a/b/sub/deeper/x.zqd"}, {"\\sub\\x.zqd", "/a/b/sub/x.zqd"},
        {"/elsewhere/x.zqd", "/elsewhere/x.zqd"}, {"C:\\data\\x.zqd", "C:\\data\\x.zqd"}, {"d:x.zqd", "d:x.zqd"},
        {"run 12:30.zqd", "/a/b/run 12:30.zqd"}};  // a colon is an ordinary Linux file name character
    for (auto [path, want] : resolved) EXPECT_EQ(WF::ResolvePath(path, "/a/b/"), QString(want)) << path;
    EXPECT_EQ(WF::FolderOf("/w.zqw"), "/");
    EXPECT_TRUE(WF::HasWorkspaceExtension("/a/plant.ZQW"));
    EXPECT_FALSE(WF::HasWorkspaceExtension("/a/plant.zqw.txt"));
    EXPECT_FALSE(WF::HasWorkspaceExtension("/a/zqw"));
    EXPECT_FALSE(WF::HasWorkspaceExtension("/data/plant.zqw-old/pump.zqd"));

    // Where a document is looked for when its stored path does not exist.
    const std::pair<const char*, const char*> fallback[] = {  // stored, expected (folder /w/)
        {"C:\\plant\\pump.zqd", "/w/pump.zqd"}, {"d:pump.zqd", "/w/pump.zqd"}, {"/old/site/pump.zqd", "/w/pump.zqd"},
        {"sub\\pump.zqd", "/w/pump.zqd"}, {"pump.zqd", ""}, {"C:\\plant\\", ""}, {"..", ""}};
    for (auto [path, want] : fallback) EXPECT_EQ(WF::FallbackPath(path, "/w/"), QString(want)) << path;
}

}  // namespace
}  // namespace zentiq
