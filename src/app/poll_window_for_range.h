// A new poll window that reads one range of a slave, as the bus scanner's
// address map offers it: the quantity is cut to what one poll may read.
#pragma once

namespace zentiq {

class CZentiqDoc;
class DocumentManager;

CZentiqDoc* OpenPollWindowForRange(DocumentManager& documents, int slaveId, int function,
                                   int address, int quantity);

}  // namespace zentiq
