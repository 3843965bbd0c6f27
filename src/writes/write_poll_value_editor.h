// Editing a value of a register write poll (functions 6 and 16): the
// value-entry dialog in the poll's display format; on OK the value is
// stored in the poll and handed to its engine slot, which sends it with the
// next poll.
#pragma once

namespace zentiq {

class CZentiqDoc;
struct ValueEditRequest;

class WritePollValueEditor {
public:
    // Acts only for functions 6 and 16; true when a dialog was shown.
    static bool Edit(CZentiqDoc& doc, const ValueEditRequest& request);
};

}  // namespace zentiq
