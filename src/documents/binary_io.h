// Bounds-checked little-endian readers and writers for the binary document,
// workspace and value-list files. Nothing here ever reads past the end of its
// buffer: a read that cannot be satisfied returns false and consumes nothing.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace zentiq {

class BinaryReader {
public:
    explicit BinaryReader(const QByteArray& data);

    bool readI32(qint32& out);
    bool readU8(quint8& out);
    bool readU16(quint16& out);
    bool readU32(quint32& out);
    bool readU64(quint64& out);
    bool readBytes(char* dst, qsizetype n);
    bool skip(qsizetype n);

    // Length-prefixed string: an optional 0xFF 0xFFFE mark announcing UTF-16LE
    // characters, then the character count in one of the widening codings
    // (u8 < 0xFF; 0xFF + u16 < 0xFFFE; 0xFF 0xFFFF + u32; ... + u64), then the
    // characters. Strings without the mark hold 8-bit characters, decoded as
    // Windows-1252 (Latin-1 plus the printable 0x80..0x9F block), the code page
    // such files were written in on Western systems. A count above maxChars or
    // above the bytes left is refused before anything is allocated.
    bool readString(QString& out, qsizetype maxChars);

    qsizetype remaining() const { return m_data.size() - m_pos; }
    qsizetype position() const { return m_pos; }

private:
    // Reads the count coding that follows the optional mark. `wide` is set
    // when the 0xFFFE mark was met. Returns false on truncation or a repeated mark.
    bool readStringHeader(quint64& count, bool& wide);

    QByteArray m_data;  // implicitly shared copy: safe against temporaries
    qsizetype m_pos = 0;
};

class BinaryWriter {
public:
    void writeI32(qint32 value);
    void writeU8(quint8 value);
    void writeU16(quint16 value);
    void writeU32(quint32 value);
    void writeU64(quint64 value);
    void writeBytes(const char* src, qsizetype n);
    // Always written in the UTF-16 form (with the 0xFFFE mark).
    void writeString(const QString& text);

    const QByteArray& data() const { return m_data; }

private:
    QByteArray m_data;
};

// Decodes 8-bit text written in Windows-1252.
QString decodeWindows1252(const char* bytes, qsizetype n);

}  // namespace zentiq
