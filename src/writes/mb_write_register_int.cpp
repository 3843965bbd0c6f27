#include "writes/mb_write_register_int.h"

#include "framework/dialog_data_exchange.h"
#include "engine/modbus_line.h"
#include "ui_mb_write_register_int.h"
#include "writes/register_items.h"

namespace zentiq {

CMBWriteRegisterInt::CMBWriteRegisterInt(QWidget* parent)
    : SingleWriteDialog(parent), m_ui(std::make_unique<Ui::CMBWriteRegisterInt>()) {
    m_ui->setupUi(this);
    bindCommon({m_ui->slaveEdit, m_ui->addressEdit, m_ui->sendButton, m_ui->cancelButton,
                m_ui->resultText, m_ui->closeOnSuccessCheck, m_ui->currentValueLabel});
}

CMBWriteRegisterInt::~CMBWriteRegisterInt() = default;

QLineEdit* CMBWriteRegisterInt::firstDisplay() { return m_ui->longEdit; }

void CMBWriteRegisterInt::exchangeValues(DialogDataExchange& dx) {
    dx.IntRange(m_ui->longEdit, value, kMin, kMax);
}

OneShotArgs CMBWriteRegisterInt::request() const {
    OneShotArgs args;
    args.function = Code(FunctionCode::WriteMultipleRegisters);
    return args;
}

QString CMBWriteRegisterInt::currentValueText(const std::vector<std::uint16_t>& items) const {
    const auto bits = RegisterItems::JoinWords(items.data(), 2, displayFormat == kLongInverse);
    return QString::number(static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)));
}

int CMBWriteRegisterInt::loadData(ModbusLine& line) const {
    const std::int32_t v = value;
    return line.SetWriteLongs(0, 1, &v, displayFormat == kLongInverse);
}

}  // namespace zentiq
