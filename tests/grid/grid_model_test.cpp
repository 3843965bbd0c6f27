#include "grid/grid_model.h"

#include <gtest/gtest.h>

#include "grid/grid_test_support.h"

namespace zentiq {
namespace {

using grid_test::Owner;

// Laid out like a poll window: header row and column, then alias / value
// column pairs; value columns are read-only.
class GridModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        grid.setTextMeasure(grid_test::fixedMeasure);
        ASSERT_TRUE(grid.setRowCount(11));
        ASSERT_TRUE(grid.setColumnCount(5));
        ASSERT_TRUE(grid.setFixedRowCount(1));
        ASSERT_TRUE(grid.setFixedColumnCount(1));
        for (int r = 1; r < 11; ++r)
            for (int c = 2; c < 5; c += 2)
                grid.setItemReadOnly(r, c, true);
        grid.setModified(false);
        owner.attach(grid);
    }

    CGridModel grid;
    Owner owner;
};

TEST_F(GridModelTest, SelectionIsClampedToNonFixedCellsAndTable)
{
    grid.setSelectedRange(0, 0, 2, 2);
    EXPECT_EQ(grid.selectedCellRange(), CCellRange(1, 1, 2, 2));
    EXPECT_EQ(grid.selectedCount(), 4);
    EXPECT_FALSE(grid.isCellSelected(0, 1));
    EXPECT_FALSE(grid.isCellSelected(1, 0));
    EXPECT_TRUE(grid.itemState(1, 1) & GVIS_SELECTED);

    grid.setSelectedRange(9, 3, 50, 70);
    EXPECT_EQ(grid.selectedCellRange(), CCellRange(9, 3, 10, 4));
    EXPECT_EQ(grid.selectedCount(), 4);
    EXPECT_FALSE(grid.isCellSelected(1, 1)) << "old selection outside the new range is dropped";

    grid.setSelectedRange(-1, -1, -1, -1);
    EXPECT_EQ(grid.selectedCount(), 0);
    EXPECT_FALSE(grid.selectedCellRange().isValid());
    EXPECT_TRUE(grid.selectedCells().empty());
}

TEST_F(GridModelTest, SelectionRedrawsOnlyCellsWhoseStateChanged)
{
    grid.setSelectedRange(1, 1, 2, 2);
    std::vector<CCellRange> dirty;
    grid.setInvalidateHandler([&](const CCellRange& r) { dirty.push_back(r); });
    grid.setSelectedRange(2, 2, 3, 3);
    ASSERT_EQ(dirty.size(), 1u);
    // (1,1),(1,2),(2,1) leave, (2,3),(3,2),(3,3) join; (2,2) stays.
    EXPECT_EQ(dirty[0], CCellRange(1, 1, 3, 3));
    EXPECT_EQ(grid.selectedCount(), 4);
    EXPECT_TRUE(grid.isCellSelected(2, 2));
    EXPECT_FALSE(grid.isCellSelected(1, 2));
}

TEST_F(GridModelTest, ItemStateSelectedBitKeepsSelectionInStep)
{
    grid.setItemState(4, 3, grid.itemState(4, 3) | GVIS_SELECTED);
    grid.setItemState(0, 2, GVIS_SELECTED);  // a header never takes it
    EXPECT_EQ(grid.selectedCount(), 1);
    EXPECT_EQ(grid.selectedCellRange(), CCellRange(4, 3, 4, 3));
    EXPECT_FALSE(grid.isCellSelected(0, 2));
    grid.setItemState(4, 3, 0);
    EXPECT_EQ(grid.selectedCount(), 0);
    // A later range replaces a set that was built cell by cell.
    grid.setItemState(7, 1, GVIS_SELECTED);
    grid.setSelectedRange(1, 1, 1, 1);
    EXPECT_FALSE(grid.isCellSelected(7, 1));
    EXPECT_EQ(grid.selectedCount(), 1);
}

TEST_F(GridModelTest, FocusCellIsClampedAndCarriesTheFocusedBit)
{
    EXPECT_EQ(grid.setFocusCell(0, 0), CCellID());
    EXPECT_EQ(grid.focusCell(), CCellID(1, 1));
    EXPECT_TRUE(grid.itemState(1, 1) & GVIS_FOCUSED);

    EXPECT_EQ(grid.setFocusCell(5, 4), CCellID(1, 1));
    EXPECT_FALSE(grid.itemState(1, 1) & GVIS_FOCUSED);
    EXPECT_TRUE(grid.itemState(5, 4) & GVIS_FOCUSED);

    grid.setFocusCell(11, 1);  // beyond the table: no effect
    EXPECT_EQ(grid.focusCell(), CCellID(5, 4));
    grid.setFocusCell(-1, -1);
    EXPECT_FALSE(grid.focusCell().isValid());
    EXPECT_FALSE(grid.itemState(5, 4) & GVIS_FOCUSED);
}

TEST_F(GridModelTest, FocusChangeRedrawsTheHeadersOfOldAndNewCell)
{
    grid.setFocusCell(2, 3);
    std::vector<CCellRange> dirty;
    grid.setInvalidateHandler([&](const CCellRange& r) { dirty.push_back(r); });
    grid.setFocusCell(4, 1);
    auto has = [&](int r, int c) {
        for (const CCellRange& d : dirty)
            if (d.contains(r, c))
                return true;
        return false;
    };
    EXPECT_TRUE(has(2, 0) && has(0, 3) && has(2, 3));
    EXPECT_TRUE(has(4, 0) && has(0, 1) && has(4, 1));
    EXPECT_FALSE(has(0, 2));
}

TEST_F(GridModelTest, UserMovesNotifyAroundSelectionAndExtendFromStart)
{
    std::vector<int> selectedWhenChanging;
    owner.answer = [&](const GridNotification& n) {
        if (n.code == GVN_SELCHANGING)
            selectedWhenChanging.push_back(grid.selectedCount());
        return 0;
    };
    EXPECT_TRUE(grid.moveFocus(2, 1, false));
    EXPECT_EQ(owner.codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
    EXPECT_EQ(owner.seen[0].row, 2);
    EXPECT_EQ(owner.seen[0].column, 1);
    EXPECT_EQ(grid.focusCell(), CCellID(2, 1));
    EXPECT_EQ(grid.selectedCellRange(), CCellRange(2, 1, 2, 1));

    EXPECT_TRUE(grid.moveFocus(4, 3, true));
    EXPECT_EQ(grid.selectedCellRange(), CCellRange(2, 1, 4, 3));
    EXPECT_TRUE(grid.moveFocus(3, 2, true));
    EXPECT_EQ(grid.selectedCellRange(), CCellRange(2, 1, 3, 2)) << "extends from the start cell";
    EXPECT_EQ(grid.selectionStartCell(), CCellID(2, 1));

    EXPECT_TRUE(grid.moveFocus(6, 4, false));
    EXPECT_EQ(grid.selectedCellRange(), CCellRange(6, 4, 6, 4));
    EXPECT_EQ(selectedWhenChanging, (std::vector<int>{0, 1, 9, 4}))
        << "SELCHANGING comes before the selection changes";

    owner.seen.clear();
    EXPECT_FALSE(grid.moveFocus(6, 4, false)) << "nothing moves";
    EXPECT_FALSE(grid.moveFocus(0, 2, false)) << "headers cannot take the focus";
    EXPECT_FALSE(grid.moveFocus(3, 9, false));
    EXPECT_TRUE(owner.seen.empty());
}

TEST_F(GridModelTest, SelectAllTakesEveryNonFixedCellBetweenNotifications)
{
    std::vector<int> counts;
    owner.answer = [&](const GridNotification&) {
        counts.push_back(grid.selectedCount());
        return 0;
    };
    grid.selectAll();
    EXPECT_EQ(owner.codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
    EXPECT_EQ(counts, (std::vector<int>{0, 40}));
    EXPECT_EQ(grid.selectedCellRange(), CCellRange(1, 1, 10, 4));

    grid.clearSelection();
    grid.setSelectable(false);
    grid.selectAll();
    EXPECT_EQ(grid.selectedCount(), 0);
}

TEST_F(GridModelTest, ResizingKeepsCellsInsideAndDropsTheRest)
{
    grid.setItemText(3, 3, QStringLiteral("kept"));
    grid.setItemBkColour(3, 3, gridRgb(1, 2, 3));
    grid.setItemText(9, 4, QStringLiteral("dropped"));
    grid.setItemFgColour(9, 4, gridRgb(9, 9, 9));
    grid.setItemFont(9, 4, QFont(QStringLiteral("Serif"), 20));
    grid.setRowHeight(9, 33);
    grid.setSelectedRange(2, 2, 9, 4);
    grid.setFocusCell(9, 4);

    ASSERT_TRUE(grid.setRowCount(5));
    EXPECT_EQ(grid.rowCount(), 5);
    EXPECT_EQ(grid.itemText(3, 3), QStringLiteral("kept"));
    EXPECT_EQ(grid.itemBkColour(3, 3), gridRgb(1, 2, 3));
    EXPECT_TRUE(grid.itemState(3, 4) & GVIS_READONLY);
    EXPECT_EQ(grid.selectedCount(), 9) << "rows 2..4, columns 2..4";
    EXPECT_FALSE(grid.focusCell().isValid()) << "the focus cell is gone";

    ASSERT_TRUE(grid.setRowCount(11));
    EXPECT_EQ(grid.itemText(9, 4), QString());
    EXPECT_EQ(grid.itemFgColour(9, 4), kDefaultColour);
    EXPECT_FALSE(grid.hasItemFont(9, 4));
    EXPECT_EQ(grid.itemState(9, 4), 0u) << "new cells take the defaults, read-only included";
    EXPECT_EQ(grid.rowHeight(9), grid.defaultCell(false, false).height());
    EXPECT_EQ(grid.itemFormat(9, 4), grid.defaultCell(false, false).format());

    ASSERT_TRUE(grid.setColumnCount(3));
    EXPECT_EQ(grid.itemText(3, 3), QString());
    EXPECT_EQ(grid.selectedCount(), 3) << "column 2 of rows 2..4";
    ASSERT_TRUE(grid.setColumnCount(5));
    EXPECT_EQ(grid.itemText(3, 3), QString());
    EXPECT_EQ(grid.columnWidth(4), grid.defaultCell(false, false).width());
}

TEST_F(GridModelTest, FixedCountsTakeHeaderCellsOutOfSelectionAndFocus)
{
    grid.setSelectedRange(1, 1, 3, 3);
    grid.setFocusCell(1, 2);
    ASSERT_TRUE(grid.setFixedRowCount(2));
    EXPECT_EQ(grid.selectedCellRange(), CCellRange(2, 1, 3, 3));
    EXPECT_EQ(grid.selectedCount(), 6);
    EXPECT_FALSE(grid.focusCell().isValid());
    EXPECT_FALSE(grid.itemState(1, 2) & GVIS_FOCUSED);

    ASSERT_TRUE(grid.setFixedColumnCount(7));
    EXPECT_EQ(grid.columnCount(), 7) << "a fixed count above the count grows the table";
    EXPECT_EQ(grid.selectedCount(), 0);

    ASSERT_TRUE(grid.setRowCount(1));
    EXPECT_EQ(grid.fixedRowCount(), 1);
}

TEST_F(GridModelTest, BadSizesAndCellsFailWithoutEffect)
{
    EXPECT_FALSE(grid.setRowCount(-1));
    EXPECT_FALSE(grid.setColumnCount(CGridModel::kMaxColumns + 1));
    EXPECT_FALSE(grid.setRowCount(CGridModel::kMaxRows + 1));
    EXPECT_FALSE(grid.setColumnCount(CGridModel::kMaxColumns)) << "more cells than allowed";
    EXPECT_EQ(grid.rowCount(), 11);
    EXPECT_FALSE(grid.setFixedRowCount(-3));
    EXPECT_FALSE(grid.setColumnWidth(5, 10));
    EXPECT_FALSE(grid.setColumnWidth(1, -2));
    EXPECT_FALSE(grid.setRowHeight(2, CGridModel::kMaxExtent + 1));
    EXPECT_EQ(grid.columnWidth(-1), -1);
    EXPECT_FALSE(grid.setItemText(11, 0, QStringLiteral("x")));
    EXPECT_FALSE(grid.setItemText(-1, 2, QStringLiteral("x")));
    EXPECT_EQ(grid.itemText(0, 5), QString());
    GridItem item;
    item.row = 3;
    item.col = -4;
    item.mask = GVIF_ALL;
    EXPECT_FALSE(grid.setItem(item));
    EXPECT_FALSE(grid.getItem(item));
    EXPECT_FALSE(grid.setItemState(20, 20, GVIS_SELECTED));
    EXPECT_EQ(grid.selectedCount(), 0);
    EXPECT_FALSE(grid.isModified()) << "failed calls leave the grid unmodified";
    EXPECT_FALSE(grid.autoSizeColumn(9));
    EXPECT_EQ(grid.cell(11, 1), nullptr);
}

TEST_F(GridModelTest, ProgramFillLeavesTheModifiedFlagAsItWas)
{
    {
        CGridModel::ProgramFill fill(grid);
        grid.setItemText(1, 2, QStringLiteral("123"));
        grid.setItemText(2, 2, QStringLiteral("456"));
        grid.setColumnWidth(2, 99);
    }
    EXPECT_FALSE(grid.isModified());
    EXPECT_FALSE(grid.isModified(1, 2));
    EXPECT_EQ(grid.itemText(2, 2), QStringLiteral("456"));

    grid.setModified(true);
    {
        CGridModel::ProgramFill fill(grid);
        grid.setItemText(1, 2, QStringLiteral("7"));
        grid.setModified(false);  // even an explicit clear inside is undone
    }
    EXPECT_TRUE(grid.isModified());

    // The same pattern spelled out by hand.
    grid.setModified(false);
    const bool was = grid.isModified();
    grid.setItemText(3, 2, QStringLiteral("x"));
    EXPECT_TRUE(grid.isModified()) << "a text set by program marks until restored";
    EXPECT_TRUE(grid.isModified(3, 2));
    grid.setModified(was);
    EXPECT_FALSE(grid.isModified());
    EXPECT_FALSE(grid.isModified(3, 2)) << "clearing the grid's flag clears the cells'";
}

TEST_F(GridModelTest, UserEditMarksCellAndGridAndNotifiesAroundIt)
{
    grid.setFocusCell(1, 1);
    ASSERT_TRUE(grid.beginEdit(1, 1, 'x'));
    EXPECT_EQ(owner.codes(), (std::vector<int>{GVN_BEGINLABELEDIT}));
    EXPECT_EQ(owner.seen[0].character, 0) << "an editable cell is announced with character 0";
    QString textSeenAtEnd;
    owner.answer = [&](const GridNotification& n) {
        if (n.code == GVN_ENDLABELEDIT)
            textSeenAtEnd = grid.itemText(n.row, n.column);
        return 0;
    };
    EXPECT_EQ(grid.endEdit(1, 1, QStringLiteral("Pump")), CGridModel::EditResult::Changed);
    EXPECT_EQ(textSeenAtEnd, QStringLiteral("Pump"));
    EXPECT_TRUE(grid.isModified());
    EXPECT_TRUE(grid.isModified(1, 1));
    EXPECT_FALSE(grid.isModified(2, 1));

    owner.seen.clear();
    EXPECT_EQ(grid.endEdit(1, 1, QStringLiteral("Pump")), CGridModel::EditResult::Unchanged);
    EXPECT_TRUE(owner.seen.empty()) << "an unchanged text is no edit";
}

TEST_F(GridModelTest, ReadOnlyCellOnlyAnnouncesTheAttemptWithItsCharacter)
{
    grid.setItemText(4, 2, QStringLiteral("17"));
    EXPECT_FALSE(grid.beginEdit(4, 2, '7'));
    EXPECT_FALSE(grid.beginEdit(4, 2, kEditByMouseOrF2));
    ASSERT_EQ(owner.seen.size(), 2u);
    EXPECT_EQ(owner.seen[0].code, GVN_BEGINLABELEDIT);
    EXPECT_EQ(owner.seen[0].row, 4);
    EXPECT_EQ(owner.seen[0].column, 2);
    EXPECT_EQ(owner.seen[0].character, '7');
    EXPECT_EQ(owner.seen[1].character, kEditByMouseOrF2);
    EXPECT_EQ(grid.endEdit(4, 2, QStringLiteral("99")), CGridModel::EditResult::Rejected);
    EXPECT_EQ(grid.itemText(4, 2), QStringLiteral("17"));

    owner.seen.clear();
    grid.setEditable(false);
    EXPECT_FALSE(grid.beginEdit(2, 1, 'a')) << "alias cells too while editing is off";
    EXPECT_EQ(owner.count(GVN_BEGINLABELEDIT, 2, 1), 1);
    EXPECT_FALSE(grid.beginEdit(12, 1, 'a'));
    EXPECT_EQ(owner.seen.size(), 1u) << "no notification for a cell that does not exist";
}

TEST_F(GridModelTest, OwnerRefusalCancelsOrRestores)
{
    grid.setItemText(2, 3, QStringLiteral("old"));
    grid.setModified(false);

    owner.answer = [](const GridNotification& n) { return n.code == GVN_BEGINLABELEDIT ? -1 : 0; };
    EXPECT_FALSE(grid.beginEdit(2, 3, 'n')) << "a refused begin-edit opens no editor";
    EXPECT_EQ(grid.editCellText(2, 3, QStringLiteral("new")), CGridModel::EditResult::Rejected);
    EXPECT_EQ(grid.itemText(2, 3), QStringLiteral("old"));
    EXPECT_EQ(owner.count(GVN_ENDLABELEDIT, 2, 3), 0);

    owner.answer = [](const GridNotification& n) { return n.code == GVN_ENDLABELEDIT ? -1 : 0; };
    ASSERT_TRUE(grid.beginEdit(2, 3, 0));
    EXPECT_EQ(grid.endEdit(2, 3, QStringLiteral("new")), CGridModel::EditResult::Rejected);
    EXPECT_EQ(grid.itemText(2, 3), QStringLiteral("old"));
    EXPECT_FALSE(grid.isModified());
    EXPECT_FALSE(grid.isModified(2, 3));

    // A refusal after an earlier accepted edit keeps that edit's marks.
    owner.answer = nullptr;
    EXPECT_EQ(grid.endEdit(2, 3, QStringLiteral("mid")), CGridModel::EditResult::Changed);
    owner.answer = [](const GridNotification& n) { return n.code == GVN_ENDLABELEDIT ? -1 : 0; };
    EXPECT_EQ(grid.endEdit(2, 3, QStringLiteral("late")), CGridModel::EditResult::Rejected);
    EXPECT_EQ(grid.itemText(2, 3), QStringLiteral("mid"));
    EXPECT_TRUE(grid.isModified());
    EXPECT_TRUE(grid.isModified(2, 3));
}

TEST_F(GridModelTest, OwnerShrinkingTheTableWhileAnsweringIsSurvived)
{
    owner.answer = [&](const GridNotification& n) {
        if (n.code == GVN_ENDLABELEDIT)
            grid.setRowCount(2);
        return -1;
    };
    EXPECT_EQ(grid.endEdit(7, 1, QStringLiteral("gone")), CGridModel::EditResult::Rejected);
    EXPECT_EQ(grid.rowCount(), 2);
    EXPECT_FALSE(grid.isModified());
}

TEST_F(GridModelTest, ValidatorCanRejectAnEdit)
{
    grid.setEditValidator([](int, int, const QString& text) { return !text.contains(u'!'); });
    EXPECT_EQ(grid.endEdit(1, 1, QStringLiteral("bad!")), CGridModel::EditResult::Rejected);
    EXPECT_EQ(grid.itemText(1, 1), QString());
    EXPECT_FALSE(grid.isModified());
    EXPECT_EQ(owner.count(GVN_ENDLABELEDIT, 1, 1), 0);
    EXPECT_EQ(grid.endEdit(1, 1, QStringLiteral("good")), CGridModel::EditResult::Changed);
}

TEST_F(GridModelTest, WidthChangesMarkModifiedOnlyWhenTheyChange)
{
    const int w = grid.columnWidth(2);
    EXPECT_TRUE(grid.setColumnWidth(2, w));
    EXPECT_FALSE(grid.isModified());
    EXPECT_TRUE(grid.setColumnWidth(2, w + 5));
    EXPECT_TRUE(grid.isModified());
    grid.setModified(false);
    EXPECT_TRUE(grid.setRowHeight(3, 0));
    EXPECT_TRUE(grid.isModified());
    EXPECT_FALSE(grid.isRowVisible(3));
}

TEST_F(GridModelTest, AutoSizeBringsAHiddenColumnBackAtItsContentWidth)
{
    const int margin = grid.itemMargin(1, 3);
    EXPECT_EQ(margin, 7) << "one blank of the default font";
    grid.setItemText(0, 3, QStringLiteral("Alias"));
    grid.setItemText(4, 3, QStringLiteral("Temperature"));
    grid.setItemText(5, 3, QStringLiteral("Flow"));
    ASSERT_TRUE(grid.setColumnWidth(3, 0));
    EXPECT_FALSE(grid.isColumnVisible(3));

    // Text, a margin each side and the grid line.
    ASSERT_TRUE(grid.autoSizeColumn(3));
    EXPECT_EQ(grid.columnWidth(3), 11 * 7 + 2 * margin + 1);
    ASSERT_TRUE(grid.autoSizeColumn(3, CGridModel::kAutoSizeHeader));
    EXPECT_EQ(grid.columnWidth(3), 5 * 7 + 2 * margin + 1);

    // A cell's own font and margin count.
    grid.setItemFont(5, 3, QFont(QStringLiteral("Serif"), 20));
    grid.setItemMargin(5, 3, 1);
    ASSERT_TRUE(grid.autoSizeColumn(3, CGridModel::kAutoSizeData));
    EXPECT_EQ(grid.columnWidth(3), 11 * 7 + 2 * margin + 1);
    grid.setItemText(5, 3, QStringLiteral("Flow rate m3"));
    ASSERT_TRUE(grid.autoSizeColumn(3, CGridModel::kAutoSizeData));
    EXPECT_EQ(grid.columnWidth(3), 12 * 10 + 2 + 1);

    ASSERT_TRUE(grid.autoSizeRow(5));
    EXPECT_EQ(grid.rowHeight(5), 13 + 2 * margin);
}

TEST_F(GridModelTest, DefaultCellMetricsFollowTheirFont)
{
    const CGridDefaultCell& d = grid.defaultCell(false, false);
    EXPECT_EQ(d.margin(), 7);
    EXPECT_EQ(d.width(), 14 * 7);
    EXPECT_EQ(d.height(), 13 * 3 / 2);

    grid.setDefaultFont(true, false, QFont(QStringLiteral("Serif"), 20));
    EXPECT_EQ(grid.defaultCell(true, false).width(), 140);
    EXPECT_EQ(grid.defaultCell(true, false).margin(), 10);
    EXPECT_EQ(grid.itemFont(0, 2).pointSize(), 20) << "a fixed-row cell takes its default's font";
    EXPECT_NE(grid.itemFont(0, 0).pointSize(), 20) << "the corner has a default cell of its own";

    grid.setTextMeasure([](const QFont&, const QString&) { return std::optional<QSize>(); });
    EXPECT_EQ(grid.defaultCell(false, false).margin(), 3);
    EXPECT_EQ(grid.defaultCell(false, false).width(), 40);
    EXPECT_EQ(grid.defaultCell(false, false).height(), 16);
    EXPECT_FALSE(grid.autoSizeColumn(1)) << "nothing to measure with";
}

TEST_F(GridModelTest, ScreenFontsMeasureWiderTextWider)
{
    grid.setTextMeasure(nullptr);  // the application's own font metrics
    grid.setItemText(1, 1, QStringLiteral("ab"));
    ASSERT_TRUE(grid.autoSizeColumn(1));
    const int narrow = grid.columnWidth(1);
    grid.setItemText(1, 1, QStringLiteral("abcdefghijklmnop"));
    ASSERT_TRUE(grid.autoSizeColumn(1));
    EXPECT_GT(grid.columnWidth(1), narrow);
    EXPECT_GT(grid.defaultCell(false, false).width(), 0);
}

TEST_F(GridModelTest, ColoursFallBackToTheirDefaultCell)
{
    grid.defaultCell(false, false).setBackgroundColour(gridRgb(10, 20, 30));
    grid.defaultCell(true, true).setBackgroundColour(gridRgb(50, 50, 50));
    EXPECT_EQ(grid.itemBkColour(2, 2), kDefaultColour);
    EXPECT_EQ(grid.effectiveBkColour(2, 2), gridRgb(10, 20, 30));
    EXPECT_EQ(grid.effectiveBkColour(0, 0), gridRgb(50, 50, 50));
    grid.setItemBkColour(2, 2, gridRgb(255, 0, 0));
    EXPECT_EQ(grid.effectiveBkColour(2, 2), gridRgb(255, 0, 0));
    EXPECT_EQ(toQColor(gridRgb(255, 0, 0)), QColor(255, 0, 0));
    EXPECT_EQ(fromQColor(QColor(1, 2, 3)), 0x030201u);
}

TEST_F(GridModelTest, ItemRecordChangesOnlyMaskedAttributes)
{
    grid.setItemText(3, 1, QStringLiteral("keep"));
    grid.setItemFgColour(3, 1, gridRgb(1, 1, 1));
    grid.setModified(false);

    GridItem item;
    item.row = 3;
    item.col = 1;
    item.mask = GVIF_BKCLR | GVIF_FONT | GVIF_STATE | GVIF_PARAM;
    item.text = QStringLiteral("ignored");
    item.bkColour = gridRgb(0, 0, 200);
    item.fgColour = gridRgb(200, 0, 0);
    item.font = QFont(QStringLiteral("Serif"), 16);
    item.state = GVIS_SELECTED | GVIS_READONLY;
    item.data = 42;
    ASSERT_TRUE(grid.setItem(item));
    EXPECT_EQ(grid.itemText(3, 1), QStringLiteral("keep"));
    EXPECT_EQ(grid.itemFgColour(3, 1), gridRgb(1, 1, 1));
    EXPECT_EQ(grid.itemBkColour(3, 1), gridRgb(0, 0, 200));
    EXPECT_EQ(grid.itemFont(3, 1).pointSize(), 16);
    EXPECT_EQ(grid.itemData(3, 1), 42);
    EXPECT_TRUE(grid.isCellSelected(3, 1));
    EXPECT_EQ(grid.selectedCount(), 1);
    EXPECT_FALSE(grid.isCellEditable(3, 1));
    EXPECT_TRUE(grid.isModified());
    EXPECT_TRUE(grid.isModified(3, 1));

    GridItem out;
    out.row = 3;
    out.col = 1;
    out.mask = GVIF_TEXT | GVIF_FGCLR;
    ASSERT_TRUE(grid.getItem(out));
    EXPECT_EQ(out.text, QStringLiteral("keep"));
    EXPECT_EQ(out.fgColour, gridRgb(1, 1, 1));
    EXPECT_EQ(out.bkColour, kDefaultColour) << "not asked for";

    item.mask = GVIF_FONT;
    item.font.reset();
    ASSERT_TRUE(grid.setItem(item));
    EXPECT_FALSE(grid.hasItemFont(3, 1));
}

TEST_F(GridModelTest, CellRectanglesFollowWidthsAndScrolling)
{
    for (int c = 0; c < 5; ++c)
        grid.setColumnWidth(c, 10 * (c + 1));
    for (int r = 0; r < 11; ++r)
        grid.setRowHeight(r, 20);

    std::optional<QRect> rect = grid.cellRect(2, 3, CCellID(1, 1));
    ASSERT_TRUE(rect);
    EXPECT_EQ(*rect, QRect(10 + 20 + 30, 40, 40, 20));
    EXPECT_EQ(rect->right(), 60 + 40 - 1);

    // Scrolled right past columns 1 and 2: column 3 follows the header.
    EXPECT_EQ(grid.topLeftNonFixedCell(50, 0), CCellID(1, 3));
    rect = grid.cellRect(2, 3, CCellID(1, 3));
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->left(), 10);
    EXPECT_FALSE(grid.cellRect(2, 2, CCellID(1, 3))) << "scrolled out to the left";
    rect = grid.cellRect(0, 3, CCellID(4, 3));
    ASSERT_TRUE(rect) << "a header row cell stays at the top whatever the row scroll";
    EXPECT_EQ(rect->topLeft(), QPoint(10, 0));
    EXPECT_FALSE(grid.cellRect(3, 3, CCellID(4, 3))) << "scrolled out above";
    EXPECT_FALSE(grid.cellRect(11, 1, CCellID(1, 1)));

    grid.setColumnWidth(1, 0);
    EXPECT_EQ(grid.topLeftNonFixedCell(0, 0), CCellID(1, 2)) << "a hidden column is never the first";
    EXPECT_EQ(grid.totalWidth(), 0 + 10 + 30 + 40 + 50);
    EXPECT_EQ(grid.fixedColumnsWidth(), 10);
}

TEST_F(GridModelTest, VisibleNavigationSkipsHiddenAndFixed)
{
    grid.setColumnWidth(1, 0);
    grid.setRowHeight(10, 0);
    EXPECT_EQ(grid.firstVisibleColumn(), 2);
    EXPECT_EQ(grid.lastVisibleRow(), 9);
    EXPECT_EQ(grid.nextVisibleColumn(2, -1), -1);
    EXPECT_EQ(grid.nextVisibleRow(9, 1), -1);
    EXPECT_EQ(grid.nextVisibleRow(-50, 1), 1);
    EXPECT_EQ(grid.firstVisibleNonFixedCell(), CCellID(1, 2));
}

TEST_F(GridModelTest, CommandRulesFollowSelectionFocusAndEditing)
{
    EXPECT_FALSE(grid.canCopy());
    EXPECT_FALSE(grid.canCut());
    grid.setSelectedRange(1, 2, 1, 2);
    EXPECT_TRUE(grid.canCopy());
    EXPECT_TRUE(grid.canCut());
    grid.setFocusCell(1, 2);
    EXPECT_FALSE(grid.canPaste(true)) << "read-only focus cell";
    grid.setFocusCell(1, 1);
    EXPECT_TRUE(grid.canPaste(true));
    EXPECT_FALSE(grid.canPaste(false));
    grid.setEditable(false);
    EXPECT_FALSE(grid.canCut());
    EXPECT_FALSE(grid.canPaste(true));
    EXPECT_TRUE(grid.canCopy());
}

}  // namespace
}  // namespace zentiq
