// What an opener hands a multiple-write dialog: the slave, the first
// address as the user sees it, the number of items and the address base.
#pragma once

namespace zentiq {

struct WriteBlock {
    int slaveId = 1;
    int address = 1;
    int quantity = 10;
    int base = 0;
};

}  // namespace zentiq
