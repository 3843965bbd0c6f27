// The window-free state of one poll document: its definition, display
// settings, values and counters, the grid geometry derived from them, and the
// document's side of the engine slot. The document class owns one of these
// next to its grid and adds the windows, commands and messages.
#pragma once

#include <QElapsedTimer>
#include <QtGlobal>
#include <array>

#include "documents/doc_font.h"
#include "documents/poll_definition.h"
#include "documents/window_placement.h"
#include "engine/engine_types.h"
#include "engine/modbus_line.h"
#include "framework/connection_directory.h"
#include "values/row_type.h"

namespace zentiq {

class SettingsStore;

// Values the poll definition dialog hands over on OK.
struct DefinitionDialogValues {
    int shownAddress = 0;   // address as the user typed it (includes oneBased)
    int functionIndex = 2;  // 0..7 -> 1, 2, 3, 4, 5, 6, 15, 16
    int length = 10;
    int scanRate = 1000;
    int slaveId = 1;
    int enable = 1;
    int oneBased = 0;
    int rowsDialog = 0;
    int displayAddr = 0;
    int displayFormat = 0;
    int hideAlias = 0;
};

struct ApplyDefinitionResult {
    bool rejected = false;  // values outside the definition's limits: nothing applied
    bool changed = false;   // something was stored: re-register and mark modified
    bool valuesCleared = false;
    bool formatReset = false;  // DisplayFormat forced to signed for function 6
};

struct GridSize {
    int rows = 0;
    int columns = 0;
    bool operator==(const GridSize&) const = default;
};

// Write-dialog options shared by every document of the process.
struct ApplicationWideOptions {
    int CloseOnSuccess = 0;
    int PresetSingle = 0;
};

class PollDocumentModel {
public:
    static constexpr int kValueBytes = static_cast<int>(kDataSize);
    static constexpr int kErrorCounterCount = 31;
    static constexpr qint32 kInitialTextColour = 9;
    static constexpr qint32 kInitialReservedColour = 0xFFFFFF;

    // Built-in defaults, without a settings store.
    PollDocumentModel();
    // Defaults from sections "PollDefinition" and "Font", and the
    // application-wide write options loaded (as every new document does).
    explicit PollDocumentModel(const SettingsStore& store);

    // ---- settings -------------------------------------------------------
    // Takes the defaults of a new document from the store. Values outside the
    // definition's limits (a hand-edited file) fall back to the built-in ones.
    void LoadDefaults(const SettingsStore& store);
    // "Set as default": definition, CloseOnSuccess and the font's stored
    // fields become the defaults of new documents.
    void SetAsDefault(SettingsStore& store) const;
    static DocFont DefaultFont();

    // The application-wide options: loaded by every document construction,
    // stored by every document destruction (the document class calls these).
    static ApplicationWideOptions& ApplicationWide();
    static void LoadApplicationWide(const SettingsStore& store);
    static void StoreApplicationWide(SettingsStore& store);

    // ---- grid geometry --------------------------------------------------
    // Sets rowsPerColumn and valueColumns from the definition and returns the
    // grid size (headers included) the document must give its grid.
    GridSize ComputeGridSize();
    GridSize gridSize() const { return {rowsPerColumn + 1, valueColumns + 1}; }

    // Protocol address of the value cell (row >= 1, even column >= 2) or -1
    // for a cell that is no value cell of the grid.
    int AddressAtCell(int row, int column) const;
    // Address as shown (protocol address + OneBased), or -1.
    int ShownAddressAtCell(int row, int column) const;
    // Poll item (0-based, < Length) shown in a cell, or -1 for an empty cell.
    int ItemAtCell(int row, int column) const;
    // Cell of a poll item; false for an item outside 0..Length-1.
    bool CellOfItem(int item, int& row, int& column) const;

    // ---- definition -----------------------------------------------------
    ApplyDefinitionResult ApplyDefinition(const DefinitionDialogValues& dialog);

    // Which display formats the format commands may choose for a function.
    static bool IntegerFormatsAllowed(int function);
    static bool WideFormatsAllowed(int function);

    // ---- engine ---------------------------------------------------------
    // The connection the document polls on; the default line until moved.
    // Every engine call of the document goes to this line.
    ModbusLine& Line() const { return *m_line; }
    // Moves the poll to `line`: the slot on the old line is given back and
    // one claimed on the new line for the same definition (a write poll
    // hands its values again). Values and counters stay as they are until
    // the new line's first result. A document that holds no slot only
    // takes the line (it registers when its view comes), unless it was
    // refused one and `window` would take the results. Returns false as RegisterWithEngine does when the new line
    // refused; the document then polls nowhere.
    bool MoveToLine(ModbusLine& line, WindowHandle window);
    // Releases any old slot, claims one for the definition with `window` as
    // the receiver of the results, hands the values of a write poll to it and
    // switches it on or off. Returns false when the engine refused or all
    // slots are taken (the document then has no slot, `slotRefusal` says
    // why; the caller shows the message).
    bool RegisterWithEngine(WindowHandle window);
    // Why the last registration got no slot (None after one that did).
    enum class SlotRefusal { None, NoFreeSlot, ReadFromBroadcast };
    SlotRefusal slotRefusal = SlotRefusal::None;
    // Gives the slot back (view destroyed); no-op without a slot.
    void ReleaseFromEngine();
    // "Clear counters": engine counters (when a slot is held), tx/ok and the
    // error counters, whose clock starts again.
    void ClearCounters();
    // Milliseconds since the error counts started: the document's creation
    // or the last ClearCounters.
    qint64 CountingMs() const { return countingClock.elapsed(); }

    // ---- state ----------------------------------------------------------
    PollDefinition def;
    DocFont font;
    qint32 textColour = kInitialTextColour;
    qint32 reservedColour = kInitialReservedColour;
    int slotIndex = -1;
    std::array<qint32, kErrorCounterCount> errorCounters{};
    QElapsedTimer countingClock = startedClock();
    static QElapsedTimer startedClock() {
        QElapsedTimer clock;
        clock.start();
        return clock;
    }
    quint32 txCount = 0;
    quint32 okCount = 0;
    qint32 scrollV = 0;
    qint32 scrollH = 0;
    qint32 focusRow = 1;
    qint32 focusColumn = 2;
    qint32 lastStatus = 10;
    bool restoreAliasColumns = false;
    // A read poll shows no values until its first good result: neither a
    // new window's zeros, nor values cleared by a new definition, nor those
    // a file brought along are readings of this slave now.
    bool valuesUnknown = true;
    // When the values were last read well (system clock, milliseconds since
    // the epoch; 0: never), and whether a poll failed or the connection
    // changed since, so that they are no longer live. One poll reads the
    // whole block, so this holds for every value at once.
    qint64 lastGoodRead = 0;
    bool valuesStale = false;
    // The values of a read poll that were read once and are no longer live.
    bool ValuesStale() const;
    // A failed poll or a changed connection: known values of a read poll
    // become stale. True when they were live until now.
    bool MarkValuesStale();
    // A good result at `now` (milliseconds since the epoch): the values are
    // live. True when they were stale until now.
    bool MarkValuesRead(qint64 now);
    // The values are cleared (zeros): a read poll has nothing to show.
    void ForgetValues();
    // A good reading has been taken since the slot was last claimed: before
    // it the slot's data may belong to an earlier poll.
    bool valuesRead = false;
    qint32 rowsPerColumn = 10;
    qint32 valueColumns = 0;
    WindowPlacement placement;
    std::array<quint8, kDataSize> values{};
    std::array<quint8, kDataSize> previousValues{};
    std::array<quint8, kDataSize> writeValues{};
    // The registers of a read poll as they came, for the rows with a type
    // of their own (values holds them in the display format's layout).
    static constexpr int kWordCount = int(kDataSize / 2);
    std::array<quint16, kDataSize / 2> words{};
    // Types of single rows, by protocol address: kept when the poll moves,
    // shown where it covers them.
    RowTypes rowTypes;
    // Moved to another line and no result of the new slot taken yet: a
    // result of the old line still queued for the same slot number must
    // not be read from the new one.
    bool awaitingNewLine = false;

private:
    // New windows poll on the connection that is current.
    ModbusLine* m_line = &ConnectionDirectory::LineForNewWindow();

    // Hands `values` to the engine slot of a write poll.
    void handWriteData();
};

}  // namespace zentiq
