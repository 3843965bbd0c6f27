// A small pop-up that shows the whole text of a grid cell whose text does
// not fit, in the cell's font, over the cell, until the mouse leaves it.
#pragma once

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include "grid/cell_range.h"

namespace zentiq {

class CTitleTip : public QWidget {
    Q_OBJECT
public:
    // owner receives the mouse clicks that land on the tip.
    explicit CTitleTip(QWidget* owner);

    // Shows text (a blank is added before and after it) over cellRect, which
    // is in global coordinates; textLeft is where the cell's text begins.
    void showTip(CCellID cell, const QRect& cellRect, int textLeft, const QString& text,
                 const QFont& font);
    void hideTip();

    CCellID cell() const { return m_cell; }
    // The text as shown, blanks included.
    const QString& shownText() const { return m_text; }
    bool isShowing() const { return isVisible(); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void forward(QMouseEvent* e);

    QPointer<QWidget> m_owner;
    CCellID m_cell;
    QRect m_cellRect;  // global
    QString m_text;
};

}  // namespace zentiq
