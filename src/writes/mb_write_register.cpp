#include "writes/mb_write_register.h"

#include <QLineEdit>
#include <algorithm>

#include "framework/dialog_data_exchange.h"
#include "engine/engine.h"
#include "ui_mb_write_register.h"

namespace zentiq {

namespace {

bool isHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

}  // namespace

CMBWriteRegister::CMBWriteRegister(QWidget* parent)
    : SingleWriteDialog(parent), m_ui(std::make_unique<Ui::CMBWriteRegister>()) {
    m_ui->setupUi(this);
    bindCommon({m_ui->slaveEdit, m_ui->addressEdit, m_ui->sendButton, m_ui->cancelButton,
                m_ui->resultText, m_ui->closeOnSuccessCheck});
}

CMBWriteRegister::~CMBWriteRegister() = default;

QString CMBWriteRegister::HexNumberMessage() { return QStringLiteral("Please enter a hex number"); }

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
        m_ui->valueLabel->setText(QStringLiteral("Value (HEX):"));
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
    bool ok = false;
    const uint value = hexText.toUInt(&ok, 16);
    if (!ok || hexText.isEmpty() || !std::all_of(hexText.begin(), hexText.end(), isHexDigit)) {
        DialogDataExchange(this, true).Fail(m_ui->hexEdit, HexNumberMessage());
        return false;
    }
    unsignedValue = static_cast<int>(value);
    UpdateData(false);
    return true;
}

OneShotArgs CMBWriteRegister::request() const {
    OneShotArgs args;
    args.function = presetSingle == 1 ? 16 : 6;
    return args;
}

int CMBWriteRegister::loadData() const {
    const auto word = static_cast<std::uint16_t>(format() == kSigned ? signedValue : unsignedValue);
    return SetWriteRegisters(0, 1, &word);
}

}  // namespace zentiq
