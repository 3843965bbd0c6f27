// A stored window placement (the 44-byte record of documents and
// workspaces) put onto a frame and taken from it. Shared by the main frame
// and the poll windows' child frames.
#pragma once

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

// Puts frame where the placement says: its normal rectangle, then maximised
// or minimised by the show command. false, and the frame untouched, when the
// placement is not usable.
bool Apply(QWidget& frame, const WindowPlacement& placement);

// The placement of a frame whose normal (neither minimised nor maximised)
// rectangle is normal.
WindowPlacement Take(const QWidget& frame, const QRect& normal);

}  // namespace zentiq::frame_placement
