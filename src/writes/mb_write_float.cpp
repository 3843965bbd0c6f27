#include "writes/mb_write_float.h"

#include <bit>
#include <cstdio>

#include "framework/dialog_data_exchange.h"
#include "engine/modbus_line.h"
#include "ui_mb_write_float.h"
#include "writes/register_items.h"

namespace zentiq {

CMBWriteFloat::CMBWriteFloat(QWidget* parent)
    : SingleWriteDialog(parent), m_ui(std::make_unique<Ui::CMBWriteFloat>()) {
    m_ui->setupUi(this);
    bindCommon({m_ui->slaveEdit, m_ui->addressEdit, m_ui->sendButton, m_ui->cancelButton,
                m_ui->resultText, m_ui->closeOnSuccessCheck, m_ui->currentValueLabel});
}

CMBWriteFloat::~CMBWriteFloat() = default;

QLineEdit* CMBWriteFloat::firstDisplay() {
    if (IsDouble())
        setWindowTitle(tr("写双精度浮点数(Double)"));
    m_ui->floatEdit->setVisible(!IsDouble());
    m_ui->doubleEdit->setVisible(IsDouble());
    return IsDouble() ? m_ui->doubleEdit : m_ui->floatEdit;
}

void CMBWriteFloat::exchangeValues(DialogDataExchange& dx) {
    // Only the shown field: the hidden one cannot be corrected by the user.
    if (IsDouble())
        dx.Double(m_ui->doubleEdit, doubleValue);
    else
        dx.Float(m_ui->floatEdit, floatValue);
}

OneShotArgs CMBWriteFloat::request() const {
    OneShotArgs args;
    args.function = Code(FunctionCode::WriteMultipleRegisters);
    return args;
}

QString CMBWriteFloat::currentValueText(const std::vector<std::uint16_t>& items) const {
    const bool inverse = displayFormat == kFloatInverse || displayFormat == kDoubleInverse;
    const std::uint64_t bits =
        RegisterItems::JoinWords(items.data(), static_cast<int>(items.size()), inverse);
    // With as many digits as the field shows.
    char text[64];
    if (IsDouble())
        std::snprintf(text, sizeof text, "%.15g", std::bit_cast<double>(bits));
    else
        std::snprintf(text, sizeof text, "%.6g",
                      double(std::bit_cast<float>(static_cast<std::uint32_t>(bits))));
    return QString::fromLatin1(text);
}

int CMBWriteFloat::loadData(ModbusLine& line) const {
    if (IsDouble())
        return line.SetWriteDoubles(0, 1, &doubleValue, displayFormat == kDoubleInverse);
    return line.SetWriteFloats(0, 1, &floatValue, displayFormat == kFloatInverse);
}

}  // namespace zentiq
