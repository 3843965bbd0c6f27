// The value-list file (.mod) of the multiple-write dialogs: a 4-byte list tag
// followed by the dialog's whole value buffer (2000 coil bytes, or 256 bytes
// of register values). No address, quantity or slave ID is kept.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

namespace zentiq {

class ValueListFile {
public:
    static constexpr std::int32_t kCoilTag = 0;
    static constexpr std::int32_t kRegisterTag = 1;
    static constexpr std::int32_t kFloatTag = 2;
    static constexpr std::int32_t kDoubleTag = 3;
    static constexpr std::int32_t kLongTag = 4;

    static constexpr std::size_t kTagSize = 4;
    static constexpr std::size_t kCoilBlockSize = 2000;
    static constexpr std::size_t kRegisterBlockSize = 256;

    enum class Status { Ok, OpenFailed, WrongTag, WriteFailed };

    // The list tag of a register display format 0..9 (-1 for another value).
    static std::int32_t TagForFormat(int displayFormat);
    // 2000 for the coil tag, 256 for tags 1..4, 0 for any other tag.
    static std::size_t BlockSize(std::int32_t tag);

    // The file's bytes: the tag and BlockSize(tag) bytes of `block` (the
    // caller's buffer must hold that many). An unknown tag gives an empty array.
    static QByteArray Encode(std::int32_t tag, const std::uint8_t* block);

    // Takes the bytes of a file for a list of kind `expectedTag` into
    // `buffer` (BlockSize(expectedTag) bytes). A file shorter than the block
    // fills only the start and leaves the rest of the buffer as it was;
    // `*bytesRead` (optional) tells how much was taken. A file whose tag
    // differs, or that is too short to hold a tag, changes nothing and gives
    // WrongTag.
    static Status Decode(const QByteArray& file, std::int32_t expectedTag, std::uint8_t* buffer,
                         std::size_t* bytesRead = nullptr);

    static Status Load(const QString& path, std::int32_t expectedTag, std::uint8_t* buffer,
                       std::size_t* bytesRead = nullptr);
    static Status Save(const QString& path, std::int32_t tag, const std::uint8_t* block);

    // The message for a failed Load or Save.
    static QString StatusText(Status status);
};

}  // namespace zentiq
