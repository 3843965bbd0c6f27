#include "app/workspace_file.h"

#include <algorithm>
#include <cstring>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include "framework/atomic_save.h"
#include <QtEndian>

#include "documents/binary_io.h"
#include "documents/zqd_file.h"
#include "resources/strings.h"

namespace zentiq {
namespace {

// Offsets inside the 92-byte settings block.
enum BlockOffset {
    kPort = 0,
    kBaudRate = 4,
    kDataBits = 8,
    kParity = 12,
    kStopBits = 16,
    kTimeout = 20,
    kDtrDsr = 24,
    kRtsCts = 28,
    kRts = 32,
    kRtuAscii = 36,
    kClrRtsDelay = 40,
    kServicePort = 44,
    kConnected = 48,
    kLegacyAddress = 52,
    kDelayBetweenPolls = 72,
    kEcho = 76,
    kSerial = 80,
    kConnectionTimeout = 84,
    // Reserved and written as 0 before RTU over TCP: 0 Modbus/TCP, 1 RTU
    // frames. Readers that know only Modbus/TCP skip it and see Serial = 1.
    kTcpFraming = 88,
};

std::int32_t BlockI32(const char* block, int offset) {
    return qFromLittleEndian<qint32>(block + offset);
}

void PutBlockI32(char* block, int offset, std::int32_t value) {
    qToLittleEndian<qint32>(value, block + offset);
}

bool ReadPlacement(BinaryReader& reader, WorkspaceFile::Placement& p) {
    qint32 v[11];
    for (qint32& field : v) {
        if (!reader.readI32(field))
            return false;
    }
    p = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]};
    return true;
}

void WritePlacement(BinaryWriter& writer, const WorkspaceFile::Placement& p) {
    for (std::int32_t field : {p.length, p.flags, p.showCmd, p.minX, p.minY, p.maxX, p.maxY, p.left,
                               p.top, p.right, p.bottom}) {
        writer.writeI32(field);
    }
}

// Zero-terminated 8-bit text inside a fixed field (no terminator: the whole field).
QString FixedText(const char* field, qsizetype size) {
    const void* zero = std::memchr(field, 0, static_cast<std::size_t>(size));
    const qsizetype n = zero ? static_cast<const char*>(zero) - field : size;
    return decodeWindows1252(field, n);
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

// Settings that index lists or that the connection takes as unsigned must
// be in range; anything else in a file is damage, not a setting.
bool PlausibleSettings(const ConnectionSettings& s) {
    return InRange(s.Port, 0, 63) && InRange(s.BaudRate, 0, 13) && InRange(s.DataBits, 0, 1) &&
           InRange(s.Parity, 0, 2) && InRange(s.StopBits, 0, 1) && InRange(s.RTU_ASCII, 0, 1) &&
           InRange(s.Serial, 0, 1) && InRange(s.ServicePort, 0, 65535) && s.Timeout >= 0 &&
           s.CLRRTSDelay >= 0 && s.DelayBetweenPolls >= 0 && s.ConnectionTimeout >= 0;
}

// One connection's settings block: `blockSize` bytes of it were read.
void SettingsFromBlock(const char* block, int blockSize, std::int32_t version,
                       WorkspaceFile::Connection& c) {
    ConnectionSettings& s = c.settings;
    s.Port = BlockI32(block, kPort);
    s.BaudRate = BlockI32(block, kBaudRate);
    s.DataBits = BlockI32(block, kDataBits);
    s.Parity = BlockI32(block, kParity);
    s.StopBits = BlockI32(block, kStopBits);
    s.Timeout = BlockI32(block, kTimeout);
    s.DTRDSR = BlockI32(block, kDtrDsr);
    s.RTSCTS = BlockI32(block, kRtsCts);
    s.RTS = BlockI32(block, kRts);
    s.RTU_ASCII = BlockI32(block, kRtuAscii);
    s.CLRRTSDelay = BlockI32(block, kClrRtsDelay);
    s.ServicePort = BlockI32(block, kServicePort);
    c.connected = BlockI32(block, kConnected) != 0;
    std::memcpy(c.legacyAddress.data(), block + kLegacyAddress, WorkspaceFile::kLegacyAddressSize);
    if (blockSize == WorkspaceFile::kSettingsBlockSize) {
        s.DelayBetweenPolls = BlockI32(block, kDelayBetweenPolls);
        s.Echo = BlockI32(block, kEcho);
        s.Serial = BlockI32(block, kSerial);
        s.ConnectionTimeout = BlockI32(block, kConnectionTimeout);
        // Only these versions can carry it; before, the field was reserved.
        // Anything but 1 is Modbus/TCP, so that no old file is refused.
        s.TcpFraming = version >= WorkspaceFile::kWrittenVersion &&
                               BlockI32(block, kTcpFraming) == kTcpFramingRtu
                           ? kTcpFramingRtu
                           : kTcpFramingMbap;
    }
}

// The address string of versions 4200 and 4300.
bool ReadAddress(BinaryReader& reader, ConnectionSettings& s) {
    QString address;
    if (!reader.readString(address, WorkspaceFile::kMaxStringChars))
        return false;
    // A byte-order mark is no part of a host name; kept, it would vanish
    // in the UTF-8 round trip of the settings, so that saving the
    // workspace again changed the address.
    while (address.startsWith(QChar(0xFEFF)))
        address.remove(0, 1);
    s.IPAddress = address.toStdString();
    return true;
}

// The repairs every version gets; false when the settings are damage.
bool FixUp(ConnectionSettings& s, std::int32_t version) {
    if (s.ConnectionTimeout < 100)
        s.ConnectionTimeout = 3000;
    if (version < 3700 && s.Port == 8) {
        s.Serial = 1;
        s.Port = 1;
        s.TcpFraming = kTcpFramingMbap;
    }
    return PlausibleSettings(s);
}

void PutBlock(BinaryWriter& writer, const WorkspaceFile::Connection& c) {
    const ConnectionSettings& s = c.settings;
    char block[WorkspaceFile::kSettingsBlockSize] = {};
    PutBlockI32(block, kPort, s.Port);
    PutBlockI32(block, kBaudRate, s.BaudRate);
    PutBlockI32(block, kDataBits, s.DataBits);
    PutBlockI32(block, kParity, s.Parity);
    PutBlockI32(block, kStopBits, s.StopBits);
    PutBlockI32(block, kTimeout, s.Timeout);
    PutBlockI32(block, kDtrDsr, s.DTRDSR);
    PutBlockI32(block, kRtsCts, s.RTSCTS);
    PutBlockI32(block, kRts, s.RTS);
    PutBlockI32(block, kRtuAscii, s.RTU_ASCII);
    PutBlockI32(block, kClrRtsDelay, s.CLRRTSDelay);
    PutBlockI32(block, kServicePort, s.ServicePort);
    PutBlockI32(block, kConnected, c.connected ? 1 : 0);
    std::memcpy(block + kLegacyAddress, c.legacyAddress.data(), WorkspaceFile::kLegacyAddressSize);
    PutBlockI32(block, kDelayBetweenPolls, s.DelayBetweenPolls);
    PutBlockI32(block, kEcho, s.Echo);
    PutBlockI32(block, kSerial, s.Serial);
    PutBlockI32(block, kConnectionTimeout, s.ConnectionTimeout);
    PutBlockI32(block, kTcpFraming,
                s.TcpFraming == kTcpFramingRtu ? kTcpFramingRtu : kTcpFramingMbap);
    writer.writeBytes(block, WorkspaceFile::kSettingsBlockSize);
    writer.writeString(QString::fromStdString(s.IPAddress));
}

}  // namespace

WorkspaceFile::Connection WorkspaceFile::Contents::ConnectionAt(int index) const {
    if (index > 0)
        return moreConnections.at(index - 1);
    return {name, settings, connected, legacyAddress};
}

WorkspaceFile::Status WorkspaceFile::Decode(const QByteArray& bytes,
                                            const ConnectionSettings& current, Contents* out) {
    BinaryReader reader(bytes);
    Contents c;
    if (!reader.readI32(c.version))
        return Status::Truncated;

    int blockSize = 0;
    switch (c.version) {
    case 3500:
    case 3501: blockSize = kShortSettingsBlockSize; break;
    case 3600:
    case 3700:
    case 4200:
    case kSeveralConnectionsVersion: blockSize = kSettingsBlockSize; break;
    default: return Status::BadVersion;
    }
    const bool several = c.version == kSeveralConnectionsVersion;
    qint32 count = 1;
    if (several) {
        if (!reader.readI32(count))
            return Status::Truncated;
        if (count < 1 || count > kMaxConnections)
            return Status::BadConnections;
    }

    QList<Connection> connections;
    for (int i = 0; i < count; ++i) {
        Connection connection;
        if (several) {
            if (!reader.readString(connection.name, kMaxStringChars))
                return Status::Truncated;
            connection.name = connection.name.trimmed();
            if (connection.name.isEmpty() || connection.name.size() > kMaxNameChars)
                return Status::BadConnections;
            for (const Connection& before : connections)
                if (before.name == connection.name)
                    return Status::BadConnections;
        }
        char block[kSettingsBlockSize] = {};
        if (!reader.readBytes(block, blockSize))
            return Status::Truncated;
        connection.settings = current;
        SettingsFromBlock(block, blockSize, c.version, connection);
        if (c.version >= kWrittenVersion) {
            if (!ReadAddress(reader, connection.settings))
                return Status::Truncated;
        } else {
            connection.settings.IPAddress =
                FixedText(block + kLegacyAddress, kLegacyAddressSize).toStdString();
        }
        if (!FixUp(connection.settings, c.version))
            return Status::BadSettings;
        connections.append(connection);
    }
    c.name = connections[0].name;
    c.settings = connections[0].settings;
    c.connected = connections[0].connected;
    c.legacyAddress = connections[0].legacyAddress;
    c.moreConnections = connections.mid(1);

    if (!ReadPlacement(reader, c.mainFrame))
        return Status::ShortPlacement;

    while (reader.remaining() >= kRecordSize) {
        char record[kRecordSize];
        reader.readBytes(record, kRecordSize);
        BinaryReader recordReader(QByteArray::fromRawData(record, kRecordSize));
        Document document;
        ReadPlacement(recordReader, document.placement);
        if (c.version >= kWrittenVersion) {
            qint32 connection = 0;
            if (!reader.readString(document.storedPath, kMaxStringChars) ||
                (several && !reader.readI32(connection))) {
                c.cutEntries = 1;
                break;
            }
            if (connection < 0 || connection >= count)
                return Status::BadConnections;
            document.connection = connection;
        } else {
            document.storedPath = FixedText(record + kRecordPathOffset, kRecordPathSize);
        }
        c.documents.append(document);
    }
    // Bytes too few for a whole record: an entry that was cut off.
    if (c.cutEntries == 0 && reader.remaining() > 0)
        c.cutEntries = 1;

    *out = std::move(c);
    return Status::Ok;
}

QByteArray WorkspaceFile::Encode(const Contents& c) {
    const bool several = !c.moreConnections.isEmpty();
    BinaryWriter writer;
    writer.writeI32(several ? kSeveralConnectionsVersion : kWrittenVersion);
    if (several)
        writer.writeI32(c.ConnectionCount());
    for (int i = 0; i < c.ConnectionCount(); ++i) {
        const Connection connection = c.ConnectionAt(i);
        if (several)
            writer.writeString(connection.name);
        PutBlock(writer, connection);
    }
    WritePlacement(writer, c.mainFrame);
    static const char kZeros[kRecordSize - kPlacementSize] = {};
    for (const Document& document : c.documents) {
        WritePlacement(writer, document.placement);
        writer.writeBytes(kZeros, sizeof kZeros);
        writer.writeString(document.storedPath);
        if (several)
            writer.writeI32(document.connection);
    }
    return writer.data();
}

WorkspaceFile::Status WorkspaceFile::Load(const QString& path, const ConnectionSettings& current,
                                          Contents* out) {
    // A folder or a FIFO is no workspace; opening a FIFO would also block.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return Status::NotFound;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::NotFound;
    return Decode(file.read(kMaxFileSize), current, out);
}

WorkspaceFile::Status WorkspaceFile::Save(const QString& path, const Contents& contents) {
    const QByteArray bytes = Encode(contents);
    switch (SaveAtomically(path, bytes)) {
    case SaveResult::Ok: return Status::Ok;
    case SaveResult::OpenFailed: return Status::CreateFailed;
    default: return Status::WriteFailed;
    }
}

QString WorkspaceFile::StatusText(Status status, const QString& path) {
    switch (status) {
    case Status::Ok:
    case Status::ShortPlacement: return QString();
    case Status::NotFound:
        return QCoreApplication::translate("zentiq::WorkspaceFile", "找不到 %1").arg(path);
    case Status::CreateFailed: return FileOpenErrorText();
    case Status::BadVersion:
    case Status::Truncated:
    case Status::BadSettings:
    case Status::BadConnections: return ZqdFile::FormatErrorText();
    case Status::WriteFailed: break;
    }
    return DiskErrorText();
}

QString WorkspaceFile::UnreadableCause(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    if (info.isDir())
        return QCoreApplication::translate("WorkspaceFile", "这是一个文件夹，不是工程文件");
    if (!info.isFile())
        return QCoreApplication::translate("WorkspaceFile", "这不是一个普通文件");
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return QString();
    return file.errorString();
}

QString WorkspaceFile::CutShortText(int notRestored) {
    return QCoreApplication::translate("WorkspaceFile", "工程文件提前结束：%1 个窗口未能恢复。")
        .arg(notRestored);
}

bool WorkspaceFile::HasWorkspaceExtension(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("zqw"), Qt::CaseInsensitive) == 0;
}

QString WorkspaceFile::FolderOf(const QString& workspacePath) {
    if (workspacePath.isEmpty())
        return QString();
    const QString absolute = QDir::cleanPath(QFileInfo(workspacePath).absoluteFilePath());
    return absolute.left(absolute.lastIndexOf(QLatin1Char('/')) + 1);
}

QString WorkspaceFile::StoredPath(const QString& documentPath, const QString& folder) {
    const QString document = QDir::cleanPath(QFileInfo(documentPath).absoluteFilePath());
    if (folder.isEmpty())
        return document;
    QString prefix = QDir::cleanPath(folder);
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    if (document.size() > prefix.size() && document.startsWith(prefix, Qt::CaseSensitive))
        return document.mid(prefix.size());
    return document;
}

QString WorkspaceFile::ResolvePath(const QString& storedPath, const QString& folder) {
    const bool driveLetter = storedPath.size() >= 2 && storedPath.at(1) == QLatin1Char(':') &&
                             storedPath.at(0).isLetter() && storedPath.at(0).unicode() < 0x80;
    if (driveLetter || storedPath.startsWith(QLatin1Char('/')))
        return storedPath;
    QString relative = storedPath;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (folder.isEmpty())
        return QDir::cleanPath(relative);
    return QDir::cleanPath(folder + QLatin1Char('/') + relative);
}

QString WorkspaceFile::FallbackPath(const QString& storedPath, const QString& folder) {
    const qsizetype cut = std::max(storedPath.lastIndexOf(QLatin1Char('/')),
                                   storedPath.lastIndexOf(QLatin1Char('\\')));
    QString name = storedPath.mid(cut + 1);
    if (cut < 0 && name.size() > 2 && name.at(1) == QLatin1Char(':'))
        name.remove(0, 2);  // "C:pump.zqd"
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        folder.isEmpty())
        return QString();
    const QString candidate = QDir::cleanPath(folder + QLatin1Char('/') + name);
    return candidate == ResolvePath(storedPath, folder) ? QString() : candidate;
}

QString WorkspaceFile::PathToOpen(const QString& storedPath, const QString& folder) {
    const QString resolved = ResolvePath(storedPath, folder);
    if (QFileInfo::exists(resolved))
        return resolved;
    // Paths from another system (C:\...\pump.zqd): the workspace's own
    // folder is where the documents usually travel with it.
    const QString nearby = FallbackPath(storedPath, folder);
    return !nearby.isEmpty() && QFileInfo(nearby).isFile() ? nearby : resolved;
}

}  // namespace zentiq
