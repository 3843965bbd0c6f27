#include "writes/mb_write_coil.h"

#include "framework/dialog_data_exchange.h"
#include "engine/modbus_line.h"
#include "ui_mb_write_coil.h"

namespace zentiq {

CMBWriteCoil::CMBWriteCoil(QWidget* parent)
    : SingleWriteDialog(parent), m_ui(std::make_unique<Ui::CMBWriteCoil>()) {
    m_ui->setupUi(this);
    bindCommon({m_ui->slaveEdit, m_ui->addressEdit, m_ui->sendButton, m_ui->cancelButton,
                m_ui->resultText, m_ui->closeOnSuccessCheck, m_ui->currentValueLabel});
}

CMBWriteCoil::~CMBWriteCoil() = default;

void CMBWriteCoil::exchangeValues(DialogDataExchange& dx) {
    dx.Radio({m_ui->coilOnRadio, m_ui->coilOffRadio}, coilState)
        .Radio({m_ui->singleFunctionRadio, m_ui->multipleFunctionRadio}, presetSingle);
}

OneShotArgs CMBWriteCoil::request() const {
    OneShotArgs args;
    args.function =
        Code(presetSingle == 1 ? FunctionCode::WriteMultipleCoils : FunctionCode::WriteSingleCoil);
    return args;
}

QString CMBWriteCoil::currentValueText(const std::vector<std::uint16_t>& items) const {
    // As the radios name the states.
    return items.front() != 0 ? tr("开") : tr("关");
}

int CMBWriteCoil::loadData(ModbusLine& line) const {
    const std::uint8_t coil = coilState == kOn ? 1 : 0;
    return line.SetWriteBytes(0, 1, &coil);
}

}  // namespace zentiq
