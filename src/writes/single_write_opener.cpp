#include "writes/single_write_opener.h"

#include <cstring>
#include <utility>

#include "values/value_format.h"
#include "documents/value_edit_request.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "grid/grid_ctrl.h"
#include "writes/mb_write_coil.h"
#include "writes/mb_write_float.h"
#include "writes/mb_write_register.h"
#include "writes/mb_write_register_bin.h"
#include "writes/mb_write_register_int.h"
#include "writes/mb_write_typed.h"
#include "framework/user_interaction.h"

namespace zentiq {

namespace {

// A value of type T at the poll item's first register in the document's
// value buffer (host layout, two bytes per register).
template <class T>
T valueAt(const PollDocumentModel& m, int item) {
    T v{};
    const std::size_t offset = 2 * static_cast<std::size_t>(item);
    if (item >= 0 && offset + sizeof(T) <= m.values.size())
        std::memcpy(&v, m.values.data() + offset, sizeof(T));
    return v;
}

// Runs the dialog with the document's slave, base and options, then takes
// the options back (the function choice only from dialogs that offer one).
template <class Dialog>
void run(CZentiqDoc& doc, Dialog& dialog, int shownAddress) {
    const PollDefinition& def = doc.Model().def;
    ApplicationWideOptions& options = PollDocumentModel::ApplicationWide();
    dialog.slaveId = def.SlaveID;
    dialog.addressBase = def.OneBased;
    dialog.address = shownAddress;
    dialog.closeOnSuccess = options.CloseOnSuccess;
    dialog.SetLine(doc.Line());
    constexpr bool takesFunctionChoice = requires(Dialog & d) { d.presetSingle; };
    if constexpr (takesFunctionChoice)
        dialog.presetSingle = options.PresetSingle;
    userInteraction().runModal(dialog);
    options.CloseOnSuccess = dialog.closeOnSuccess;
    if constexpr (takesFunctionChoice)
        options.PresetSingle = dialog.presetSingle;
}

// The shown address of the grid's focus cell when it is a value cell, else
// the address base itself.
int focusAddress(CZentiqDoc& doc) {
    const PollDocumentModel& m = doc.Model();
    if (CGridCtrl* grid = doc.Grid()) {
        const CCellID focus = grid->model().focusCell();
        const int address = m.ShownAddressAtCell(focus.row, focus.col);
        if (address >= 0)
            return address;
    }
    return m.def.OneBased;
}

void openRegister(CZentiqDoc& doc, int shownAddress, int format, std::uint16_t word, int typedKey) {
    CMBWriteRegister dialog(doc.View());
    dialog.displayFormat = format;
    dialog.typedKey = typedKey;
    dialog.setWord(word);
    run(doc, dialog, shownAddress);
}

void openBinary(CZentiqDoc& doc, int shownAddress, std::uint16_t word) {
    CMBWriteRegisterBin dialog(doc.View());
    dialog.value = word;
    run(doc, dialog, shownAddress);
}

}  // namespace

void SingleWriteOpener::OpenCoilCommand(CZentiqDoc& doc) {
    CMBWriteCoil dialog(doc.View());
    dialog.coilState = CMBWriteCoil::kOff;
    run(doc, dialog, focusAddress(doc));
}

void SingleWriteOpener::OpenRegisterCommand(CZentiqDoc& doc) {
    const int format = doc.Model().def.DisplayFormat;
    if (format == DisplayFormat::Binary)
        openBinary(doc, focusAddress(doc), 0);
    else
        openRegister(doc, focusAddress(doc),
                     format <= CMBWriteRegister::kHex ? format : CMBWriteRegister::kSigned, 0,
                     kNoTypedKey);
}

bool SingleWriteOpener::OpenForCell(CZentiqDoc& doc, const ValueEditRequest& request) {
    if (!PollDefinition::IsReadFunction(request.function))
        return false;
    const PollDocumentModel& m = doc.Model();
    const int item = request.item;
    const int key = request.keyCode;
    if (item < 0 || item >= m.def.Length)
        return false;

    if (IsCoilFunction(request.function)) {
        const bool on = m.values[static_cast<std::size_t>(item)] != 0;
        bool wantOn = on;  // double-click shows the current state
        if (key == ' ')
            wantOn = !on;
        else if (key == '1' || key == '0')
            wantOn = key == '1';
        else if (key != kNoTypedKey)
            return false;
        CMBWriteCoil dialog(doc.View());
        dialog.coilState = wantOn ? CMBWriteCoil::kOn : CMBWriteCoil::kOff;
        run(doc, dialog, request.shownAddress);
        return true;
    }

    if (request.rowType) {
        CMBWriteTyped dialog(*request.rowType, doc.View());
        dialog.typedKey = key;
        const int registers = request.rowType->Registers();
        if (!m.valuesUnknown && item + registers <= m.def.Length &&
            item + registers <= PollDocumentModel::kWordCount)
            dialog.original.assign(m.words.begin() + item, m.words.begin() + item + registers);
        run(doc, dialog, request.shownAddress);
        return true;
    }

    // A digit typed on the cell replaces its value.
    const bool digit = key >= 0;
    const int format = request.displayFormat;
    const int registers = RegistersPerValue(format);
    // A pair or group cut off by the end of the poll has no value.
    if (item % registers != 0 || item + registers > m.def.Length)
        return false;
    switch (static_cast<DisplayFormat>(format)) {
    case DisplayFormat::Binary:
        openBinary(doc, request.shownAddress, valueAt<std::uint16_t>(m, item));
        return true;
    case DisplayFormat::Float:
    case DisplayFormat::FloatInverse:
    case DisplayFormat::Double:
    case DisplayFormat::DoubleInverse: {
        CMBWriteFloat dialog(doc.View());
        dialog.displayFormat = format;
        dialog.typedKey = key;
        const bool wide = registers == 4;
        dialog.floatValue = digit ? float(key) : wide ? 0.0f : valueAt<float>(m, item);
        dialog.doubleValue = digit ? double(key) : wide ? valueAt<double>(m, item) : 0.0;
        run(doc, dialog, request.shownAddress);
        return true;
    }
    case DisplayFormat::Long:
    case DisplayFormat::LongInverse: {
        CMBWriteRegisterInt dialog(doc.View());
        dialog.displayFormat = format;
        dialog.typedKey = key;
        dialog.value = digit ? key : valueAt<std::int32_t>(m, item);
        run(doc, dialog, request.shownAddress);
        return true;
    }
    default:
        openRegister(doc, request.shownAddress, format,
                     digit ? static_cast<std::uint16_t>(key) : valueAt<std::uint16_t>(m, item),
                     key);
        return true;
    }
}

}  // namespace zentiq
