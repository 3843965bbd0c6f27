#include "documents/doc_font.h"

#include <algorithm>
#include <cmath>

#include "documents/binary_io.h"

namespace zentiq {

namespace {

constexpr quint8 kFixedPitch = 0x01;
constexpr quint8 kPitchMask = 0x03;
constexpr quint8 kFamilyMask = 0xF0;

QFont::StyleHint styleHintForFamily(quint8 pitchAndFamily) {
    switch (pitchAndFamily & kFamilyMask) {
    case 0x10: return QFont::Serif;
    case 0x20: return QFont::TypeWriter;
    case 0x30: return QFont::SansSerif;
    case 0x40: return QFont::Cursive;
    case 0x50: return QFont::Decorative;
    default: return QFont::AnyStyle;
    }
}

}  // namespace

void DocFont::write(BinaryWriter& out) const {
    out.writeI32(height);
    out.writeI32(width);
    out.writeI32(escapement);
    out.writeI32(orientation);
    out.writeI32(weight);
    out.writeU8(italic);
    out.writeU8(underline);
    out.writeU8(strikeOut);
    out.writeU8(charSet);
    out.writeU8(outPrecision);
    out.writeU8(clipPrecision);
    out.writeU8(quality);
    out.writeU8(pitchAndFamily);
    out.writeString(faceName.left(kMaxFaceNameChars));
}

bool DocFont::read(BinaryReader& in) {
    DocFont f;
    QString name;
    const bool ok = in.readI32(f.height) && in.readI32(f.width) && in.readI32(f.escapement) &&
                    in.readI32(f.orientation) && in.readI32(f.weight) && in.readU8(f.italic) &&
                    in.readU8(f.underline) && in.readU8(f.strikeOut) && in.readU8(f.charSet) &&
                    in.readU8(f.outPrecision) && in.readU8(f.clipPrecision) &&
                    in.readU8(f.quality) && in.readU8(f.pitchAndFamily) &&
                    in.readString(name, kMaxStoredFaceNameChars);
    if (!ok)
        return false;
    // The face name field holds 31 characters and a terminator; a stored
    // name also ends at an embedded zero.
    const qsizetype zero = name.indexOf(QChar(0));
    if (zero >= 0)
        name.truncate(zero);
    f.setFaceName(name);
    *this = std::move(f);
    return true;
}

QFont DocFont::toQFont() const {
    QFont font;
    if (!faceName.isEmpty())
        font.setFamily(faceName);
    if (height < 0)
        font.setPointSize(std::clamp(-static_cast<qint64>(height), qint64(1), qint64(1000)));
    else if (height > 0)
        font.setPixelSize(std::clamp(static_cast<qint64>(height), qint64(1), qint64(1000)));
    font.setWeight(weight <= 0 ? QFont::Normal
                               : static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    font.setItalic(italic != 0);
    font.setUnderline(underline != 0);
    font.setStrikeOut(strikeOut != 0);
    font.setStyleHint(styleHintForFamily(pitchAndFamily));
    font.setFixedPitch((pitchAndFamily & kPitchMask) == kFixedPitch);
    return font;
}

DocFont DocFont::fromQFont(const QFont& font, const DocFont& base) {
    DocFont f = base;
    f.setFaceName(font.family());
    if (font.pointSizeF() > 0)
        f.height = -static_cast<qint32>(std::lround(font.pointSizeF()));
    else if (font.pixelSize() > 0)
        f.height = font.pixelSize();
    f.weight = static_cast<qint32>(font.weight());
    f.italic = font.italic() ? 1 : 0;
    f.underline = font.underline() ? 1 : 0;
    f.strikeOut = font.strikeOut() ? 1 : 0;
    return f;
}

DocFont DocFont::fromQFont(const QFont& font) { return fromQFont(font, DocFont()); }

}  // namespace zentiq
