#include "grid/cell_range.h"

#include <algorithm>

namespace zentiq {

CCellRange CCellRange::spanning(CCellID a, CCellID b) {
    return {std::min(a.row, b.row), std::min(a.col, b.col), std::max(a.row, b.row),
            std::max(a.col, b.col)};
}

CCellRange CCellRange::united(const CCellRange& other) const {
    if (!isValid())
        return other.isValid() ? other : CCellRange();
    if (!other.isValid())
        return *this;
    return {std::min(m_minRow, other.m_minRow), std::min(m_minCol, other.m_minCol),
            std::max(m_maxRow, other.m_maxRow), std::max(m_maxCol, other.m_maxCol)};
}

CCellRange CCellRange::intersected(const CCellRange& other) const {
    if (!isValid() || !other.isValid())
        return {};
    CCellRange r(std::max(m_minRow, other.m_minRow), std::max(m_minCol, other.m_minCol),
                 std::min(m_maxRow, other.m_maxRow), std::min(m_maxCol, other.m_maxCol));
    return r.isValid() ? r : CCellRange();
}

}  // namespace zentiq
