// The poll of a document model as the log and the CSV writers take it,
// apart from the register-map commands, which need the document's window:
// the headless logger uses it with the model alone.
#include <cstdint>
#include <span>

#include "documents/poll_document_model.h"
#include "documents/register_map_commands.h"

namespace zentiq {

LogLine::Poll RegisterMapCommands::PollOf(const PollDocumentModel& m) {
    LogLine::Poll poll;
    poll.address = m.def.Address;
    poll.oneBased = m.def.OneBased;
    poll.function = m.def.FunctionValue;
    poll.length = m.def.Length;
    poll.displayFormat = m.def.DisplayFormat;
    poll.values = std::span<const std::uint8_t>(m.values.data(), m.values.size());
    poll.valuesRead = !(m.valuesUnknown && PollDefinition::IsReadFunction(m.def.FunctionValue));
    poll.words = std::span<const std::uint16_t>(m.words.data(), m.words.size());
    poll.rowTypes = &m.rowTypes;
    return poll;
}

}  // namespace zentiq
