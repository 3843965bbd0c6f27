#include "writes/mb_write_typed.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "engine/modbus_line.h"

namespace zentiq {

CMBWriteTyped::CMBWriteTyped(const RowType& type, QWidget* parent)
    : SingleWriteDialog(parent), m_type(type) {
    setWindowTitle(tr("写入 %1").arg(RowTypeLabel(type)));
    setObjectName(QStringLiteral("CMBWriteTyped"));
    auto* slave = new QLineEdit(this);
    auto* address = new QLineEdit(this);
    m_value = new QLineEdit(this);
    m_value->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 28);
    m_registers = new QLabel(this);
    m_registers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* current = new QLabel(this);
    auto* result = new QLabel(tr("尚未发送"), this);
    auto* closeOnSuccess = new QCheckBox(tr("\"应答正确！\"后关闭对话框"), this);
    auto* send = new QPushButton(tr("发送"), this);
    send->setObjectName(QStringLiteral("sendButton"));
    m_value->setObjectName(QStringLiteral("valueEdit"));
    auto* cancel = new QPushButton(tr("取消"), this);

    auto* form = new QFormLayout;
    form->addRow(tr("从站 ID:"), slave);
    form->addRow(tr("地址:"), address);
    form->addRow(tr("类型:"), new QLabel(RowTypeLabel(type), this));
    form->addRow(tr("值:"), m_value);
    form->addRow(QString(), current);
    form->addRow(tr("寄存器:"), m_registers);
    form->addRow(tr("结果"), result);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(closeOnSuccess);
    buttons->addStretch();
    buttons->addWidget(send);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    bindCommon({slave, address, send, cancel, result, closeOnSuccess, current});
    connect(m_value, &QLineEdit::textChanged, this, &CMBWriteTyped::showRegisters);
}

CMBWriteTyped::~CMBWriteTyped() = default;

QString CMBWriteTyped::originalText() const {
    if (original.size() != std::size_t(m_type.Registers()))
        return QString();
    return TypedText(original, 0, m_type, ValueForm::Plain);
}

QLineEdit* CMBWriteTyped::firstDisplay() {
    if (typedKey >= 0)
        m_value->setText(
            QString::number(typedKey, m_type.reading.kind == DecodeKind::Hex16 ? 16 : 10)
                .toUpper());
    else if (typedKey == kNoTypedKey)
        m_value->setText(originalText());
    showRegisters();
    return m_value;
}

std::optional<std::vector<std::uint16_t>> CMBWriteTyped::Registers(QString* why) const {
    const QString text = m_value->text();
    // Left as shown: the registers as read, so that a value the type shows
    // rounded (a float with six decimals, a scaled value) goes back whole.
    const QString before = originalText();
    if (!before.isEmpty() && text.trimmed() == before.trimmed())
        return original;
    return EncodeTyped(m_type, text, why);
}

void CMBWriteTyped::showRegisters() {
    QString why;
    const std::optional<std::vector<std::uint16_t>> words = Registers(&why);
    if (!words) {
        m_registers->setText(why);
        return;
    }
    QStringList hex;
    for (const std::uint16_t w : *words)
        hex << QStringLiteral("0x") +
                   QStringLiteral("%1").arg(w, 4, 16, QLatin1Char('0')).toUpper();
    m_registers->setText(hex.join(QLatin1Char(' ')));
}

bool CMBWriteTyped::afterExchange() {
    QString why;
    const std::optional<std::vector<std::uint16_t>> words = Registers(&why);
    if (!words) {
        setResultText(why);
        m_value->setFocus(Qt::OtherFocusReason);
        m_value->selectAll();
        return false;
    }
    m_words = *words;
    return true;
}

OneShotArgs CMBWriteTyped::request() const {
    OneShotArgs args;
    args.function = Code(m_type.Registers() == 1 ? FunctionCode::WriteSingleRegister
                                                 : FunctionCode::WriteMultipleRegisters);
    return args;
}

int CMBWriteTyped::loadData(ModbusLine& line) const {
    return line.SetWriteRegisters(0, int(m_words.size()), m_words.data());
}

QString CMBWriteTyped::currentValueText(const std::vector<std::uint16_t>& items) const {
    return TypedText(items, 0, m_type, ValueForm::Plain);
}

}  // namespace zentiq
