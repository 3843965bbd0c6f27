#include "writes/mb_input_register.h"

#include <QLineEdit>

#include "framework/dialog_data_exchange.h"
#include "values/hex_word.h"
#include "ui_mb_input_register.h"
#include "values/value_format.h"

namespace zentiq {

CMBInputRegister::CMBInputRegister(int displayFormat, const InputRegisterValue& value, int keyCode,
                                   QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CMBInputRegister>()),
      m_format(displayFormat),
      m_keyCode(keyCode),
      m_value(value) {
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CMBInputRegister::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMBInputRegister::reject);
    for (QLineEdit* edit : {m_ui->signedEdit, m_ui->unsignedEdit, m_ui->hexEdit, m_ui->floatEdit,
                            m_ui->doubleEdit, m_ui->longEdit})
        edit->setVisible(edit == valueField());
    if (m_format == DisplayFormat::Hex)
        m_ui->valueLabel->setText(tr("值 (HEX):"));
    UpdateData(false);
}

CMBInputRegister::~CMBInputRegister() = default;

QLineEdit* CMBInputRegister::valueField() const {
    switch (static_cast<DisplayFormat>(m_format)) {
    case DisplayFormat::Unsigned: return m_ui->unsignedEdit;
    case DisplayFormat::Hex: return m_ui->hexEdit;
    case DisplayFormat::Float:
    case DisplayFormat::FloatInverse: return m_ui->floatEdit;
    case DisplayFormat::Double:
    case DisplayFormat::DoubleInverse: return m_ui->doubleEdit;
    case DisplayFormat::Long:
    case DisplayFormat::LongInverse: return m_ui->longEdit;
    default: return m_ui->signedEdit;
    }
}

bool CMBInputRegister::UpdateData(bool fromControls) {
    InputRegisterValue v = m_value;
    DialogDataExchange dx(this, fromControls);
    dx.IntRange(m_ui->signedEdit, v.signedValue, -32768, 32767)
        .IntRange(m_ui->unsignedEdit, v.unsignedValue, 0, 65535)
        .TextMax(m_ui->hexEdit, v.hexText, kHexMaxChars)
        .DoubleRange(m_ui->doubleEdit, v.doubleValue, -kDoubleLimit, kDoubleLimit)
        .FloatRange(m_ui->floatEdit, v.floatValue, -kFloatLimit, kFloatLimit)
        .IntRange(m_ui->longEdit, v.longValue, kLongMin, kLongMax);
    if (dx.ok())
        m_value = v;
    return dx.ok();
}

void CMBInputRegister::accept() {
    if (m_format == DisplayFormat::Hex) {
        const std::optional<std::uint16_t> parsed = ParseHexWord(m_ui->hexEdit->text());
        if (!parsed) {
            DialogDataExchange::ShowWarning(this, HexNumberMessage());
            m_ui->hexEdit->setFocus(Qt::OtherFocusReason);
            m_ui->hexEdit->selectAll();
            return;
        }
        // The unsigned field is what the exchange takes the value from.
        m_ui->unsignedEdit->setText(QString::number(*parsed));
    }
    if (UpdateData(true))
        QDialog::accept();
}

void CMBInputRegister::setVisible(bool visible) {
    QDialog::setVisible(visible);
    if (!visible || m_shown)
        return;
    m_shown = true;
    QLineEdit* field = valueField();
    field->setFocus(Qt::OtherFocusReason);
    const bool minusAllowed = field != m_ui->unsignedEdit && field != m_ui->hexEdit;
    if (m_keyCode == -2 && minusAllowed) {
        field->setText(QStringLiteral("-"));
        field->end(false);
    } else if (m_keyCode >= 0) {
        field->deselect();
        field->end(false);
    } else {
        field->selectAll();
    }
}

}  // namespace zentiq
