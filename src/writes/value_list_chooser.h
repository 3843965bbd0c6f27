// Open and Save of the value lists: the file dialog (default name the
// dialog's file name), the file, and the messages of a failure. The file
// name takes the chosen file's title.
#pragma once

#include <QString>
#include <cstdint>

class QWidget;

namespace zentiq {

class ValueListChooser {
public:
    // Loads a list of kind `tag` into `buffer` (ValueListFile::BlockSize(tag)
    // bytes). true when values were taken: the caller rebuilds its list.
    static bool Open(QWidget* parent, QString& fileName, std::int32_t tag, std::uint8_t* buffer);
    // Writes the tag and the whole buffer; a failed save keeps the previous
    // file as it was.
    static bool Save(QWidget* parent, QString& fileName, std::int32_t tag,
                     const std::uint8_t* buffer);
};

}  // namespace zentiq
