#include "writes/write_poll_value_editor.h"

#include <algorithm>

#include "values/value_format.h"
#include "documents/value_edit_request.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "writes/mb_input_register.h"
#include "writes/mb_input_register_bin.h"
#include "writes/register_items.h"
#include "framework/user_interaction.h"

namespace zentiq {

bool WritePollValueEditor::Edit(CZentiqDoc& doc, const ValueEditRequest& request) {
    if (request.function != FunctionCode::WriteSingleRegister &&
        request.function != FunctionCode::WriteMultipleRegisters)
        return false;
    PollDocumentModel& m = doc.Model();
    const int format = m.def.DisplayFormat;
    const int perValue = RegistersPerValue(format);
    if (!IsDisplayFormat(format) || request.item < 0 || request.item + perValue > m.def.Length)
        return false;
    auto& values = m.values;
    // OK on a value that was only looked at is no edit: the poll keeps
    // sending what it sent, and the document stays unmodified.
    const auto before = values;
    bool stored = false;
    if (format == DisplayFormat::Binary) {
        CMBInputRegisterBin dialog(RegisterItems::Word(values.data(), values.size(), request.item),
                                   doc.View());
        if (userInteraction().runModal(dialog) == QDialog::Accepted) {
            RegisterItems::SetWord(values.data(), values.size(), request.item, dialog.value());
            stored = true;
        }
    } else {
        const int index = request.item / perValue;
        InputRegisterValue value = RegisterItems::FromDigit(format, std::max(request.keyCode, 0));
        if (request.keyCode < 0 &&
            !RegisterItems::Get(format, values.data(), values.size(), index, value))
            return false;
        CMBInputRegister dialog(format, value, request.keyCode, doc.View());
        if (userInteraction().runModal(dialog) == QDialog::Accepted)
            stored =
                RegisterItems::Set(format, values.data(), values.size(), index, dialog.value());
    }
    if (!stored || values == before)
        return true;
    if (m.slotIndex != -1)
        RegisterItems::LoadWriteData(doc.Line(), m.slotIndex, format, m.def.Length, values.data(),
                                     values.size(), true);
    doc.SetModifiedFlag(true);
    doc.RefreshValues(false);
    return true;
}

}  // namespace zentiq
