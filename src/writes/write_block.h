// What an opener hands a multiple-write dialog (the slave, the first
// address as the user sees it, the number of items and the address base),
// and how those dialogs exchange and send it.
#pragma once

#include <cstdint>

#include "framework/one_shot_request.h"

class QLineEdit;

namespace zentiq {

class DialogDataExchange;

struct WriteBlock {
    int slaveId = 1;
    int address = 1;
    int quantity = 10;
    int base = 0;
};

struct WriteBlockFields {
    QLineEdit* address;
    QLineEdit* quantity;
    QLineEdit* slave;
};

// In the order the dialogs check them: address, quantity, slave (0 is a
// broadcast), then the address again with lower limit 1 when the base is 1.
void ExchangeWriteBlock(DialogDataExchange& dx, const WriteBlockFields& fields, WriteBlock& block,
                        int maxQuantity);

// The slave ID a field holds as typed, -1 while it holds none (no message:
// the current values follow the field as the user types).
int TypedSlaveId(const QLineEdit* slave);

// The one-shot request of a block write: the protocol address, and write
// quantity 1 until the write-data operation sets the real one.
OneShotArgs WriteBlockArgs(const WriteBlock& block, std::uint16_t function);

}  // namespace zentiq
