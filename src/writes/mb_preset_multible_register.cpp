#include "writes/mb_preset_multible_register.h"

#include <QLineEdit>
#include <QShowEvent>

#include "framework/dialog_data_exchange.h"
#include "ui_mb_preset_multible_register.h"
#include "writes/focus_out_exchange.h"
#include "writes/register_items.h"
#include "writes/write_sender.h"
#include "values/value_format.h"

namespace zentiq {
namespace {

const char* const kCaptions[10] = {
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister", "16: 写寄存器组 (signed)"),
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister", "16: 写寄存器组 (unsigned)"),
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister", "16: 写寄存器组 (HEX)"),
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister", "16: 写寄存器组 (binary)"),
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister", "16: 写寄存器组 (floating point)"),
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister", "16: 写寄存器组 (floating point inv.)"),
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister",
                      "16: 写寄存器组 (double floating point)"),
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister",
                      "16: 写寄存器组 (double floating point inv.)"),
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister", "16: 写寄存器组 (long)"),
    QT_TRANSLATE_NOOP("zentiq::CMBPresetMultibleRegister", "16: 写寄存器组 (long inv.)"),
};

}  // namespace

CMBPresetMultibleRegister::CMBPresetMultibleRegister(const WriteBlock& block, int displayFormat,
                                                     QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CMBPresetMultibleRegister>()),
      m_block(block),
      m_format(displayFormat) {
    m_ui->setupUi(this);
    m_list = new RegisterValueList(this, m_ui->valueList, displayFormat);
    m_list->connectButtons(m_ui->editButton, m_ui->openButton, m_ui->saveButton);
    m_sender = new WriteSender(this, m_ui->sendButton);
    connect(m_ui->sendButton, &QPushButton::clicked, this, &CMBPresetMultibleRegister::Send);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMBPresetMultibleRegister::reject);
    new FocusOutExchange(this, {m_ui->addressEdit, m_ui->quantityEdit}, [this] {
        if (UpdateData(true))
            m_list->Rebuild(m_block.address, m_block.quantity);
    });
    UpdateData(false);
    // The current values follow the slave field as it is typed.
    const auto followSlave = [this] {
        m_list->SetSlave(TypedSlaveId(m_ui->slaveEdit), m_block.base);
    };
    connect(m_ui->slaveEdit, &QLineEdit::textChanged, this, followSlave);
    followSlave();
}

CMBPresetMultibleRegister::~CMBPresetMultibleRegister() = default;

QString CMBPresetMultibleRegister::Caption(int displayFormat) {
    if (!IsDisplayFormat(displayFormat))
        return tr("写多个寄存器");
    return tr(kCaptions[displayFormat]);
}

bool CMBPresetMultibleRegister::IsPending() const { return m_sender->IsPending(); }

void CMBPresetMultibleRegister::SetLine(ModbusLine& line) {
    m_sender->SetLine(line);
    m_list->SetLine(line);
}

bool CMBPresetMultibleRegister::UpdateData(bool fromControls) {
    WriteBlock b = m_block;
    DialogDataExchange dx(this, fromControls);
    ExchangeWriteBlock(dx, {m_ui->addressEdit, m_ui->quantityEdit, m_ui->slaveEdit}, b,
                       kMaxQuantity);
    // An inverse format sends whole values only: a block too short for one
    // would leave the request in slot 0 without data.
    dx.CheckIntRange(m_ui->quantityEdit, b.quantity, RegisterItems::MinimumQuantity(m_format),
                     kMaxQuantity);
    if (dx.ok())
        m_block = b;
    return dx.ok();
}

void CMBPresetMultibleRegister::Send() {
    if (!UpdateData(true))
        return;
    m_sender->Send(
        WriteBlockArgs(m_block, Code(FunctionCode::WriteMultipleRegisters)),
        [this](ModbusLine& line) { return m_list->LoadWriteData(line, m_block.quantity); });
}

void CMBPresetMultibleRegister::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous())
        return;
    setWindowTitle(Caption(m_format));
    m_list->Rebuild(m_block.address, m_block.quantity, 0);
}

}  // namespace zentiq
