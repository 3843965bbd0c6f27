#include "writes/mb_write_register_bin.h"

#include "framework/dialog_data_exchange.h"
#include "engine/modbus_line.h"
#include "resources/strings.h"
#include "values/value_format.h"
#include "ui_mb_write_register_bin.h"

namespace zentiq {

CMBWriteRegisterBin::CMBWriteRegisterBin(QWidget* parent)
    : SingleWriteDialog(parent), m_ui(std::make_unique<Ui::CMBWriteRegisterBin>()) {
    m_ui->setupUi(this);
    bindCommon({m_ui->slaveEdit, m_ui->addressEdit, m_ui->sendButton, m_ui->cancelButton,
                m_ui->resultText, m_ui->closeOnSuccessCheck, m_ui->currentValueLabel});
    m_bits = BitCheckBoxes(this, "bit");
}

CMBWriteRegisterBin::~CMBWriteRegisterBin() = default;

void CMBWriteRegisterBin::exchangeValues(DialogDataExchange& dx) {
    // The boxes cannot fail, but like every field they stay untouched once
    // an earlier one has.
    if (dx.ok() && dx.fromControls())
        value = m_bits.Value();
    else if (dx.ok())
        m_bits.Show(value);
    dx.Radio({m_ui->singleFunctionRadio, m_ui->multipleFunctionRadio}, presetSingle);
}

void CMBWriteRegisterBin::showNoConnection() {
    DialogDataExchange::ShowWarning(this, LoadString(ids::NoConnection));
}

OneShotArgs CMBWriteRegisterBin::request() const {
    OneShotArgs args;
    args.function = Code(presetSingle == 1 ? FunctionCode::WriteMultipleRegisters
                                           : FunctionCode::WriteSingleRegister);
    return args;
}

QString CMBWriteRegisterBin::currentValueText(const std::vector<std::uint16_t>& items) const {
    // The boxes' order: bit 15 first.
    return BinaryText(items.front()).trimmed();
}

int CMBWriteRegisterBin::loadData(ModbusLine& line) const {
    return line.SetWriteRegisters(0, 1, &value);
}

}  // namespace zentiq
