#include "app/frame_placement.h"

#include <QWidget>
#include <algorithm>

namespace zentiq::frame_placement {
namespace {

// Coordinates beyond this are no window position anyone can use.
constexpr qint64 kMaxCoordinate = 32767;

bool IsMinimizedShowCommand(qint32 showCmd) {
    // The stored show commands that leave a window minimised.
    return showCmd == 2 || showCmd == 6 || showCmd == 7;
}

}  // namespace

std::optional<QRect> NormalRect(const WindowPlacement& p) {
    if (p.length != WindowPlacement::kRecordLength)
        return std::nullopt;
    const qint64 width = qint64(p.right) - p.left;
    const qint64 height = qint64(p.bottom) - p.top;
    auto inRange = [](qint64 v) { return v >= -kMaxCoordinate && v <= kMaxCoordinate; };
    if (width <= 0 || height <= 0 || width > kMaxCoordinate || height > kMaxCoordinate ||
        !inRange(p.left) || !inRange(p.top))
        return std::nullopt;
    return QRect(p.left, p.top, int(width), int(height));
}

WindowPlacement ClampToScreens(const WindowPlacement& placement, const QList<QRect>& screens) {
    const std::optional<QRect> normal = NormalRect(placement);
    if (!normal || screens.isEmpty())
        return placement;
    QRect target = screens.first();
    qint64 bestArea = 0;
    for (const QRect& screen : screens) {
        const QRect overlap = screen.intersected(*normal);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            target = screen;
        }
    }
    if (target.contains(*normal) || target.isEmpty())
        return placement;
    QRect r = *normal;
    r.setWidth(std::min(r.width(), target.width()));
    r.setHeight(std::min(r.height(), target.height()));
    r.moveLeft(std::clamp(r.left(), target.left(), target.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), target.top(), target.bottom() - r.height() + 1));
    WindowPlacement clamped = placement;
    clamped.left = r.left();
    clamped.top = r.top();
    clamped.right = r.left() + r.width();
    clamped.bottom = r.top() + r.height();
    return clamped;
}

bool Apply(QWidget& frame, const WindowPlacement& placement) {
    const std::optional<QRect> normal = NormalRect(placement);
    if (!normal)
        return false;
    if (frame.isMaximized() || frame.isMinimized())
        frame.showNormal();
    frame.setGeometry(*normal);
    if (placement.showCmd == kShowMaximized)
        frame.showMaximized();
    else if (IsMinimizedShowCommand(placement.showCmd))
        frame.showMinimized();
    return true;
}

WindowPlacement Take(const QWidget& frame, const QRect& normal) {
    WindowPlacement p;
    p.length = WindowPlacement::kRecordLength;
    p.flags = 0;
    p.showCmd = frame.isMinimized()   ? kShowMinimized
                : frame.isMaximized() ? kShowMaximized
                                      : kShowNormal;
    p.minX = p.minY = -1;
    p.maxX = p.maxY = -1;
    p.left = normal.left();
    p.top = normal.top();
    p.right = normal.left() + normal.width();
    p.bottom = normal.top() + normal.height();
    return p;
}

}  // namespace zentiq::frame_placement
