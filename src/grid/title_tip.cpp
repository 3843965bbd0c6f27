#include "grid/title_tip.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace zentiq {

CTitleTip::CTitleTip(QWidget* owner)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput),
      m_owner(owner) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void CTitleTip::showTip(CCellID cell, const QRect& cellRect, int textLeft, const QString& text,
                        const QFont& font) {
    m_cell = cell;
    m_cellRect = cellRect;
    m_text = QLatin1Char(' ') + text + QLatin1Char(' ');
    setFont(font);
    const QFontMetrics fm(font);
    // The text inside the tip starts where it starts in the cell.
    const int x = std::max(cellRect.left(), textLeft - 1 - fm.horizontalAdvance(QLatin1Char(' ')));
    setGeometry(x, cellRect.top(), fm.horizontalAdvance(m_text) + 2,
                std::max(cellRect.height(), fm.height() + 2));
    if (!isVisible())
        show();
    update();
}

void CTitleTip::hideTip() {
    m_cell = CCellID();
    if (isVisible())
        hide();
}

void CTitleTip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::ToolTipBase));
    p.setPen(palette().color(QPalette::ToolTipText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setFont(font());
    p.drawText(rect().adjusted(1, 1, -1, -1), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               m_text);
}

void CTitleTip::forward(QMouseEvent* e) {
    // Where the window system does not let clicks pass through the tip, they
    // are handed to the grid below it.
    const QPointF global = e->globalPosition();
    hideTip();
    if (m_owner == nullptr)
        return;
    const QPointF local = m_owner->mapFromGlobal(global);
    QMouseEvent copy(e->type(), local, global, e->button(), e->buttons(), e->modifiers());
    QCoreApplication::sendEvent(m_owner, &copy);
}

void CTitleTip::mousePressEvent(QMouseEvent* e) { forward(e); }

void CTitleTip::mouseDoubleClickEvent(QMouseEvent* e) { forward(e); }

void CTitleTip::mouseMoveEvent(QMouseEvent* e) {
    if (!m_cellRect.contains(e->globalPosition().toPoint()))
        hideTip();
}

void CTitleTip::leaveEvent(QEvent*) { hideTip(); }

}  // namespace zentiq
