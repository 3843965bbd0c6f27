// The one-line editor the grid places over a cell while the user edits its
// text. How it starts depends on the key that started the edit; it ends on
// Escape (text put back), Tab, Enter, focus loss and, for edits started by
// typing, on the page and arrow keys. The grid applies the final text.
#pragma once

#include <QLineEdit>
#include <QString>

namespace zentiq {

class CInPlaceEdit : public QLineEdit {
    Q_OBJECT
public:
    // startKey is the key that started the edit (a Qt::Key; 0 for a
    // double-click) and startText the text it typed, if any.
    CInPlaceEdit(QWidget* parent, const QRect& cellRect, int row, int col, const QString& text,
                 const QFont& font, int startKey, const QString& startText);

    int row() const { return m_row; }
    int column() const { return m_col; }
    // The cell's text when the edit began.
    const QString& originalText() const { return m_original; }
    // Whether page and arrow keys end the edit without Ctrl held.
    bool exitsOnArrows() const { return m_exitOnArrows; }
    bool isFinished() const { return m_finished; }

    // Ends the edit as the key would (Escape puts back the old text; 0 for
    // an end without a key). Reports once; later calls do nothing.
    void finish(int key = 0, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // True for a key after which the grid moves on and edits the next cell.
    static bool continuesEditing(int key);

signals:
    void editEnded(int row, int col, const QString& text, int key, Qt::KeyboardModifiers modifiers);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void widenToText();

    int m_row;
    int m_col;
    QString m_original;
    int m_minWidth;
    bool m_exitOnArrows;
    bool m_finished = false;
};

}  // namespace zentiq
