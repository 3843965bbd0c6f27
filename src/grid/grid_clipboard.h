// The text the grid puts on the clipboard and how it spreads pasted text
// over its cells. Clipboard access itself stays with the window.
#pragma once

#include <QString>
#include <QStringView>

#include "grid/cell_range.h"

namespace zentiq {

class CGridModel;

class CGridClipboard {
public:
    // The rows and columns spanned by the selection, hidden ones left out: a
    // selected cell gives its text, an unselected one nothing; a tab between
    // cells, CR LF between rows, nothing after the last.
    static QString copyText(const CGridModel& grid);
    // The same cells as CSV rows for a spreadsheet: comma-separated, each
    // text without the blanks that align it, quoted and guarded against
    // formulas by the one CSV writer.
    static QString copyCsv(const CGridModel& grid);
    // Every visible cell, headers included, as CSV rows with a final line end.
    static QString allCsv(const CGridModel& grid);

    // Copies, then clears the selected cells as Delete does. Empty (and
    // nothing cleared) while editing is disabled.
    static QString cut(CGridModel& grid);

    // Writes text at the grid's paste target: lines at LF (a CR before it is
    // dropped, as is one final line break), fields at tab or comma; line n
    // into the n-th visible row, field m into the m-th visible column from
    // the target. Each field goes through the edit path, so only editable
    // cells take it; every cell that took its field is deselected. Returns
    // the number of texts that changed.
    static int paste(CGridModel& grid, QStringView text);
    static int paste(CGridModel& grid, QStringView text, CCellID target);
};

}  // namespace zentiq
