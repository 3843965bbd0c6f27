#include "writes/value_list_file.h"

#include <cstring>

#include <QCoreApplication>
#include <QFile>
#include "framework/atomic_save.h"
#include "resources/strings.h"
#include "values/value_format.h"
#include <QtEndian>

namespace zentiq {

std::int32_t ValueListFile::TagForFormat(int displayFormat) {
    switch (static_cast<DisplayFormat>(displayFormat)) {
    case DisplayFormat::Signed:
    case DisplayFormat::Unsigned:
    case DisplayFormat::Hex:
    case DisplayFormat::Binary: return kRegisterTag;
    case DisplayFormat::Float:
    case DisplayFormat::FloatInverse: return kFloatTag;
    case DisplayFormat::Double:
    case DisplayFormat::DoubleInverse: return kDoubleTag;
    case DisplayFormat::Long:
    case DisplayFormat::LongInverse: return kLongTag;
    default: return -1;
    }
}

std::size_t ValueListFile::BlockSize(std::int32_t tag) {
    if (tag == kCoilTag)
        return kCoilBlockSize;
    if (tag >= kRegisterTag && tag <= kLongTag)
        return kRegisterBlockSize;
    return 0;
}

QByteArray ValueListFile::Encode(std::int32_t tag, const std::uint8_t* block) {
    const std::size_t size = BlockSize(tag);
    if (size == 0 || block == nullptr)
        return QByteArray();
    QByteArray bytes(static_cast<qsizetype>(kTagSize + size), '\0');
    qToLittleEndian<qint32>(tag, bytes.data());
    std::memcpy(bytes.data() + kTagSize, block, size);
    return bytes;
}

ValueListFile::Status ValueListFile::Decode(const QByteArray& file, std::int32_t expectedTag,
                                            std::uint8_t* buffer, std::size_t* bytesRead) {
    if (bytesRead)
        *bytesRead = 0;
    const std::size_t size = BlockSize(expectedTag);
    if (size == 0 || buffer == nullptr)
        return Status::WrongTag;
    if (static_cast<std::size_t>(file.size()) < kTagSize)
        return Status::WrongTag;
    if (qFromLittleEndian<qint32>(file.constData()) != expectedTag)
        return Status::WrongTag;
    const std::size_t available = static_cast<std::size_t>(file.size()) - kTagSize;
    const std::size_t taken = available < size ? available : size;
    std::memcpy(buffer, file.constData() + kTagSize, taken);
    if (bytesRead)
        *bytesRead = taken;
    return Status::Ok;
}

ValueListFile::Status ValueListFile::Load(const QString& path, std::int32_t expectedTag,
                                          std::uint8_t* buffer, std::size_t* bytesRead) {
    if (bytesRead)
        *bytesRead = 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::OpenFailed;
    // Never more than a list can hold, whatever the file's size.
    const QByteArray bytes = file.read(static_cast<qint64>(kTagSize + kCoilBlockSize));
    return Decode(bytes, expectedTag, buffer, bytesRead);
}

ValueListFile::Status ValueListFile::Save(const QString& path, std::int32_t tag,
                                          const std::uint8_t* block) {
    const QByteArray bytes = Encode(tag, block);
    if (bytes.isEmpty())
        return Status::WrongTag;
    switch (SaveAtomically(path, bytes)) {
    case SaveResult::Ok: return Status::Ok;
    case SaveResult::OpenFailed: return Status::OpenFailed;
    default: return Status::WriteFailed;
    }
}

QString ValueListFile::StatusText(Status status) {
    switch (status) {
    case Status::Ok: return QString();
    case Status::OpenFailed: return FileOpenErrorText();
    case Status::WrongTag:
        return QCoreApplication::translate("zentiq::ValueListFile", "不正确的数据格式");
    case Status::WriteFailed: break;
    }
    return DiskErrorText();
}

}  // namespace zentiq
