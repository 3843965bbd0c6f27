// Placement of a poll window's child frame as the document file stores it
// (11 integers, 44 bytes). The frame applies it after a load and fills it
// before a save; the document only carries it.
#pragma once

#include <QtGlobal>

namespace zentiq {

struct WindowPlacement {
    static constexpr qint32 kRecordLength = 44;

    qint32 length = kRecordLength;
    qint32 flags = 0;
    qint32 showCmd = 0;
    qint32 minX = 0;
    qint32 minY = 0;
    qint32 maxX = 0;
    qint32 maxY = 0;
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;

    bool operator==(const WindowPlacement&) const = default;
};

}  // namespace zentiq
