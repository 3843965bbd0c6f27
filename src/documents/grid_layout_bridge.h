// Copies the stored part of a grid (sizes, per-cell colours, fonts and texts,
// focus and scroll state) between the grid's table model and the plain
// GridLayoutData that the document file reads and writes.
#pragma once

#include "documents/doc_font.h"
#include "documents/grid_layout_data.h"

namespace zentiq {

class CGridModel;

// Takes every cell's own colours (kDefaultColour where it has none), its
// font (its own or its default cell's; the record fields QFont does not know
// come from `fontBase`) and its text, the focus cell, and the scroll
// positions the window reports.
GridLayoutData CaptureGridLayout(const CGridModel& grid, const DocFont& fontBase, int scrollV,
                                 int scrollH);

// Sizes the grid to the data and applies sizes, colours, fonts and the texts
// of the alias (odd) columns. Everything is set as a fill by program, so the
// grid's modified flag is as before. Focus and scroll positions are left to
// the view, which restores them from the document.
void ApplyGridLayout(const GridLayoutData& data, CGridModel& grid);

}  // namespace zentiq
