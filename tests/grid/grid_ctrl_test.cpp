#include "grid/grid_ctrl.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "grid/grid_widget_test_support.h"
#include "grid/in_place_edit.h"
#include "grid/title_tip.h"

namespace zentiq {
namespace {

using namespace grid_widget_test;

class GridCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        layOutPollGrid(grid, 11, 7);
        grid.resize(500, 300);
        showFocused(grid);
        grid.model().moveFocus(1, 1, false);
        owner.attach(grid);
    }
    CGridModel& m() { return grid.model(); }
    // Keys go where the user's keys would: to the editor while one is open.
    QWidget* target() { return grid.inPlaceEdit() != nullptr ? static_cast<QWidget*>(grid.inPlaceEdit()) : &grid; }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(target(), Qt::Key(k), mods); }
    void type(const QString& text)
    {
        for (QChar ch : text)
            QTest::keyClick(target(), ch.toLatin1());
    }
    void click(int row, int col, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, mods, centreOf(grid, row, col));
    }

    // A move without a button, delivered whether or not the pointer is
    // already there.
    void hover(const QPoint& pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, grid.viewport()->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(grid.viewport(), &move);
    }

    CGridCtrl grid;
    Recorder owner;
};

TEST_F(GridCtrlTest, ArrowsTabHomeEndSkipHiddenAndShiftExtends)
{
    m().setColumnWidth(2, 0);
    m().setRowHeight(3, 0);

    key(Qt::Key_Right);
    EXPECT_EQ(m().focusCell(), CCellID(1, 3)) << "the hidden column is skipped";
    key(Qt::Key_Left);
    EXPECT_EQ(m().focusCell(), CCellID(1, 1));
    key(Qt::Key_Left);
    EXPECT_EQ(m().focusCell(), CCellID(1, 1)) << "headers never take the focus";
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(m().focusCell(), CCellID(4, 1)) << "the hidden row is skipped";

    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(m().focusCell(), CCellID(5, 3));
    EXPECT_EQ(m().selectedCellRange(), CCellRange(4, 1, 5, 3));
    key(Qt::Key_Up);
    EXPECT_EQ(m().selectedCellRange(), CCellRange(4, 3, 4, 3)) << "a plain move starts a new selection";

    key(Qt::Key_Tab);
    EXPECT_EQ(m().focusCell(), CCellID(4, 4));
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(m().focusCell(), CCellID(4, 3));
    EXPECT_EQ(m().selectedCount(), 1) << "Shift+Tab moves, it does not extend";

    key(Qt::Key_End);
    EXPECT_EQ(m().focusCell(), CCellID(4, 6));
    key(Qt::Key_Home);
    EXPECT_EQ(m().focusCell(), CCellID(4, 1));
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(m().focusCell(), CCellID(10, 6));
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(m().focusCell(), CCellID(1, 1));
    EXPECT_EQ(grid.getScrollPosH(), 0);
    EXPECT_EQ(grid.getScrollPosV(), 0);
}

TEST_F(GridCtrlTest, MoveSendsSelChangingSelectionSelChangedThenFocus)
{
    std::vector<CCellID> focusDuring;
    std::vector<int> selectedDuring;
    owner.answer = [&](const GridNotification&) {
        focusDuring.push_back(m().focusCell());
        selectedDuring.push_back(m().isCellSelected(2, 1) ? 1 : 0);
        return 0;
    };
    std::vector<int> signalled;
    QObject::connect(&grid, &CGridCtrl::notification, [&](int code, int row, int col, int) {
        if (row == 2 && col == 1)
            signalled.push_back(code);
    });

    key(Qt::Key_Down);
    ASSERT_EQ(owner.codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
    EXPECT_EQ(owner.seen[0].row, 2);
    EXPECT_EQ(owner.seen[0].column, 1);
    EXPECT_EQ(selectedDuring, (std::vector<int>{0, 1})) << "selection changes between the two";
    EXPECT_EQ(focusDuring[1], CCellID(1, 1)) << "the focus moves after SELCHANGED";
    EXPECT_EQ(m().focusCell(), CCellID(2, 1));
    EXPECT_EQ(signalled, owner.codes()) << "the signal carries the same notifications";

    owner.seen.clear();
    key(Qt::Key_Up);
    key(Qt::Key_Up);  // already in the first row: nothing moves, nothing is sent
    EXPECT_EQ(owner.codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
}

TEST_F(GridCtrlTest, FocusMovesScrollTheFocusCellIntoView)
{
    layOutPollGrid(grid, 101, 41);
    m().moveFocus(1, 1, false);
    const int viewH = grid.viewport()->height();
    const int viewW = grid.viewport()->width();

    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(m().focusCell(), CCellID(100, 40));
    std::optional<QRect> r = grid.cellRect(100, 40);
    ASSERT_TRUE(r.has_value());
    EXPECT_LE(r->bottom(), viewH - 1);
    EXPECT_LE(r->right(), viewW - 1);
    EXPECT_GT(grid.getScrollPosV(), 0);
    EXPECT_EQ(grid.cellRect(0, 40)->top(), 0) << "the header row stays in place";
    EXPECT_EQ(grid.cellRect(100, 0)->left(), 0) << "the header column stays in place";

    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_PageDown);
    const int pageRow = m().focusCell().row;
    EXPECT_GT(pageRow, 5) << "a page is more than a few rows";
    r = grid.cellRect(pageRow, 1);
    ASSERT_TRUE(r.has_value());
    EXPECT_LE(r->bottom(), viewH - 1);
    key(Qt::Key_PageUp);
    EXPECT_EQ(m().focusCell().row, 1);

    // Stepping down row by row past the bottom edge scrolls.
    for (int i = 0; i < 30; ++i)
        key(Qt::Key_Down);
    r = grid.cellRect(31, 1);
    ASSERT_TRUE(r.has_value());
    EXPECT_LE(r->bottom(), viewH - 1);
    EXPECT_GE(r->top(), m().fixedRowsHeight());
}

TEST_F(GridCtrlTest, ScrollPositionsRestoreAndWheelScrollsConfiguredLines)
{
    layOutPollGrid(grid, 101, 41);
    grid.setScrollPosV(5 * kRowHeight);
    EXPECT_EQ(grid.topLeftNonFixedCell().row, 6);
    EXPECT_FALSE(grid.cellRect(5, 1).has_value()) << "scrolled out above: no rectangle";

    QWheelEvent down(QPointF(50, 50), grid.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &down);
    EXPECT_EQ(grid.topLeftNonFixedCell().row, 6 + QApplication::wheelScrollLines());

    // A position restored before the table is big enough is kept and
    // applied once it is.
    layOutPollGrid(grid, 5, 3);
    grid.setScrollPosV(40 * kRowHeight);
    EXPECT_EQ(grid.getScrollPosV(), 40 * kRowHeight);
    layOutPollGrid(grid, 101, 41);
    EXPECT_EQ(grid.verticalScrollBar()->value(), 40 * kRowHeight);
    EXPECT_EQ(grid.topLeftNonFixedCell().row, 41);

    grid.setScrollPosH(-50);
    EXPECT_EQ(grid.getScrollPosH(), 0);
}

TEST_F(GridCtrlTest, MouseClickDragAndHeaders)
{
    click(3, 3);
    EXPECT_EQ(m().focusCell(), CCellID(3, 3));
    EXPECT_EQ(owner.codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED, GVN_CLICK}));

    click(5, 4, Qt::ShiftModifier);
    EXPECT_EQ(m().selectedCellRange(), CCellRange(3, 3, 5, 4));

    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centreOf(grid, 2, 1));
    // QTest's move carries no button; a drag needs one.
    QMouseEvent drag(QEvent::MouseMove, centreOf(grid, 4, 2), grid.viewport()->mapToGlobal(centreOf(grid, 4, 2)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &drag);
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, centreOf(grid, 4, 2));
    EXPECT_EQ(m().selectedCellRange(), CCellRange(2, 1, 4, 2));
    EXPECT_EQ(m().focusCell(), CCellID(4, 2));

    click(0, 3);
    EXPECT_EQ(m().selectedCellRange(), CCellRange(1, 3, 10, 3)) << "a column header selects its column";
    click(0, 0);
    EXPECT_EQ(m().selectedCount(), 10 * 6) << "the corner selects every non-fixed cell";
    EXPECT_FALSE(m().isCellSelected(0, 1));
}

TEST_F(GridCtrlTest, HeaderDividerDragResizesAndDoubleClickAutoSizes)
{
    const QRect header = *grid.cellRect(0, 3);
    const QPoint divider(header.left() + header.width(), header.center().y());
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, divider - QPoint(1, 0));
    QMouseEvent drag(QEvent::MouseMove, divider + QPoint(29, 0), grid.viewport()->mapToGlobal(divider + QPoint(29, 0)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &drag);
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, divider + QPoint(29, 0));
    EXPECT_EQ(m().columnWidth(3), kColumnWidth + 30);
    EXPECT_TRUE(m().isModified()) << "a changed width marks the grid";
    EXPECT_EQ(m().selectedCount(), 1) << "a resize selects nothing";

    const QString longText = QStringLiteral("a considerably longer alias text");
    m().setItemText(4, 3, longText);
    const QRect now = *grid.cellRect(0, 3);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(now.left() + now.width(), now.center().y()));
    EXPECT_GE(m().columnWidth(3), QFontMetrics(m().itemFont(4, 3)).horizontalAdvance(longText));

    // Hidden, then sized to its content again.
    m().setColumnWidth(5, 0);
    EXPECT_FALSE(grid.cellRect(1, 5)->width() > 0);
    EXPECT_TRUE(grid.autoSizeColumn(5));
    EXPECT_GT(m().columnWidth(5), 0);
}

TEST_F(GridCtrlTest, TypingOnReadOnlyCellAsksTheOwnerWithTheCharacter)
{
    m().moveFocus(2, 2, false);
    owner.seen.clear();
    type(QStringLiteral("7"));
    EXPECT_EQ(grid.inPlaceEdit(), nullptr);
    ASSERT_EQ(owner.codes(), (std::vector<int>{GVN_BEGINLABELEDIT}));
    EXPECT_EQ(owner.seen[0].character, '7');
    EXPECT_EQ(owner.seen[0].row, 2);
    EXPECT_EQ(owner.seen[0].column, 2);

    key(Qt::Key_F2);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centreOf(grid, 2, 2));
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, centreOf(grid, 2, 2));
    key(Qt::Key_Space);
    ASSERT_EQ(owner.count(GVN_BEGINLABELEDIT), 4);
    std::vector<int> chars;
    for (const GridNotification& n : owner.seen)
        if (n.code == GVN_BEGINLABELEDIT)
            chars.push_back(n.character);
    EXPECT_EQ(chars, (std::vector<int>{'7', kEditByMouseOrF2, kEditByMouseOrF2, ' '}));
    EXPECT_EQ(owner.count(GVN_DBLCLK), 1);
    EXPECT_EQ(grid.inPlaceEdit(), nullptr);
    EXPECT_EQ(m().itemText(2, 2), QStringLiteral("2.2"));
    EXPECT_FALSE(m().isModified());

    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);  // a shortcut, not a character
    EXPECT_EQ(owner.count(GVN_BEGINLABELEDIT), 4);
}

TEST_F(GridCtrlTest, EditNotificationsAndOwnerRefusals)
{
    type(QStringLiteral("x"));
    ASSERT_NE(grid.inPlaceEdit(), nullptr);
    key(Qt::Key_Return);
    EXPECT_EQ(grid.inPlaceEdit(), nullptr);
    EXPECT_EQ(m().itemText(1, 1), QStringLiteral("x"));
    ASSERT_EQ(owner.codes(), (std::vector<int>{GVN_BEGINLABELEDIT, GVN_ENDLABELEDIT}));
    EXPECT_EQ(owner.seen[0].character, 0) << "an editable cell's begin-edit carries no character";
    EXPECT_TRUE(m().isModified());
    EXPECT_TRUE(m().isModified(1, 1));
    EXPECT_TRUE(grid.hasFocus()) << "the grid takes the keyboard focus back";

    // Refused at the start: no editor.
    owner.seen.clear();
    owner.answer = [](const GridNotification& n) { return n.code == GVN_BEGINLABELEDIT ? -1 : 0; };
    type(QStringLiteral("y"));
    EXPECT_EQ(grid.inPlaceEdit(), nullptr);
    EXPECT_EQ(m().itemText(1, 1), QStringLiteral("x"));

    // Refused at the end: the old text comes back.
    m().setModified(false);
    owner.answer = [](const GridNotification& n) { return n.code == GVN_ENDLABELEDIT ? -1 : 0; };
    type(QStringLiteral("zz"));
    ASSERT_NE(grid.inPlaceEdit(), nullptr);
    key(Qt::Key_Return);
    EXPECT_EQ(m().itemText(1, 1), QStringLiteral("x"));
    EXPECT_FALSE(m().isModified());
    EXPECT_FALSE(m().isModified(1, 1));
}

TEST_F(GridCtrlTest, ModifiedOnlyByTheUserNotByProgramFills)
{
    m().setModified(false);
    {
        CGridModel::ProgramFill fill(m());
        for (int r = 1; r < 11; ++r)
            m().setItemText(r, 2, QString::number(r * 7));
    }
    EXPECT_FALSE(m().isModified());
    type(QStringLiteral("Pump"));
    key(Qt::Key_Return);
    EXPECT_EQ(m().itemText(1, 1), QStringLiteral("Pump"));
    EXPECT_TRUE(m().isModified());
    {
        CGridModel::ProgramFill fill(m());
        m().setItemText(3, 2, QStringLiteral("99"));
    }
    EXPECT_TRUE(m().isModified()) << "a fill leaves a set flag set";
}

TEST_F(GridCtrlTest, CopyLeavesOutHiddenColumnsAndPasteSkipsReadOnlyCells)
{
    m().setColumnWidth(2, 0);
    m().moveFocus(1, 1, false);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(m().selectedCellRange(), CCellRange(1, 1, 2, 3));
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1.1\t1.3\r\n2.1\t2.3"));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&grid, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1.1\t1.3\r\n2.1\t2.3"));

    m().setColumnWidth(2, kColumnWidth);
    m().moveFocus(4, 1, false);
    owner.seen.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("a,b"));
    QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(m().itemText(4, 1), QStringLiteral("a"));
    EXPECT_EQ(m().itemText(4, 2), QStringLiteral("4.2")) << "the read-only value cell keeps its text";
    EXPECT_EQ(m().itemText(4, 3), QStringLiteral("4.3"));
    EXPECT_EQ(owner.codes(), (std::vector<int>{GVN_BEGINLABELEDIT, GVN_ENDLABELEDIT}));
    EXPECT_TRUE(m().isModified(4, 1));
}

TEST_F(GridCtrlTest, SelectAllThenDeleteClearsOnlyEditableCells)
{
    QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(m().selectedCount(), 10 * 6);
    EXPECT_EQ(owner.codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
    owner.seen.clear();
    key(Qt::Key_Delete);
    for (int r = 0; r < 11; ++r)
        for (int c = 0; c < 7; ++c) {
            const bool cleared = r > 0 && c % 2 == 1;
            EXPECT_EQ(m().itemText(r, c).isEmpty(), cleared) << r << "," << c;
        }
    EXPECT_EQ(owner.count(GVN_BEGINLABELEDIT), 30);
    EXPECT_EQ(owner.count(GVN_ENDLABELEDIT), 30);
}

TEST_F(GridCtrlTest, CommandEnableRulesAndRouting)
{
    bool enabled = true;
    m().clearSelection();
    grid.OnUpdateCommand(cmd::EditCopy, enabled);
    EXPECT_FALSE(enabled) << "copy needs a selection";
    grid.OnUpdateCommand(cmd::EditCut, enabled);
    EXPECT_FALSE(enabled);

    m().moveFocus(1, 1, false);
    grid.OnUpdateCommand(cmd::EditCopy, enabled);
    EXPECT_TRUE(enabled);
    grid.OnUpdateCommand(cmd::EditCut, enabled);
    EXPECT_TRUE(enabled);
    m().setEditable(false);
    grid.OnUpdateCommand(cmd::EditCut, enabled);
    EXPECT_FALSE(enabled) << "cut needs editing enabled";
    m().setEditable(true);

    QGuiApplication::clipboard()->clear();
    grid.OnUpdateCommand(cmd::EditPaste, enabled);
    EXPECT_FALSE(enabled) << "paste needs text on the clipboard";
    QGuiApplication::clipboard()->setText(QStringLiteral("v"));
    grid.OnUpdateCommand(cmd::EditPaste, enabled);
    EXPECT_TRUE(enabled);
    m().moveFocus(1, 2, false);
    grid.OnUpdateCommand(cmd::EditPaste, enabled);
    EXPECT_FALSE(enabled) << "paste needs an editable focus cell";

    bool untouched = true;
    grid.OnUpdateCommand(32771, untouched);
    EXPECT_TRUE(untouched);
    EXPECT_FALSE(grid.OnCommand(32771)) << "commands that are not the grid's pass on";

    m().moveFocus(3, 1, false);
    EXPECT_TRUE(grid.OnCommand(cmd::EditCut));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("3.1"));
    EXPECT_TRUE(m().itemText(3, 1).isEmpty());
    EXPECT_TRUE(grid.OnCommand(cmd::EditSelectAll));
    EXPECT_EQ(m().selectedCount(), 60);
}

// Records the region of every paint of the viewport.
class PaintSpy : public QObject {
public:
    std::vector<QRegion> regions;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            regions.push_back(static_cast<QPaintEvent*>(e)->region());
        return false;
    }
};

TEST_F(GridCtrlTest, RepaintsOnlyInvalidatedCellsAndDrawsGridLines)
{
    flushPaints();
    PaintSpy spy;
    grid.viewport()->installEventFilter(&spy);
    {
        CGridModel::ProgramFill fill(m());
        m().setItemText(4, 2, QStringLiteral("1234"));
    }
    flushPaints();
    ASSERT_EQ(spy.regions.size(), 1u);
    EXPECT_EQ(spy.regions[0].boundingRect(), *grid.cellRect(4, 2));

    // A cell scrolled out of view costs no paint.
    layOutPollGrid(grid, 101, 41);
    flushPaints();
    spy.regions.clear();
    m().setItemText(90, 30, QStringLiteral("far away"));
    flushPaints();
    EXPECT_TRUE(spy.regions.empty());
    grid.viewport()->removeEventFilter(&spy);

    const QImage image = grid.viewport()->grab().toImage();
    const QRect cell = *grid.cellRect(3, 3);
    EXPECT_EQ(QColor(image.pixel(cell.right(), cell.center().y())), QColor(192, 192, 192));
    EXPECT_EQ(QColor(image.pixel(cell.center().x(), cell.bottom())), QColor(192, 192, 192));
}

TEST_F(GridCtrlTest, TitleTipShowsWholeTextOfTruncatedCellWhileFocused)
{
    const QString longText = QStringLiteral("a text far too long for sixty pixels");
    m().setItemText(2, 3, longText);
    QFont big = m().itemFont(2, 3);
    big.setPointSize(big.pointSize() + 3);
    m().setItemFont(2, 3, big);

    hover(centreOf(grid, 2, 3));
    ASSERT_TRUE(grid.titleTip()->isShowing());
    EXPECT_EQ(grid.titleTip()->shownText(), QLatin1Char(' ') + longText + QLatin1Char(' '));
    EXPECT_EQ(grid.titleTip()->font(), big);
    const QRect global(grid.viewport()->mapToGlobal(grid.cellRect(2, 3)->topLeft()), QSize(1, 1));
    EXPECT_EQ(grid.titleTip()->geometry().top(), global.top());

    hover(centreOf(grid, 2, 1));
    EXPECT_FALSE(grid.titleTip()->isShowing()) << "a text that fits gets no tip";

    grid.clearFocus();
    hover(centreOf(grid, 2, 3));
    EXPECT_FALSE(grid.titleTip()->isShowing()) << "only while the grid has the keyboard focus";
}

TEST_F(GridCtrlTest, BadInputChangesNothingAndNeverCrashes)
{
    EXPECT_FALSE(grid.cellRect(-1, 0).has_value());
    EXPECT_FALSE(grid.cellRect(11, 0).has_value());
    EXPECT_EQ(grid.cellAt(QPoint(-5, -5)), CCellID());
    EXPECT_FALSE(grid.editCell(50, 50));
    EXPECT_FALSE(grid.autoSizeColumn(99));
    grid.ensureCellVisible(-3, 1000);

    // An empty table takes every key, click and command without effect.
    layOutPollGrid(grid, 0, 0);
    owner.seen.clear();
    for (int k : {Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Tab, Qt::Key_F2, Qt::Key_Delete, Qt::Key_X})
        key(k);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    for (int id : {cmd::EditCopy, cmd::EditCut, cmd::EditPaste, cmd::EditSelectAll})
        grid.OnCommand(id);
    EXPECT_EQ(owner.count(GVN_BEGINLABELEDIT), 0);
    EXPECT_EQ(owner.count(GVN_ENDLABELEDIT), 0);
    EXPECT_EQ(m().focusCell(), CCellID());
    EXPECT_EQ(grid.inPlaceEdit(), nullptr);
    grid.viewport()->grab();
}

}  // namespace
}  // namespace zentiq
