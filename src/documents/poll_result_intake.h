// What a poll result of the engine does to a poll document, with or without
// a window: the slot's data into the values, the slot's counters, the last
// status, its text and the error counters. The data view and the headless
// logger both take results this way.
#pragma once

#include <QString>

#include <cstdint>

#include "engine/engine_types.h"

namespace zentiq {

class PollDocumentModel;

struct TakenPollResult {
    // false: the result belongs to a slot the document no longer holds.
    bool accepted = false;
    // The first good values of a read poll that had none to show.
    bool firstValues = false;
    // The values of a read poll turned stale (a failed poll) or live again.
    bool freshnessChanged = false;
    // Good values of a read poll.
    bool valuesRead = false;
    // The status line's text for the result (empty for success).
    QString statusText;
    // What the data log says of a failed result: its cause in words
    // (LogStatusText), empty for success.
    QString logStatusText;
    // The serial layer's error flags behind a write or read error, so a
    // window can build the text again in another language.
    std::uint32_t writeFlags = 0;
    std::uint32_t readFlags = 0;
};

class PollResultIntake {
public:
    // `slot` 0 is a one-off request of the document's window.
    static TakenPollResult Take(PollDocumentModel& model, EngineStatus status, int slot);
    // Copies the slot's data through the accessor of the display format.
    static void CopySlotData(PollDocumentModel& model, int slot);
};

}  // namespace zentiq
