// One line of a poll document's data log: the time, the start address label
// in angle brackets, then the values (or, for a failed poll, its status text).
#pragma once

#include <cstdint>
#include <ctime>
#include <span>

#include <QString>

#include <map>

namespace zentiq {

struct RowType;

class LogLine {
public:
    enum Separator { FixedWidth = 0, Comma = 1, Tab = 2 };

    // What a line is made from: the poll definition and its value buffer.
    struct Poll {
        int address = 0;  // 0-based protocol address
        int oneBased = 0;
        int function = 3;
        int length = 0;
        int displayFormat = 0;
        std::span<const std::uint8_t> values;
        // false: a read poll that has not read its values yet, whose zeros
        // are no readings (the window shows its cells empty).
        bool valuesRead = true;
        // The registers as read (register polls), for rows with a type of
        // their own; by protocol address. Without types every item shows
        // the display format.
        std::span<const std::uint16_t> words{};
        const std::map<int, RowType>* rowTypes = nullptr;
    };

    // The separator text: a blank, "," or a tab (a blank for any other value).
    static QString SeparatorText(int separator);

    // The start address with the header format of the address labels
    // ("00099", "4x0100"), trailing blanks removed. The label is kept whole,
    // also the six- and seven-character PLC forms, so that a reader always
    // finds the complete address between "<" and ">".
    static QString Label(const Poll& poll);

    // "%H:%M:%S" of `time` in local time; `dated`: "%Y-%m-%d %H:%M:%S".
    static QString TimeText(std::time_t time, bool dated = false);

    // The line without its line end. A good result lists every item: with
    // fixed width each item's padded text followed by a blank (empty items
    // included); with comma or tab each non-empty plain text followed by the
    // separator; the last character (that final blank or separator) is then
    // dropped. A failed result carries `statusText` instead of the values.
    // `dated`: the time with its date (TimeText).
    static QString Build(std::time_t time, int separator, const Poll& poll, bool failed,
                         const QString& statusText, bool dated = false);
};

}  // namespace zentiq
