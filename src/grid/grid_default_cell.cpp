#include "grid/grid_default_cell.h"

#include <algorithm>

namespace zentiq {

CGridDefaultCell::CGridDefaultCell() {
    setMargin(kUnmeasuredMargin);
    setFormat(grid_format::Left | grid_format::VCenter | grid_format::SingleLine |
              grid_format::NoPrefix | grid_format::EndEllipsis);
    setTextColour(gridRgb(0, 0, 0));
    setBackgroundColour(gridRgb(255, 255, 255));
}

void CGridDefaultCell::setFont(const QFont& font, const TextMeasureFn& measure) {
    CGridCell::setFont(font);
    std::optional<QSize> blank;
    std::optional<QSize> sample;
    if (measure) {
        blank = measure(font, QStringLiteral(" "));
        sample = measure(font, QStringLiteral(" XXXXXXXXXXXX "));
    }
    if (blank && sample && sample->width() > 0 && sample->height() > 0) {
        setMargin(std::max(0, blank->width()));
        m_width = sample->width();
        m_height = sample->height() * 3 / 2;
    } else {
        setMargin(kUnmeasuredMargin);
        m_width = kUnmeasuredWidth;
        m_height = kUnmeasuredHeight;
    }
}

}  // namespace zentiq
