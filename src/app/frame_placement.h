// A stored window placement (the 44-byte record of documents and
// workspaces) put onto a frame and taken from it. Shared by the main frame
// and the poll windows' child frames.
#pragma once

#include <QList>
#include <QRect>
#include <optional>

#include "documents/window_placement.h"

class QWidget;

namespace zentiq::frame_placement {

// Show commands of a stored placement.
inline constexpr qint32 kShowNormal = 1;
inline constexpr qint32 kShowMinimized = 2;
inline constexpr qint32 kShowMaximized = 3;

// The normal rectangle a placement asks for; nothing when the record is no
// usable rectangle (wrong length, empty, or beyond any screen coordinate).
std::optional<QRect> NormalRect(const WindowPlacement& placement);

// The placement moved (and, if need be, shrunk) so that its normal
// rectangle lies on one of the available screen areas: the one it overlaps
// most, or the first when it overlaps none (a monitor that is gone). A
// placement already inside a screen, one that is no usable rectangle, and
// an empty screen list leave it as it is.
WindowPlacement ClampToScreens(const WindowPlacement& placement, const QList<QRect>& screens);

// Puts frame where the placement says: its normal rectangle, then maximised
// or minimised by the show command. false, and the frame untouched, when the
// placement is not usable.
bool Apply(QWidget& frame, const WindowPlacement& placement);

// The placement of a frame whose normal (neither minimised nor maximised)
// rectangle is normal.
WindowPlacement Take(const QWidget& frame, const QRect& normal);

}  // namespace zentiq::frame_placement
