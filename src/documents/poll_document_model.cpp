#include "documents/poll_document_model.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/settings_store.h"
#include "values/value_format.h"

namespace zentiq {

namespace {

const QString kPollSection = QStringLiteral("PollDefinition");
const QString kFontSection = QStringLiteral("Font");

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// A stored integer when it lies in [lo, hi], otherwise the built-in default.
int readChecked(const SettingsStore& store, const QString& section, const char* key,
                int defaultValue, int lo, int hi) {
    const int v = store.GetInt(section, QLatin1String(key), defaultValue);
    return inRange(v, lo, hi) ? v : defaultValue;
}

quint8 readByte(const SettingsStore& store, const char* key, quint8 defaultValue) {
    return static_cast<quint8>(readChecked(store, kFontSection, key, defaultValue, 0, 255));
}

// Non-negative remainder, so that a negative address cannot produce a
// negative column count.
qint64 floorMod(qint64 a, qint64 m) {
    const qint64 r = a % m;
    return r < 0 ? r + m : r;
}

}  // namespace

// ---- construction and settings ---------------------------------------------------

PollDocumentModel::PollDocumentModel() : font(DefaultFont()) { ComputeGridSize(); }

PollDocumentModel::PollDocumentModel(const SettingsStore& store) : font(DefaultFont()) {
    LoadDefaults(store);
    LoadApplicationWide(store);
    ComputeGridSize();
}

DocFont PollDocumentModel::DefaultFont() {
    DocFont f;
    f.height = -10;
    f.weight = 400;
    f.outPrecision = 4;
    f.clipPrecision = 0;
    f.quality = 2;
    f.pitchAndFamily = 33;
    f.setFaceName(QStringLiteral("Courier New"));
    return f;
}

void PollDocumentModel::LoadDefaults(const SettingsStore& store) {
    const PollDefinition builtIn;
    PollDefinition d;
    d.Address = readChecked(store, kPollSection, "Address", builtIn.Address, 0, 65535);
    d.FunctionValue =
        store.GetInt(kPollSection, QStringLiteral("FunctionValue"), builtIn.FunctionValue);
    if (PollDefinition::IndexFromFunction(d.FunctionValue) < 0)
        d.FunctionValue = builtIn.FunctionValue;
    const int maxLength = PollDefinition::MaxLength(d.FunctionValue);
    const int lengthFallback = std::min(builtIn.Length, maxLength);
    d.Length = readChecked(store, kPollSection, "Length", lengthFallback, 1, maxLength);
    d.ScanRate = readChecked(store, kPollSection, "ScanRate", builtIn.ScanRate, 1, 60000);
    d.SlaveID = readChecked(store, kPollSection, "SlaveID", builtIn.SlaveID, 1, 255);
    d.bEnable = readChecked(store, kPollSection, "bEnable", builtIn.bEnable, 0, 1);
    d.DisplayFormat = readChecked(store, kPollSection, "DisplayFormat", builtIn.DisplayFormat, 0,
                                  kDisplayFormatCount - 1);
    d.OneBased = readChecked(store, kPollSection, "OneBased", builtIn.OneBased, 0, 1);
    d.HideAlias = readChecked(store, kPollSection, "HideAlias", builtIn.HideAlias, 0, 1);
    d.RowsDialog = readChecked(store, kPollSection, "RowsDialog", builtIn.RowsDialog, 0, 3);
    d.DisplayAddr = readChecked(store, kPollSection, "DisplayAddr", builtIn.DisplayAddr, 0, 1);
    def = d;

    const DocFont builtInFont = DefaultFont();
    DocFont f;  // fields without a key stay zero
    f.setFaceName(store.GetString(kFontSection, QStringLiteral("FaceName"), builtInFont.faceName));
    f.height = readChecked(store, kFontSection, "Height", builtInFont.height, -1000, 1000);
    f.outPrecision = readByte(store, "OutPrecision", builtInFont.outPrecision);
    f.clipPrecision = readByte(store, "ClipPrecision", builtInFont.clipPrecision);
    f.quality = readByte(store, "Quality", builtInFont.quality);
    f.pitchAndFamily = readByte(store, "PitchAndFamily", builtInFont.pitchAndFamily);
    f.weight = readChecked(store, kFontSection, "Weight", builtInFont.weight, 0, 1000);
    font = f;
}

void PollDocumentModel::SetAsDefault(SettingsStore& store) const {
    store.SetInt(kPollSection, QStringLiteral("Address"), def.Address);
    store.SetInt(kPollSection, QStringLiteral("FunctionValue"), def.FunctionValue);
    store.SetInt(kPollSection, QStringLiteral("Length"), def.Length);
    store.SetInt(kPollSection, QStringLiteral("ScanRate"), def.ScanRate);
    store.SetInt(kPollSection, QStringLiteral("SlaveID"), def.SlaveID);
    store.SetInt(kPollSection, QStringLiteral("bEnable"), def.bEnable);
    store.SetInt(kPollSection, QStringLiteral("DisplayFormat"), def.DisplayFormat);
    store.SetInt(kPollSection, QStringLiteral("OneBased"), def.OneBased);
    store.SetInt(kPollSection, QStringLiteral("HideAlias"), def.HideAlias);
    store.SetInt(kPollSection, QStringLiteral("RowsDialog"), def.RowsDialog);
    store.SetInt(kPollSection, QStringLiteral("CloseOnSuccess"), ApplicationWide().CloseOnSuccess);
    store.SetInt(kPollSection, QStringLiteral("DisplayAddr"), def.DisplayAddr);

    store.SetString(kFontSection, QStringLiteral("FaceName"), font.faceName);
    store.SetInt(kFontSection, QStringLiteral("Height"), font.height);
    store.SetInt(kFontSection, QStringLiteral("OutPrecision"), font.outPrecision);
    store.SetInt(kFontSection, QStringLiteral("ClipPrecision"), font.clipPrecision);
    store.SetInt(kFontSection, QStringLiteral("Quality"), font.quality);
    store.SetInt(kFontSection, QStringLiteral("PitchAndFamily"), font.pitchAndFamily);
    store.SetInt(kFontSection, QStringLiteral("Weight"), font.weight);
}

ApplicationWideOptions& PollDocumentModel::ApplicationWide() {
    static ApplicationWideOptions options;
    return options;
}

void PollDocumentModel::LoadApplicationWide(const SettingsStore& store) {
    ApplicationWide().CloseOnSuccess = readChecked(store, kPollSection, "CloseOnSuccess", 0, 0, 1);
    ApplicationWide().PresetSingle = readChecked(store, kPollSection, "PresetSingle", 0, 0, 1);
}

void PollDocumentModel::StoreApplicationWide(SettingsStore& store) {
    // Every document stores these as it closes: a store left untouched is
    // not written back, so closing many documents rewrites the file once.
    const auto keep = [&store](const char* key, qint32 value) {
        // Missing or unreadable, the stored value reads as ~value: written.
        const QString name = QLatin1String(key);
        if (store.GetInt(kPollSection, name, ~value) != value)
            store.SetInt(kPollSection, name, value);
    };
    keep("CloseOnSuccess", ApplicationWide().CloseOnSuccess);
    keep("PresetSingle", ApplicationWide().PresetSingle);
}

// ---- grid geometry ---------------------------------------------------------------

GridSize PollDocumentModel::ComputeGridSize() {
    int rows = PollDefinition::RowsForIndex(def.RowsDialog);
    if (rows == 0)
        rows = PollDefinition::kRowChoices[0];
    const qint64 span = floorMod(def.Address, rows) + std::max<qint64>(def.Length, 0);
    const qint64 blocks = (span + rows - 1) / rows;
    rowsPerColumn = rows;
    valueColumns = static_cast<qint32>(std::min<qint64>(2 * blocks, 2 * 65536));
    return gridSize();
}

int PollDocumentModel::AddressAtCell(int row, int column) const {
    const int r = rowsPerColumn;
    if (r <= 0 || row < 1 || row > r || column < 2 || column % 2 != 0 || column > valueColumns)
        return -1;
    const qint64 base = def.Address - floorMod(def.Address, r);
    return static_cast<int>(base + qint64(column / 2 - 1) * r + (row - 1));
}

int PollDocumentModel::ShownAddressAtCell(int row, int column) const {
    const int address = AddressAtCell(row, column);
    return address < 0 ? -1 : address + def.OneBased;
}

int PollDocumentModel::ItemAtCell(int row, int column) const {
    if (AddressAtCell(row, column) < 0)
        return -1;
    const int r = rowsPerColumn;
    const qint64 item = row + qint64(r) * (column / 2 - 1) - floorMod(def.Address, r) - 1;
    return (item >= 0 && item < def.Length) ? static_cast<int>(item) : -1;
}

bool PollDocumentModel::CellOfItem(int item, int& row, int& column) const {
    const int r = rowsPerColumn;
    if (r <= 0 || item < 0 || item >= def.Length)
        return false;
    const qint64 pos = floorMod(def.Address, r) + item;
    const qint64 c = 2 + 2 * (pos / r);
    if (c > valueColumns)
        return false;
    row = static_cast<int>(1 + pos % r);
    column = static_cast<int>(c);
    return true;
}

// ---- definition ------------------------------------------------------------------

ApplyDefinitionResult PollDocumentModel::ApplyDefinition(const DefinitionDialogValues& dialog) {
    ApplyDefinitionResult result;
    PollDefinition next;
    next.Address = dialog.shownAddress - dialog.oneBased;
    next.OneBased = dialog.oneBased;
    next.FunctionValue = PollDefinition::FunctionFromIndex(dialog.functionIndex);
    next.Length = dialog.length;
    next.SlaveID = dialog.slaveId;
    next.ScanRate = dialog.scanRate;
    next.RowsDialog = dialog.rowsDialog;
    next.bEnable = dialog.enable;
    next.DisplayAddr = dialog.displayAddr;
    next.HideAlias = dialog.hideAlias;
    next.DisplayFormat = dialog.displayFormat;
    if (next == def)
        return result;
    if (!next.IsSound()) {
        result.rejected = true;
        return result;
    }

    if (def.HideAlias == 1 && next.HideAlias == 0)
        restoreAliasColumns = true;
    const int oldFunction = def.FunctionValue;
    const int newFunction = next.FunctionValue;
    // Register data must not be taken as coil states.
    const bool toCoilWrite = newFunction == FunctionCode::WriteSingleCoil ||
                             newFunction == FunctionCode::WriteMultipleCoils;
    const bool fromRegisters = IsRegisterFunction(oldFunction);
    if ((toCoilWrite && fromRegisters) || PollDefinition::IsReadFunction(newFunction)) {
        ForgetValues();
        result.valuesCleared = true;
    }
    def = next;
    // A single register cannot carry a 32- or 64-bit value.
    if (newFunction == FunctionCode::WriteSingleRegister &&
        RegistersPerValue(def.DisplayFormat) > 1) {
        def.DisplayFormat = Code(DisplayFormat::Signed);
        result.formatReset = true;
    }
    ComputeGridSize();
    result.changed = true;
    return result;
}

bool PollDocumentModel::IntegerFormatsAllowed(int function) {
    return function != FunctionCode::ReadCoils && function != FunctionCode::ReadDiscreteInputs &&
           function != FunctionCode::WriteSingleCoil;
}

bool PollDocumentModel::WideFormatsAllowed(int function) {
    return function == FunctionCode::ReadHoldingRegisters ||
           function == FunctionCode::ReadInputRegisters ||
           function == FunctionCode::WriteMultipleCoils ||
           function == FunctionCode::WriteMultipleRegisters;
}

// ---- engine ----------------------------------------------------------------------

bool PollDocumentModel::RegisterWithEngine(WindowHandle window) {
    if (slotIndex != -1) {
        m_line->ReleasePollSlot(slotIndex);
        slotIndex = -1;
    }
    valuesRead = false;
    const auto u16 = [](qint32 v) { return static_cast<std::uint16_t>(v); };
    const int function = def.FunctionValue;
    int slot = -1;
    if (PollDefinition::IsReadFunction(function)) {
        slot = m_line->RegisterPollSlot(window, WM_POLL_RESULT, u16(def.ScanRate), u16(def.SlaveID),
                                        u16(function), u16(def.Address), u16(def.Length), 0, 0);
    } else if (PollDefinition::IsWriteFunction(function)) {
        slot = m_line->RegisterPollSlot(window, WM_POLL_RESULT, u16(def.ScanRate), u16(def.SlaveID),
                                        u16(function), 0, 0, u16(def.Address), u16(def.Length));
    }
    if (slot < kFirstPollSlot || slot > kLastSlot) {
        // The engine refuses reads from the broadcast address whatever the
        // table holds: no closed window would help.
        const bool read = PollDefinition::IsReadFunction(function);
        slotRefusal =
            read && def.SlaveID == 0 ? SlotRefusal::ReadFromBroadcast : SlotRefusal::NoFreeSlot;
        if (read)
            valuesUnknown = true;
        return false;
    }
    slotRefusal = SlotRefusal::None;
    if (!PollDefinition::IsReadFunction(function))
        valuesUnknown = false;  // a write poll shows what it sends
    slotIndex = slot;
    if (PollDefinition::IsWriteFunction(function))
        handWriteData();
    m_line->SetPollMode(slotIndex, def.bEnable ? Continuous : Stopped);
    lastStatus = 10;
    return true;
}

bool PollDocumentModel::MoveToLine(ModbusLine& line, WindowHandle window) {
    if (&line == m_line)
        return true;
    // A refused document tries the new line when a window takes its results.
    const bool polled = slotIndex != -1 || (window != 0 && slotRefusal != SlotRefusal::None);
    ReleaseFromEngine();
    m_line = &line;
    if (!polled)
        return true;
    // RegisterWithEngine leaves the values alone when it gets a slot.
    const bool registered = RegisterWithEngine(window);
    awaitingNewLine = registered;
    return registered;
}

void PollDocumentModel::handWriteData() {
    const int function = def.FunctionValue;
    const int length = std::clamp(def.Length, 0, kValueBytes);
    // Coils are one byte each whatever the display format: converting them
    // as 32- or 64-bit words would reorder the coil states (and is refused
    // outright by the engine above 64 values).
    if (function == FunctionCode::WriteSingleCoil || function == FunctionCode::WriteMultipleCoils) {
        m_line->SetWriteBytes(slotIndex, length, values.data());
        return;
    }
    const auto copyOut = [this](auto& dst, int count) {
        const size_t bytes = std::min(sizeof(dst[0]) * size_t(std::max(count, 0)), values.size());
        std::memcpy(dst.data(), values.data(), bytes);
    };
    switch (static_cast<DisplayFormat>(def.DisplayFormat)) {
    case DisplayFormat::FloatInverse: {
        std::array<float, kDataSize / sizeof(float)> floats{};
        copyOut(floats, length / 2);
        m_line->SetWriteFloats(slotIndex, length / 2, floats.data(), 1);
        break;
    }
    case DisplayFormat::DoubleInverse: {
        std::array<double, kDataSize / sizeof(double)> doubles{};
        copyOut(doubles, length / 4);
        m_line->SetWriteDoubles(slotIndex, length / 4, doubles.data(), 1);
        break;
    }
    case DisplayFormat::LongInverse: {
        std::array<std::int32_t, kDataSize / sizeof(std::int32_t)> longs{};
        copyOut(longs, length / 2);
        m_line->SetWriteLongs(slotIndex, length / 2, longs.data(), 1);
        break;
    }
    default: {
        std::array<std::uint16_t, kDataSize / sizeof(std::uint16_t)> registers{};
        copyOut(registers, length);
        m_line->SetWriteRegisters(slotIndex, length, registers.data());
        break;
    }
    }
}

// ---- freshness of the values ----------------------------------------------------

bool PollDocumentModel::ValuesStale() const {
    return valuesStale && !valuesUnknown && PollDefinition::IsReadFunction(def.FunctionValue);
}

bool PollDocumentModel::MarkValuesStale() {
    if (valuesStale || valuesUnknown || !PollDefinition::IsReadFunction(def.FunctionValue))
        return false;
    valuesStale = true;
    return true;
}

bool PollDocumentModel::MarkValuesRead(qint64 now) {
    lastGoodRead = now;
    valuesUnknown = false;
    return std::exchange(valuesStale, false);
}

void PollDocumentModel::ForgetValues() {
    values.fill(0);
    words.fill(0);
    valuesUnknown = true;
    valuesStale = false;
    lastGoodRead = 0;
}

void PollDocumentModel::ReleaseFromEngine() {
    if (slotIndex == -1)
        return;
    m_line->ReleasePollSlot(slotIndex);
    slotIndex = -1;
    valuesRead = false;
    awaitingNewLine = false;
}

void PollDocumentModel::ClearCounters() {
    if (slotIndex != -1)
        m_line->ResetSlotCounters(slotIndex);
    txCount = 0;
    okCount = 0;
    errorCounters.fill(0);
    countingClock.start();
}

}  // namespace zentiq
