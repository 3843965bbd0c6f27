// An axis a reader can read: the range of the values widened to whole
// steps of 1, 2 or 5 times a power of ten, with ticks on those steps.
// No window needed.
#pragma once

#include <QString>

namespace zentiq {

struct NiceScale {
    double min = 0;
    double max = 1;
    double step = 1;
    int ticks = 2;  // from min to max, both ends included
    QString labelFormat = QStringLiteral("%.0f");  // printf format of a tick label
};

// The smallest such range around [low, high] with at most `maxTicks` ticks
// (at least 3). A flat or inverted range gets one around it; values that
// are not finite give the default scale.
NiceScale NiceScaleFor(double low, double high, int maxTicks = 11);

}  // namespace zentiq
