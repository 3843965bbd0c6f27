#include "writes/mb_mask_write.h"

#include "framework/dialog_data_exchange.h"
#include "ui_mb_mask_write.h"
#include "engine/engine_types.h"
#include "writes/write_sender.h"

namespace zentiq {

CMBMaskWrite::CMBMaskWrite(int slaveId, int address, int base, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CMBMaskWrite>()),
      m_slaveId(slaveId),
      m_address(address),
      m_base(base) {
    m_ui->setupUi(this);
    m_and = BitCheckBoxes(this, "andBit");
    m_or = BitCheckBoxes(this, "orBit");
    // With these masks a send leaves the register as it is.
    m_and.Show(0xFFFF);
    m_or.Show(0x0000);
    m_sender = new WriteSender(this, m_ui->sendButton);
    connect(m_ui->sendButton, &QPushButton::clicked, this, &CMBMaskWrite::Send);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMBMaskWrite::reject);
    UpdateData(false);
}

CMBMaskWrite::~CMBMaskWrite() = default;

bool CMBMaskWrite::IsPending() const { return m_sender->IsPending(); }

void CMBMaskWrite::SetLine(ModbusLine& line) { m_sender->SetLine(line); }

bool CMBMaskWrite::UpdateData(bool fromControls) {
    int address = m_address, slave = m_slaveId;
    DialogDataExchange dx(this, fromControls);
    dx.IntRange(m_ui->addressEdit, address, 0, 65535).IntRange(m_ui->slaveEdit, slave, 1, 255);
    if (m_base == 1)
        dx.CheckIntRange(m_ui->addressEdit, address, 1, 65535);
    if (dx.ok()) {
        m_address = address;
        m_slaveId = slave;
    }
    return dx.ok();
}

void CMBMaskWrite::Send() {
    if (!UpdateData(true))
        return;
    // The engine builds function 22 from these fields alone: the masks ride
    // in the read address and quantity, and no write data follows.
    const OneShotArgs args{static_cast<std::uint16_t>(m_slaveId),
                           Code(FunctionCode::MaskWriteRegister),
                           andMask(),
                           orMask(),
                           static_cast<std::uint16_t>(m_address - m_base),
                           1};
    m_sender->Send(args, nullptr);
}

}  // namespace zentiq
