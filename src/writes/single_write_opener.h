// Opens the single-value write dialogs for a poll document: from its 05 and
// 06 write commands, and from a double-click or typed key on a value cell of
// a read poll. Each dialog starts with the document's slave ID, address base
// and the application-wide write options, and hands the options back when it
// has closed, however it closed.
#pragma once

#include <functional>

namespace zentiq {

class CZentiqDoc;
class SingleWriteDialog;
struct ValueEditRequest;

class SingleWriteOpener {
public:
    // The 05 command: the coil dialog at the focus cell's address.
    static void OpenCoilCommand(CZentiqDoc& doc);
    // The 06 command: the bitwise dialog in Binary, else the register dialog
    // in Signed, Unsigned or Hex (Signed for the wide formats).
    static void OpenRegisterCommand(CZentiqDoc& doc);
    // A value cell of a read poll (functions 1 to 4) asks for its dialog.
    // false when the request is not for a read poll, or the cell's value
    // cannot be edited here.
    static bool OpenForCell(CZentiqDoc& doc, const ValueEditRequest& request);
    // Dialogs run through the user interaction, which tests replace.
};

}  // namespace zentiq
