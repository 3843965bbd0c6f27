#include "app/frame_placement.h"

#include <QWidget>

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
    if (width <= 0 || height <= 0 || width > kMaxCoordinate || height > kMaxCoordinate || !inRange(p.left) ||
        !inRange(p.top))
        return std::nullopt;
    return QRect(p.left, p.top, int(width), int(height));
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
    p.showCmd = frame.isMinimized() ? kShowMinimized : frame.isMaximized() ? kShowMaximized : kShowNormal;
    p.minX = p.minY = -1;
    p.maxX = p.maxY = -1;
    p.left = normal.left();
    p.top = normal.top();
    p.right = normal.left() + normal.width();
    p.bottom = normal.top() + normal.height();
    return p;
}

}  // namespace zentiq::frame_placement
