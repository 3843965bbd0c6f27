#include "documents/doc_font.h"

#include <utility>

#include "documents/binary_io.h"

namespace zentiq {

// toQFont and fromQFont are in doc_font_qfont.cpp: reading and writing
// the record needs no font library.

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

}  // namespace zentiq
