// A font description as the document and its grid cells store it: 28 bytes
// of metrics and flags followed by the face name. Kept as a plain record so
// that it survives a load/save round trip bit for bit, whatever QFont makes
// of it.
#pragma once

#include <QFont>
#include <QString>
#include <QtGlobal>

namespace zentiq {

class BinaryReader;
class BinaryWriter;

struct DocFont {
    static constexpr int kMaxFaceNameChars = 31;
    // Longest face name accepted from a file before it is cut to 31 characters.
    static constexpr qsizetype kMaxStoredFaceNameChars = 4096;

    qint32 height = 0;  // negative: character height in points (-10 = 10 pt)
    qint32 width = 0;
    qint32 escapement = 0;
    qint32 orientation = 0;
    qint32 weight = 0;  // 400 normal, 700 bold, 0 = default
    quint8 italic = 0;
    quint8 underline = 0;
    quint8 strikeOut = 0;
    quint8 charSet = 0;
    quint8 outPrecision = 0;
    quint8 clipPrecision = 0;
    quint8 quality = 0;
    quint8 pitchAndFamily = 0;
    QString faceName;

    // Appends the 28-byte record and the face name string.
    void write(BinaryWriter& out) const;
    // Reads a record; on failure returns false and leaves *this untouched.
    // The reader may have consumed part of the record: callers treat the
    // whole file as unreadable then.
    bool read(BinaryReader& in);

    QFont toQFont() const;
    // The fields QFont knows are taken from `font`; the others (width,
    // escapement, precision, quality, charset) are kept from `base`.
    static DocFont fromQFont(const QFont& font, const DocFont& base);
    static DocFont fromQFont(const QFont& font);

    void setFaceName(const QString& name) { faceName = name.left(kMaxFaceNameChars); }

    bool operator==(const DocFont&) const = default;
};

}  // namespace zentiq
