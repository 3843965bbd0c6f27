#include "framework/contrast.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace zentiq {
namespace {

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

// `colour` with its HSL lightness moved the fraction `t` of the way to
// `target` (0 or 1), in the 8-bit components it is painted with.
QColor towards(const QColor& hsl, double target, double t) {
    const double lightness = hsl.lightnessF() + (target - hsl.lightnessF()) * t;
    const QColor c =
        QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), float(lightness)).toRgb();
    return QColor(c.red(), c.green(), c.blue());
}

}  // namespace

double RelativeLuminance(const QColor& colour) {
    const QColor c = colour.toRgb();
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsLightColour(const QColor& colour) {
    return ContrastRatio(colour, Qt::black) > ContrastRatio(colour, Qt::white);
}

QColor ReadableOn(const QColor& colour, const QColor& other, double minimum) {
    if (!colour.isValid() || !other.isValid() || ContrastRatio(colour, other) >= minimum)
        return colour;
    const QColor hsl = colour.toHsl();
    const double target = IsLightColour(other) ? 0.0 : 1.0;
    // The smallest move that reaches the ratio; contrast grows with the
    // move, so halving the interval finds it.
    double low = 0.0;
    double high = 1.0;
    for (int i = 0; i < 24; ++i) {
        const double mid = (low + high) / 2;
        if (ContrastRatio(towards(hsl, target, mid), other) >= minimum)
            high = mid;
        else
            low = mid;
    }
    QColor result = towards(hsl, target, high);
    result.setAlpha(colour.alpha());
    return result;
}

CellMark MarkOnPalette(const QColor& lightMark, const QColor& darkMark) {
    if (IsLightColour(QGuiApplication::palette().color(QPalette::Base)))
        return {lightMark, QColor(0, 0, 0)};
    return {darkMark, QColor(255, 255, 255)};
}

}  // namespace zentiq
