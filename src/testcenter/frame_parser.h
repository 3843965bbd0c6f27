// Turns the test center's frame text ("01 03 00 00 00 0A") into bytes and
// appends the RTU CRC or the ASCII LRC on request.
#pragma once

#include <QByteArray>
#include <QString>

namespace zentiq {

class FrameParser {
public:
    // Longer texts are refused before parsing ("Max length 900").
    static constexpr int kMaxTextLength = 900;

    enum class Status {
        Ok,
        TooLong,  // more than kMaxTextLength characters
        Invalid,  // a character that does not fit, or no byte at all
    };

    struct Result {
        Status status = Status::Invalid;
        QByteArray bytes;
        // Index of the first character that does not fit, -1 when the text
        // simply ended too early (or was empty).
        int errorPosition = -1;
    };

    // Bytes are two upper-case hexadecimal digits each; exactly one
    // separator (blank, comma or period) between two bytes, and at most one
    // after the last. Case is not folded here: the edit field upper-cases
    // what is typed.
    static Result Parse(const QString& text);

    // Crc16 of the bytes, low byte first.
    static void AppendCrc(QByteArray& bytes);
    // The bytes are the characters of an ASCII frame: the character pairs
    // after the first character are decoded as hexadecimal bytes, and their
    // LRC is appended as two upper-case hexadecimal characters and CR LF.
    static void AppendLrc(QByteArray& bytes);
};

}  // namespace zentiq
