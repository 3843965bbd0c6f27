#include "grid/in_place_edit.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QVBoxLayout>

#include "grid/grid_widget_test_support.h"

namespace zentiq {
namespace {

using namespace grid_widget_test;

struct Ended {
    int count = 0;
    int row = -1;
    int col = -1;
    QString text;
    int key = -1;
};

class InPlaceEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(400, 100);
        parent.show();
    }
    CInPlaceEdit* open(int key, const QString& typed, const QRect& cell = QRect(10, 10, 50, 20))
    {
        auto* e = new CInPlaceEdit(&parent, cell, 3, 5, QStringLiteral("old"), parent.font(), key, typed);
        QObject::connect(e, &CInPlaceEdit::editEnded,
                         [this](int row, int col, const QString& text, int k, Qt::KeyboardModifiers) {
                             ++ended.count;
                             ended.row = row;
                             ended.col = col;
                             ended.text = text;
                             ended.key = k;
                         });
        e->show();
        return e;
    }

    QWidget parent;
    Ended ended;
};

TEST_F(InPlaceEditTest, StartDependsOnTheKeyThatStartedTheEdit)
{
    struct Case {
        int key;
        QString typed;
        QString text;
        QString selected;
        int caret;
        bool exitsOnArrows;
    };
    const std::vector<Case> cases = {
        {0, {}, "old", {}, 3, false},  // double-click
        {Qt::Key_F2, {}, "old", {}, 3, false},
        {Qt::Key_Return, "\r", "old", {}, 3, true},
        {Qt::Key_Backspace, "\b", "ol", {}, 2, true},
        {Qt::Key_Space, " ", "old", "old", 3, true},
        {Qt::Key_Tab, {}, "old", "old", 3, true},
        {Qt::Key_Down, {}, "old", "old", 3, true},
        {Qt::Key_PageUp, {}, "old", "old", 3, true},
        {Qt::Key_X, "x", "x", {}, 1, true},
        {Qt::Key_7, "7", "7", {}, 1, true},
    };
    for (const Case& c : cases) {
        CInPlaceEdit* e = open(c.key, c.typed);
        EXPECT_EQ(e->text(), c.text) << c.key;
        EXPECT_EQ(e->selectedText(), c.selected) << c.key;
        EXPECT_EQ(e->cursorPosition(), c.caret) << c.key;
        EXPECT_EQ(e->exitsOnArrows(), c.exitsOnArrows) << c.key;
        EXPECT_EQ(e->originalText(), QStringLiteral("old"));
        delete e;
    }
    EXPECT_EQ(ended.count, 0) << "deleting an editor that never ended reports nothing";
}

TEST_F(InPlaceEditTest, EndingKeys)
{
    CInPlaceEdit* e = open(Qt::Key_X, QStringLiteral("x"));
    QTest::keyClicks(e, QStringLiteral("yz"));
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_EQ(ended.count, 1);
    EXPECT_EQ(ended.text, QStringLiteral("old")) << "Escape puts the old text back";
    EXPECT_EQ(ended.key, int(Qt::Key_Escape));
    EXPECT_EQ(ended.row, 3);
    EXPECT_EQ(ended.col, 5);
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_EQ(ended.count, 1) << "an editor reports its end once";
    delete e;

    for (int k : {int(Qt::Key_Tab), int(Qt::Key_Return), int(Qt::Key_Down), int(Qt::Key_PageDown), int(Qt::Key_Left)}) {
        e = open(Qt::Key_A, QStringLiteral("a"));
        QTest::keyClick(e, Qt::Key_B);
        QTest::keyClick(e, Qt::Key(k));
        EXPECT_TRUE(e->isFinished()) << k;
        EXPECT_EQ(ended.key, k);
        EXPECT_EQ(ended.text, QStringLiteral("ab"));
        delete e;
    }

    // Started by a double-click the arrows edit the text; with Ctrl they end.
    e = open(0, QString());
    QTest::keyClick(e, Qt::Key_Left);
    QTest::keyClick(e, Qt::Key_Down);
    QTest::keyClick(e, Qt::Key_PageUp);
    EXPECT_FALSE(e->isFinished());
    EXPECT_EQ(e->cursorPosition(), 2);
    QTest::keyClick(e, Qt::Key_Q);
    QTest::keyClick(e, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(e->isFinished());
    EXPECT_EQ(ended.text, QStringLiteral("olqd"));
    EXPECT_EQ(ended.key, int(Qt::Key_Up));
    delete e;
}

TEST_F(InPlaceEditTest, WidensWhileTypingButStaysInsideTheParent)
{
    CInPlaceEdit* e = open(Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(e->width(), 50);
    QTest::keyClicks(e, QStringLiteral("bcdefghijklmnop"));
    const int wanted = e->fontMetrics().horizontalAdvance(e->text() + QStringLiteral("  "));
    EXPECT_GE(e->width(), wanted);
    EXPECT_LE(e->x() + e->width(), parent.width());
    delete e;

    e = open(Qt::Key_A, QStringLiteral("a"), QRect(330, 10, 50, 20));
    QTest::keyClicks(e, QStringLiteral("a long text that cannot fit in seventy pixels"));
    EXPECT_LE(e->x() + e->width(), parent.width());
    EXPECT_GE(e->width(), 50);
    delete e;
}

// ---- through the grid ---------------------------------------------------------

class GridEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        grid = new CGridCtrl(&window);
        other = new QLineEdit(&window);
        layout->addWidget(grid);
        layout->addWidget(other);
        layOutPollGrid(*grid, 11, 7);
        window.resize(500, 340);
        showFocused(window);
        grid->setFocus();
        grid->model().moveFocus(1, 1, false);
        owner.attach(*grid);
    }
    CGridModel& m() { return grid->model(); }
    QWidget* target() { return grid->inPlaceEdit() != nullptr ? static_cast<QWidget*>(grid->inPlaceEdit()) : grid; }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(target(), Qt::Key(k), mods); }
    void type(const QString& text)
    {
        for (QChar ch : text)
            QTest::keyClick(target(), ch.toLatin1());
    }

    QWidget window;
    CGridCtrl* grid = nullptr;
    QLineEdit* other = nullptr;
    Recorder owner;
};

TEST_F(GridEditTest, ArrowsAndTabEndTheEditAndWalkOn)
{
    type(QStringLiteral("a"));
    ASSERT_NE(grid->inPlaceEdit(), nullptr);
    EXPECT_EQ(grid->inPlaceEdit()->geometry().topLeft(), grid->cellRect(1, 1)->topLeft());
    key(Qt::Key_Down);
    EXPECT_EQ(m().itemText(1, 1), QStringLiteral("a"));
    EXPECT_EQ(m().focusCell(), CCellID(2, 1));
    ASSERT_NE(grid->inPlaceEdit(), nullptr) << "the next cell is edited at once";
    EXPECT_EQ(grid->inPlaceEdit()->row(), 2);
    EXPECT_EQ(grid->inPlaceEdit()->selectedText(), QStringLiteral("2.1"));
    type(QStringLiteral("b"));
    key(Qt::Key_Return);
    EXPECT_EQ(m().itemText(2, 1), QStringLiteral("b"));
    EXPECT_EQ(m().focusCell(), CCellID(2, 1)) << "Enter leaves the focus where it is";
    EXPECT_EQ(grid->inPlaceEdit(), nullptr);

    // Tab walks onto a read-only value cell: no editor, and the owner hears
    // of it without a character, so no write dialog opens.
    owner.seen.clear();
    type(QStringLiteral("q"));
    key(Qt::Key_Tab);
    EXPECT_EQ(m().itemText(2, 1), QStringLiteral("q"));
    EXPECT_EQ(m().focusCell(), CCellID(2, 2));
    EXPECT_EQ(grid->inPlaceEdit(), nullptr);
    ASSERT_FALSE(owner.seen.empty());
    EXPECT_EQ(owner.seen.back().code, GVN_BEGINLABELEDIT);
    EXPECT_EQ(owner.seen.back().column, 2);
    EXPECT_EQ(owner.seen.back().character, 0);
}

TEST_F(GridEditTest, EscapeRestoresAndSendsNoEndEdit)
{
    type(QStringLiteral("zz"));
    key(Qt::Key_Escape);
    EXPECT_EQ(m().itemText(1, 1), QStringLiteral("1.1"));
    EXPECT_EQ(owner.count(GVN_ENDLABELEDIT), 0);
    EXPECT_FALSE(m().isModified());
    EXPECT_EQ(m().focusCell(), CCellID(1, 1));
}

TEST_F(GridEditTest, DoubleClickEditsWithCaretAtEndAndFocusLossEnds)
{
    // A double-click is a click followed by the double-click event.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centreOf(*grid, 3, 3));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, centreOf(*grid, 3, 3));
    ASSERT_NE(grid->inPlaceEdit(), nullptr);
    CInPlaceEdit* e = grid->inPlaceEdit();
    EXPECT_EQ(e->cursorPosition(), 3);
    EXPECT_FALSE(e->hasSelectedText());
    key(Qt::Key_Down);
    EXPECT_EQ(grid->inPlaceEdit(), e) << "after a double-click the arrows stay in the editor";
    type(QStringLiteral("9"));

    other->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(grid->inPlaceEdit(), nullptr);
    EXPECT_EQ(m().itemText(3, 3), QStringLiteral("3.39"));
    EXPECT_EQ(m().focusCell(), CCellID(3, 3));
}

TEST_F(GridEditTest, PasteGoesIntoAnOpenEditor)
{
    type(QStringLiteral("k"));
    ASSERT_NE(grid->inPlaceEdit(), nullptr);
    QGuiApplication::clipboard()->setText(QStringLiteral("x,y"));
    EXPECT_TRUE(grid->OnCommand(cmd::EditPaste));
    ASSERT_NE(grid->inPlaceEdit(), nullptr);
    EXPECT_EQ(grid->inPlaceEdit()->text(), QStringLiteral("kx,y"));
    EXPECT_EQ(m().itemText(1, 2), QStringLiteral("1.2"));
    key(Qt::Key_Return);
    EXPECT_EQ(m().itemText(1, 1), QStringLiteral("kx,y"));
}

}  // namespace
}  // namespace zentiq
