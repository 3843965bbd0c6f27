#include "grid/grid_clipboard.h"

#include <gtest/gtest.h>

#include "grid/grid_model.h"
#include "grid/grid_test_support.h"

namespace zentiq {
namespace {

using grid_test::Owner;

// Header row and column; columns 1 and 3 editable (alias), 2 and 4
// read-only (value). Every cell starts with the text "r<row>c<col>".
class GridClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        grid.setTextMeasure(grid_test::fixedMeasure);
        grid.setRowCount(6);
        grid.setColumnCount(5);
        grid.setFixedRowCount(1);
        grid.setFixedColumnCount(1);
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 5; ++c) {
                grid.setItemText(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
                if (r > 0 && c > 0 && c % 2 == 0)
                    grid.setItemReadOnly(r, c, true);
            }
        grid.setModified(false);
        owner.attach(grid);
    }

    CGridModel grid;
    Owner owner;
};

TEST_F(GridClipboardTest, CopyJoinsFieldsWithTabsAndRowsWithCrLf)
{
    grid.setSelectedRange(1, 1, 2, 3);
    EXPECT_EQ(CGridClipboard::copyText(grid),
              QStringLiteral("r1c1\tr1c2\tr1c3\r\nr2c1\tr2c2\tr2c3"));
}

TEST_F(GridClipboardTest, CopySkipsHiddenColumnsAndRowsEntirely)
{
    grid.setSelectedRange(1, 1, 3, 3);
    grid.setColumnWidth(2, 0);
    grid.setRowHeight(2, 0);
    EXPECT_EQ(CGridClipboard::copyText(grid), QStringLiteral("r1c1\tr1c3\r\nr3c1\tr3c3"));
}

TEST_F(GridClipboardTest, CopyLeavesUnselectedCellsOfTheSpanEmpty)
{
    grid.setSelectedRange(1, 1, 1, 1);
    grid.setItemState(2, 3, grid.itemState(2, 3) | GVIS_SELECTED);
    EXPECT_EQ(CGridClipboard::copyText(grid), QStringLiteral("r1c1\t\t\r\n\t\tr2c3"));
    grid.clearSelection();
    EXPECT_EQ(CGridClipboard::copyText(grid), QString());
}

TEST_F(GridClipboardTest, PasteIntoAliasCellBesideReadOnlyValueCell)
{
    grid.setFocusCell(1, 1);
    EXPECT_EQ(CGridClipboard::paste(grid, u"a,b"), 1);
    EXPECT_EQ(grid.itemText(1, 1), QStringLiteral("a"));
    EXPECT_EQ(grid.itemText(1, 2), QStringLiteral("r1c2"));
    EXPECT_EQ(owner.codes(), (std::vector<int>{GVN_BEGINLABELEDIT, GVN_ENDLABELEDIT}));
    EXPECT_EQ(owner.count(GVN_ENDLABELEDIT, 1, 1), 1);
    EXPECT_TRUE(grid.isModified());
    EXPECT_TRUE(grid.isModified(1, 1));
    EXPECT_FALSE(grid.isModified(1, 2));
}

TEST_F(GridClipboardTest, PasteMultiLineCrLfTextSkipsHiddenColumns)
{
    for (int r = 1; r < 6; ++r)
        grid.setItemReadOnly(r, 2, false);
    grid.setColumnWidth(2, 0);
    grid.setSelectedRange(2, 1, 4, 3);
    EXPECT_EQ(CGridClipboard::paste(grid, u"1\t2\r\n3,4\r\n"), 4);
    EXPECT_EQ(grid.itemText(2, 1), QStringLiteral("1"));
    EXPECT_EQ(grid.itemText(2, 2), QStringLiteral("r2c2")) << "hidden column skipped";
    EXPECT_EQ(grid.itemText(2, 3), QStringLiteral("2"));
    EXPECT_EQ(grid.itemText(3, 1), QStringLiteral("3"));
    EXPECT_EQ(grid.itemText(3, 3), QStringLiteral("4"));
    EXPECT_EQ(grid.itemText(4, 1), QStringLiteral("r4c1")) << "the final line break opens no line";
    EXPECT_FALSE(grid.itemText(3, 3).contains(u'\r'));
    // The cells that took a field left the selection, the others stayed.
    EXPECT_FALSE(grid.isCellSelected(2, 1));
    EXPECT_FALSE(grid.isCellSelected(3, 3));
    EXPECT_TRUE(grid.isCellSelected(4, 1));
    EXPECT_TRUE(grid.isCellSelected(2, 2));
    EXPECT_EQ(grid.selectedCount(), 5);
}

TEST_F(GridClipboardTest, PasteSkipsHiddenRowsAndKeepsEmptyFieldsInPlace)
{
    grid.setRowHeight(2, 0);
    grid.setFocusCell(1, 1);
    EXPECT_EQ(CGridClipboard::paste(grid, u"x,,y\nz"), 3);
    EXPECT_EQ(grid.itemText(1, 1), QStringLiteral("x"));
    EXPECT_EQ(grid.itemText(1, 3), QStringLiteral("y")) << "the empty field took read-only column 2";
    EXPECT_EQ(grid.itemText(2, 1), QStringLiteral("r2c1"));
    EXPECT_EQ(grid.itemText(3, 1), QStringLiteral("z"));

    EXPECT_EQ(CGridClipboard::paste(grid, u",q", CCellID(4, 1)), 1);
    EXPECT_EQ(grid.itemText(4, 1), QString()) << "an empty field clears its cell";
    EXPECT_EQ(grid.itemText(4, 2), QStringLiteral("r4c2"));
}

TEST_F(GridClipboardTest, PasteTargetIsSelectionThenFocusThenFirstVisibleCell)
{
    grid.setFocusCell(5, 3);
    grid.setSelectedRange(3, 3, 4, 4);
    EXPECT_EQ(grid.pasteTarget(), CCellID(3, 3));
    grid.clearSelection();
    EXPECT_EQ(grid.pasteTarget(), CCellID(5, 3));
    grid.setFocusCell(-1, -1);
    grid.setColumnWidth(1, 0);
    EXPECT_EQ(grid.pasteTarget(), CCellID(1, 2));
    grid.setColumnWidth(1, 30);
    EXPECT_EQ(CGridClipboard::paste(grid, u"first"), 1);
    EXPECT_EQ(grid.itemText(1, 1), QStringLiteral("first"));
}

TEST_F(GridClipboardTest, PasteStopsAtTheTableEdges)
{
    QString big;
    for (int i = 0; i < 2000; ++i)
        big += QStringLiteral("v,w,x,y,z,a,b\n");
    EXPECT_EQ(CGridClipboard::paste(grid, big, CCellID(4, 3)), 2);
    EXPECT_EQ(grid.itemText(4, 3), QStringLiteral("v"));
    EXPECT_EQ(grid.itemText(5, 3), QStringLiteral("v"));
    EXPECT_EQ(grid.itemText(4, 4), QStringLiteral("r4c4"));
    EXPECT_EQ(CGridClipboard::paste(grid, u"x", CCellID(0, 1)), 0) << "never into a header";
    EXPECT_EQ(CGridClipboard::paste(grid, u"x", CCellID(9, 9)), 0);
    EXPECT_EQ(CGridClipboard::paste(grid, u"", CCellID(1, 1)), 0);
    EXPECT_EQ(grid.itemText(1, 1), QStringLiteral("r1c1"));
}

TEST_F(GridClipboardTest, PasteRefusedByOwnerKeepsOldTexts)
{
    owner.answer = [](const GridNotification& n) {
        return (n.code == GVN_ENDLABELEDIT && n.row == 1) ? -1 : 0;
    };
    grid.setSelectedRange(1, 1, 2, 1);
    EXPECT_EQ(CGridClipboard::paste(grid, u"no\nyes"), 1);
    EXPECT_EQ(grid.itemText(1, 1), QStringLiteral("r1c1"));
    EXPECT_EQ(grid.itemText(2, 1), QStringLiteral("yes"));
    EXPECT_TRUE(grid.isCellSelected(1, 1)) << "a refused cell keeps its selection";
    EXPECT_FALSE(grid.isModified(1, 1));
}

TEST_F(GridClipboardTest, PasteDoesNothingWhileEditingIsOff)
{
    grid.setEditable(false);
    grid.setFocusCell(1, 1);
    EXPECT_EQ(CGridClipboard::paste(grid, u"a"), 0);
    EXPECT_EQ(grid.itemText(1, 1), QStringLiteral("r1c1"));
    EXPECT_TRUE(owner.seen.empty());
}

TEST_F(GridClipboardTest, SelectAllThenDeleteClearsOnlyEditableCells)
{
    grid.selectAll();
    owner.seen.clear();
    EXPECT_EQ(grid.deleteSelection(), 10);
    for (int r = 1; r < 6; ++r) {
        EXPECT_EQ(grid.itemText(r, 1), QString());
        EXPECT_EQ(grid.itemText(r, 3), QString());
        EXPECT_EQ(grid.itemText(r, 2), QStringLiteral("r%1c2").arg(r));
        EXPECT_EQ(grid.itemText(r, 4), QStringLiteral("r%1c4").arg(r));
        EXPECT_EQ(owner.count(GVN_BEGINLABELEDIT, r, 2), 0)
            << "a read-only cell is not announced, so no write dialog opens";
        EXPECT_EQ(owner.count(GVN_BEGINLABELEDIT, r, 1), 1);
        EXPECT_EQ(owner.count(GVN_ENDLABELEDIT, r, 3), 1);
    }
    EXPECT_EQ(grid.itemText(0, 1), QStringLiteral("r0c1"));
    EXPECT_TRUE(grid.isModified());

    owner.seen.clear();
    EXPECT_EQ(grid.deleteSelection(), 0) << "already empty cells do not change again";
    EXPECT_TRUE(owner.seen.empty());
}

TEST_F(GridClipboardTest, CutCopiesThenClearsAndNeedsEditing)
{
    grid.setSelectedRange(1, 1, 1, 2);
    grid.setEditable(false);
    EXPECT_EQ(CGridClipboard::cut(grid), QString());
    EXPECT_EQ(grid.itemText(1, 1), QStringLiteral("r1c1"));

    grid.setEditable(true);
    EXPECT_EQ(CGridClipboard::cut(grid), QStringLiteral("r1c1\tr1c2"));
    EXPECT_EQ(grid.itemText(1, 1), QString());
    EXPECT_EQ(grid.itemText(1, 2), QStringLiteral("r1c2"));
}

}  // namespace
}  // namespace zentiq
