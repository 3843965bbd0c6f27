// When the values that a window still shows were last read well: the
// tooltip of a stale cell and the decode assistant's title say it.
#pragma once

#include <QString>
#include <QtGlobal>

namespace zentiq {

// "最后一次成功读取 HH:MM:SS" for a read at `readMs` (milliseconds since the
// epoch, local time); a read of another day than `nowMs` names its date too.
QString LastGoodReadText(qint64 readMs, qint64 nowMs);

}  // namespace zentiq
