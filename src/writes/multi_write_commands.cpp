#include "writes/multi_write_commands.h"

#include <algorithm>
#include <cstring>

#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "writes/mb_force_multible_coils.h"
#include "writes/mb_mask_write.h"
#include "writes/mb_preset_multible_register.h"
#include "writes/mb_read_write_register.h"
#include "framework/user_interaction.h"

namespace zentiq {
namespace {

int registerQuantity(const PollDefinition& def) {
    return std::clamp(def.Length, 0, CMBPresetMultibleRegister::kMaxQuantity);
}

// The poll's current words as the first `quantity` registers of a dialog.
void copyRegisters(const PollDocumentModel& m, int quantity, RegisterValueList::Buffer& to) {
    if (m.def.FunctionValue != FunctionCode::ReadHoldingRegisters)
        return;
    std::memcpy(to.data(), m.values.data(), 2 * static_cast<std::size_t>(quantity));
}

}  // namespace

void MultiWriteCommands::ForceMultipleCoils(CZentiqDoc& doc) {
    const PollDocumentModel& m = doc.Model();
    const PollDefinition& def = m.def;
    CMBForceMultibleCoils dialog(
        {def.SlaveID, def.Address + def.OneBased, def.Length, def.OneBased}, doc.View());
    if (def.FunctionValue == FunctionCode::ReadCoils) {
        const auto count = static_cast<std::size_t>(std::clamp(def.Length, 0, 2000));
        std::copy_n(m.values.begin(), count, dialog.coils().begin());
    }
    dialog.SetLine(doc.Line());
    userInteraction().runModal(dialog);
}

void MultiWriteCommands::PresetMultipleRegisters(CZentiqDoc& doc) {
    const PollDocumentModel& m = doc.Model();
    const PollDefinition& def = m.def;
    const int quantity = registerQuantity(def);
    CMBPresetMultibleRegister dialog(
        {def.SlaveID, def.Address + def.OneBased, quantity, def.OneBased}, def.DisplayFormat,
        doc.View());
    copyRegisters(m, quantity, dialog.values());
    dialog.SetLine(doc.Line());
    userInteraction().runModal(dialog);
}

void MultiWriteCommands::MaskWrite(CZentiqDoc& doc) {
    const PollDefinition& def = doc.Model().def;
    CMBMaskWrite dialog(def.SlaveID, def.OneBased, def.OneBased, doc.View());
    dialog.SetLine(doc.Line());
    userInteraction().runModal(dialog);
}

void MultiWriteCommands::ReadWriteRegisters(CZentiqDoc& doc) {
    const PollDocumentModel& m = doc.Model();
    const PollDefinition& def = m.def;
    const int quantity = registerQuantity(def);
    ReadWriteBlock block;
    block.slaveId = def.SlaveID;
    block.writeAddress = def.Address + def.OneBased;
    block.writeQuantity = quantity;
    block.readAddress = def.OneBased;
    block.readQuantity = 1;
    block.base = def.OneBased;
    CMBReadWriteRegister dialog(block, def.DisplayFormat, doc.View());
    copyRegisters(m, quantity, dialog.values());
    dialog.SetLine(doc.Line());
    userInteraction().runModal(dialog);
}

}  // namespace zentiq
