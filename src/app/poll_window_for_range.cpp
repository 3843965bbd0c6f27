#include "app/poll_window_for_range.h"

#include <algorithm>

#include "app/document_manager.h"
#include "documents/poll_definition.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_doc_automation.h"

namespace zentiq {

CZentiqDoc* OpenPollWindowForRange(DocumentManager& documents, int slaveId, int function,
                                   int address, int quantity) {
    if (!PollDefinition::IsReadFunction(function))
        return nullptr;
    CZentiqDoc* doc = documents.NewDocument();
    if (doc == nullptr)
        return nullptr;
    const int length = std::clamp(quantity, 1, PollDefinition::MaxLength(function));
    // The document keeps its own scan rate; the rest is what the scan found.
    CZentiqDocAutomation(doc).CreateRequest(slaveId, function, address, length,
                                            std::max(doc->Model().def.ScanRate,
                                                     CZentiqDocAutomation::kMinScanRate));
    return doc;
}

}  // namespace zentiq
