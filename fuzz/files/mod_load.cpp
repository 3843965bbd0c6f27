// Feeds arbitrary bytes to the value-list reader for every list kind and
// checks that it writes nothing beyond the list's block.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <QByteArray>

#include "writes/value_list_file.h"

using zentiq::ValueListFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     static_cast<qsizetype>(size));
    for (std::int32_t tag = -1; tag <= 5; ++tag) {
        std::array<std::uint8_t, 2100> buffer;
        buffer.fill(0xA5);
        std::size_t got = 12345;
        const ValueListFile::Status status = ValueListFile::Decode(bytes, tag, buffer.data(), &got);
        const std::size_t block = ValueListFile::BlockSize(tag);
        if (status == ValueListFile::Status::Ok) {
            if (block == 0 || got > block || got + 4 > size) std::abort();
            if (std::memcmp(buffer.data(), data + 4, got) != 0) std::abort();
            // A whole list read back must encode to the same leading bytes.
            if (got == block && ValueListFile::Encode(tag, buffer.data()) != bytes.left(static_cast<qsizetype>(4 + block)))
                std::abort();
        } else if (got != 0) {
            std::abort();
        }
        for (std::size_t i = (status == ValueListFile::Status::Ok ? got : 0); i < buffer.size(); ++i) {
            if (buffer[i] != 0xA5) std::abort();
        }
    }
    return 0;
}
