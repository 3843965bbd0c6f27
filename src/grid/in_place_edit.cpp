#include "grid/in_place_edit.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <algorithm>

namespace zentiq {

namespace {

bool isPageOrArrow(int key) {
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right: return true;
    default: return false;
    }
}

}  // namespace

CInPlaceEdit::CInPlaceEdit(QWidget* parent, const QRect& cellRect, int row, int col,
                           const QString& text, const QFont& font, int startKey,
                           const QString& startText)
    : QLineEdit(parent),
      m_row(row),
      m_col(col),
      m_original(text),
      m_minWidth(std::max(1, cellRect.width())),
      // Walking through cells with the arrows only makes sense when the
      // edit came from the keyboard; after a double-click or F2 they move
      // the caret.
      m_exitOnArrows(startKey != 0 && startKey != Qt::Key_F2) {
    setFrame(false);
    setFont(font);
    setText(text);
    setGeometry(cellRect.x(), cellRect.y(), m_minWidth, std::max(1, cellRect.height()));

    switch (startKey) {
    case 0:
    case Qt::Key_F2:
    case Qt::Key_Return:
    case Qt::Key_Enter: end(false); break;
    case Qt::Key_Backspace:
        end(false);
        backspace();
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Space:
    case Qt::Key_Home:
    case Qt::Key_End: selectAll(); break;
    default:
        selectAll();
        if (!isPageOrArrow(startKey) && !startText.isEmpty())
            insert(startText);  // replaces the selected old text
        break;
    }
    connect(this, &QLineEdit::textChanged, this, [this] { widenToText(); });
    widenToText();
}

bool CInPlaceEdit::continuesEditing(int key) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Home ||
           key == Qt::Key_End || isPageOrArrow(key);
}

void CInPlaceEdit::widenToText() {
    // The text's width plus two blanks, and the line edit's own inner
    // margins; never narrower than the cell, never past the parent's edge.
    const QMargins m = textMargins() + contentsMargins();
    const int wanted =
        fontMetrics().horizontalAdvance(text() + QStringLiteral("  ")) + m.left() + m.right() + 4;
    int width = std::max(m_minWidth, wanted);
    if (parentWidget() != nullptr)
        width = std::min(width, std::max(m_minWidth, parentWidget()->width() - x()));
    if (width > this->width())
        resize(width, height());
}

void CInPlaceEdit::finish(int key, Qt::KeyboardModifiers modifiers) {
    if (m_finished)
        return;
    m_finished = true;
    if (key == Qt::Key_Escape)
        setText(m_original);
    const QString finalText = text();
    hide();
    emit editEnded(m_row, m_col, finalText, key, modifiers);
}

bool CInPlaceEdit::event(QEvent* e) {
    // Tab and Shift+Tab end the edit instead of moving the keyboard focus.
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QLineEdit::event(e);
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers();
    switch (key) {
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        e->accept();
        finish(key, mods);
        return;
    default: break;
    }
    if (isPageOrArrow(key)) {
        if (m_exitOnArrows || (mods & Qt::ControlModifier)) {
            e->accept();
            finish(key, mods);
            return;
        }
        if (key != Qt::Key_Left && key != Qt::Key_Right) {
            // A one-line editor has no use for them, and they must not reach
            // the grid underneath and move its focus cell.
            e->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // A context menu takes the focus only for a moment; its paste command
    // still has to reach this editor.
    if (e->reason() != Qt::PopupFocusReason)
        finish(0, Qt::NoModifier);
}

}  // namespace zentiq
