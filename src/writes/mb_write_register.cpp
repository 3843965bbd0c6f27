#include "writes/mb_write_register.h"

#include <QLineEdit>

#include "framework/dialog_data_exchange.h"
#include "engine/modbus_line.h"
#include "ui_mb_write_register.h"
#include "values/hex_word.h"

namespace zentiq {

CMBWriteRegister::CMBWriteRegister(QWidget* parent)
    : SingleWriteDialog(parent), m_ui(std::make_unique<Ui::CMBWriteRegister>()) {
    m_ui->setupUi(this);
    bindCommon({m_ui->slaveEdit, m_ui->addressEdit, m_ui->sendButton, m_ui->cancelButton,
                m_ui->resultText, m_ui->closeOnSuccessCheck, m_ui->currentValueLabel});
}

CMBWriteRegister::~CMBWriteRegister() = default;

void CMBWriteRegister::setWord(std::uint16_t word) {
    signedValue = static_cast<std::int16_t>(word);
    unsignedValue = word;
    hexText = QString::number(word, 16).toUpper();
}

int CMBWriteRegister::format() const {
    return displayFormat == kUnsigned || displayFormat == kHex ? displayFormat : kSigned;
}

QLineEdit* CMBWriteRegister::firstDisplay() {
    QLineEdit* const fields[] = {m_ui->signedEdit, m_ui->unsignedEdit, m_ui->hexEdit};
    QLineEdit* const shown = fields[format()];
    for (QLineEdit* edit : fields)
        edit->setVisible(edit == shown);
    if (format() == kHex)
        m_ui->valueLabel->setText(tr("值 (HEX):"));
    return shown;
}

void CMBWriteRegister::exchangeValues(DialogDataExchange& dx) {
    // Only the field of the format is shown; a hidden one could fail
    // where the user cannot correct it.
    switch (format()) {
    case kUnsigned: dx.IntRange(m_ui->unsignedEdit, unsignedValue, 0, 65535); break;
    case kHex: dx.TextMax(m_ui->hexEdit, hexText, kHexMaxChars); break;
    default: dx.IntRange(m_ui->signedEdit, signedValue, -32768, 32767); break;
    }
    dx.Radio({m_ui->singleFunctionRadio, m_ui->multipleFunctionRadio}, presetSingle);
}

bool CMBWriteRegister::afterExchange() {
    if (format() != kHex)
        return true;
    const std::optional<std::uint16_t> value = ParseHexWord(hexText);
    if (!value) {
        DialogDataExchange(this, true).Fail(m_ui->hexEdit, HexNumberMessage());
        return false;
    }
    unsignedValue = *value;
    UpdateData(false);
    return true;
}

OneShotArgs CMBWriteRegister::request() const {
    OneShotArgs args;
    args.function = Code(presetSingle == 1 ? FunctionCode::WriteMultipleRegisters
                                           : FunctionCode::WriteSingleRegister);
    return args;
}

QString CMBWriteRegister::currentValueText(const std::vector<std::uint16_t>& items) const {
    const std::uint16_t word = items.front();
    switch (format()) {
    case kUnsigned: return QString::number(word);
    case kHex: return QString::number(word, 16).toUpper();
    default: return QString::number(static_cast<std::int16_t>(word));
    }
}

int CMBWriteRegister::loadData(ModbusLine& line) const {
    const auto word = static_cast<std::uint16_t>(format() == kSigned ? signedValue : unsignedValue);
    return line.SetWriteRegisters(0, 1, &word);
}

}  // namespace zentiq
