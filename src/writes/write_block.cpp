#include "writes/write_block.h"

#include <QLineEdit>

#include "framework/dialog_data_exchange.h"

namespace zentiq {

void ExchangeWriteBlock(DialogDataExchange& dx, const WriteBlockFields& fields, WriteBlock& block,
                        int maxQuantity) {
    dx.IntRange(fields.address, block.address, 0, 65535)
        .IntRange(fields.quantity, block.quantity, 1, maxQuantity)
        .IntRange(fields.slave, block.slaveId, 0, 255);
    if (block.base == 1)
        dx.CheckIntRange(fields.address, block.address, 1, 65535);
}

OneShotArgs WriteBlockArgs(const WriteBlock& block, std::uint16_t function) {
    return OneShotArgs{static_cast<std::uint16_t>(block.slaveId),
                       function,
                       0,
                       0,
                       static_cast<std::uint16_t>(block.address - block.base),
                       1};
}

int TypedSlaveId(const QLineEdit* slave) {
    bool ok = false;
    const int id = slave->text().trimmed().toInt(&ok);
    return ok && id >= 0 && id <= 255 ? id : -1;
}

}  // namespace zentiq
