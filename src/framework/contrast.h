// How readable one colour is on another: WCAG relative luminance and
// contrast ratio, and the nearest colour of the same hue that is readable.
// Used where the program paints a colour of its own (the status band's red,
// a marked cell) so that it stays readable on light and dark palettes.
#pragma once

#include <QColor>

namespace zentiq {

// The ratio that body text needs against its background.
inline constexpr double kReadableContrast = 4.5;

// 0 (black) .. 1 (white), from the sRGB components.
double RelativeLuminance(const QColor& colour);
// 1 (no contrast) .. 21 (black on white); the same either way round.
double ContrastRatio(const QColor& a, const QColor& b);
// Black text would stand out more on it than white text.
bool IsLightColour(const QColor& colour);

// `colour` when it reaches `minimum` against `other`; otherwise the same hue
// made darker (on a light `other`) or lighter (on a dark one) just far enough.
// Black or white reach 4.5 against anything, so that ratio is always met.
QColor ReadableOn(const QColor& colour, const QColor& other, double minimum = kReadableContrast);

// A cell marked with a colour of the program's own and the text on it: the
// light mark with black text on a light palette, the dark mark with white
// text on a dark one, since the palette's own text would not read on both.
struct CellMark {
    QColor background, text;
};
CellMark MarkOnPalette(const QColor& lightMark, const QColor& darkMark);

}  // namespace zentiq
