// Cell coordinates and rectangular ranges of cells.
#pragma once

namespace zentiq {

// One cell by row and column; (-1, -1) means none.
struct CCellID {
    int row = -1;
    int col = -1;

    constexpr CCellID() = default;
    constexpr CCellID(int r, int c) : row(r), col(c) {}
    constexpr bool isValid() const { return row >= 0 && col >= 0; }
    constexpr bool operator==(const CCellID&) const = default;
};

// Rows minRow..maxRow and columns minCol..maxCol, both ends included. A range
// with a negative bound or with min > max is empty.
class CCellRange {
public:
    constexpr CCellRange() = default;
    constexpr CCellRange(int minRow, int minCol, int maxRow, int maxCol)
        : m_minRow(minRow), m_minCol(minCol), m_maxRow(maxRow), m_maxCol(maxCol) {}
    static constexpr CCellRange single(CCellID cell) {
        return {cell.row, cell.col, cell.row, cell.col};
    }
    // The range spanned by two corner cells in any order.
    static CCellRange spanning(CCellID a, CCellID b);

    constexpr int minRow() const { return m_minRow; }
    constexpr int minCol() const { return m_minCol; }
    constexpr int maxRow() const { return m_maxRow; }
    constexpr int maxCol() const { return m_maxCol; }
    constexpr CCellID topLeft() const { return {m_minRow, m_minCol}; }

    constexpr bool isValid() const {
        return m_minRow >= 0 && m_minCol >= 0 && m_minRow <= m_maxRow && m_minCol <= m_maxCol;
    }
    constexpr bool contains(int row, int col) const {
        return isValid() && row >= m_minRow && row <= m_maxRow && col >= m_minCol &&
               col <= m_maxCol;
    }
    constexpr bool contains(CCellID c) const { return contains(c.row, c.col); }
    int rowSpan() const { return isValid() ? m_maxRow - m_minRow + 1 : 0; }
    int colSpan() const { return isValid() ? m_maxCol - m_minCol + 1 : 0; }

    // Smallest range holding both; an empty side is ignored.
    CCellRange united(const CCellRange& other) const;
    // Cells in both; empty when they do not overlap.
    CCellRange intersected(const CCellRange& other) const;

    constexpr bool operator==(const CCellRange&) const = default;

private:
    int m_minRow = -1;
    int m_minCol = -1;
    int m_maxRow = -1;
    int m_maxCol = -1;
};

}  // namespace zentiq
