#include "documents/binary_io.h"

#include <cstring>

namespace zentiq {

namespace {

constexpr quint8 kLongCount8 = 0xFF;
constexpr quint16 kWideMark = 0xFFFE;
constexpr quint16 kLongCount16 = 0xFFFF;
constexpr quint32 kLongCount32 = 0xFFFFFFFFu;

// 0x80..0x9F of Windows-1252; the five unassigned bytes keep their value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QString decodeWindows1252(const char* bytes, qsizetype n) {
    QString out(n, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        dst[i] = (b >= 0x80 && b <= 0x9F) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

// ---- BinaryReader ------------------------------------------------------------

BinaryReader::BinaryReader(const QByteArray& data) : m_data(data) {}

bool BinaryReader::readBytes(char* dst, qsizetype n) {
    if (n < 0 || n > remaining())
        return false;
    if (n > 0)
        std::memcpy(dst, m_data.constData() + m_pos, static_cast<size_t>(n));
    m_pos += n;
    return true;
}

bool BinaryReader::skip(qsizetype n) {
    if (n < 0 || n > remaining())
        return false;
    m_pos += n;
    return true;
}

bool BinaryReader::readU8(quint8& out) {
    if (remaining() < 1)
        return false;
    out = static_cast<quint8>(m_data[m_pos]);
    m_pos += 1;
    return true;
}

bool BinaryReader::readU16(quint16& out) {
    unsigned char b[2];
    if (!readBytes(reinterpret_cast<char*>(b), 2))
        return false;
    out = static_cast<quint16>(b[0] | (b[1] << 8));
    return true;
}

bool BinaryReader::readU32(quint32& out) {
    unsigned char b[4];
    if (!readBytes(reinterpret_cast<char*>(b), 4))
        return false;
    out = quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) | (quint32(b[3]) << 24);
    return true;
}

bool BinaryReader::readU64(quint64& out) {
    unsigned char b[8];
    if (!readBytes(reinterpret_cast<char*>(b), 8))
        return false;
    out = 0;
    for (int i = 7; i >= 0; --i)
        out = (out << 8) | b[i];
    return true;
}

bool BinaryReader::readI32(qint32& out) {
    quint32 u = 0;
    if (!readU32(u))
        return false;
    out = static_cast<qint32>(u);
    return true;
}

bool BinaryReader::readStringHeader(quint64& count, bool& wide) {
    wide = false;
    for (;;) {
        quint8 b = 0;
        if (!readU8(b))
            return false;
        if (b < kLongCount8) {
            count = b;
            return true;
        }
        quint16 w = 0;
        if (!readU16(w))
            return false;
        if (w == kWideMark) {
            if (wide)
                return false;  // a second mark is not a valid coding
            wide = true;
            continue;
        }
        if (w < kWideMark) {
            count = w;
            return true;
        }
        quint32 d = 0;
        if (!readU32(d))
            return false;
        if (d < kLongCount32) {
            count = d;
            return true;
        }
        return readU64(count);
    }
}

bool BinaryReader::readString(QString& out, qsizetype maxChars) {
    const qsizetype start = m_pos;
    quint64 count = 0;
    bool wide = false;
    if (!readStringHeader(count, wide)) {
        m_pos = start;
        return false;
    }
    const quint64 limit = maxChars < 0 ? 0 : static_cast<quint64>(maxChars);
    const quint64 unit = wide ? 2 : 1;
    if (count > limit || count > static_cast<quint64>(remaining()) / unit) {
        m_pos = start;
        return false;
    }
    const auto n = static_cast<qsizetype>(count);
    const char* src = m_data.constData() + m_pos;
    if (wide) {
        QString text(n, Qt::Uninitialized);
        QChar* dst = text.data();
        for (qsizetype i = 0; i < n; ++i) {
            const auto lo = static_cast<unsigned char>(src[2 * i]);
            const auto hi = static_cast<unsigned char>(src[2 * i + 1]);
            dst[i] = QChar(static_cast<char16_t>(lo | (hi << 8)));
        }
        out = std::move(text);
        m_pos += 2 * n;
    } else {
        out = decodeWindows1252(src, n);
        m_pos += n;
    }
    return true;
}

// ---- BinaryWriter ------------------------------------------------------------

void BinaryWriter::writeU8(quint8 value) { m_data.append(static_cast<char>(value)); }

void BinaryWriter::writeU16(quint16 value) {
    const char b[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    m_data.append(b, 2);
}

void BinaryWriter::writeU32(quint32 value) {
    char b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    m_data.append(b, 4);
}

void BinaryWriter::writeU64(quint64 value) {
    char b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    m_data.append(b, 8);
}

void BinaryWriter::writeI32(qint32 value) { writeU32(static_cast<quint32>(value)); }

void BinaryWriter::writeBytes(const char* src, qsizetype n) {
    if (n > 0)
        m_data.append(src, n);
}

void BinaryWriter::writeString(const QString& text) {
    writeU8(kLongCount8);
    writeU16(kWideMark);
    const auto count = static_cast<quint64>(text.size());
    if (count < kLongCount8) {
        writeU8(static_cast<quint8>(count));
    } else {
        writeU8(kLongCount8);
        if (count < kWideMark) {
            writeU16(static_cast<quint16>(count));
        } else {
            writeU16(kLongCount16);
            if (count < kLongCount32) {
                writeU32(static_cast<quint32>(count));
            } else {
                writeU32(kLongCount32);
                writeU64(count);
            }
        }
    }
    for (QChar c : text)
        writeU16(c.unicode());
}

}  // namespace zentiq
