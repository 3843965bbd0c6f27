// The record as a QFont and back: the one part of DocFont that needs Qt's
// font library, apart from reading and writing it.
#include <algorithm>
#include <cmath>

#include "documents/doc_font.h"

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
