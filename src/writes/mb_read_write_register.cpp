#include "writes/mb_read_write_register.h"

#include <QLineEdit>
#include <QShowEvent>

#include "engine/modbus_line.h"
#include "framework/dialog_data_exchange.h"
#include "ui_mb_read_write_register.h"
#include "writes/focus_out_exchange.h"
#include "writes/register_items.h"
#include "writes/register_list_lines.h"
#include "writes/write_block.h"
#include "writes/write_sender.h"
#include "values/value_format.h"

namespace zentiq {
namespace {

const char* const kCaptions[10] = {
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (有符号整数)"),
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (无符号整数)"),
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (十六进制)"),
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (二进制)"),
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (单精度浮点数 CDAB)"),
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (单精度浮点数 ABCD)"),
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (双精度浮点数 CDAB)"),
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (双精度浮点数 ABCD)"),
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (长整数 CDAB)"),
    QT_TRANSLATE_NOOP("zentiq::CMBReadWriteRegister", "23: 读写寄存器组 (长整数 ABCD)"),
};

}  // namespace

CMBReadWriteRegister::CMBReadWriteRegister(const ReadWriteBlock& block, int displayFormat,
                                           QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CMBReadWriteRegister>()),
      m_block(block),
      m_format(displayFormat) {
    m_ui->setupUi(this);
    m_list = new RegisterValueList(this, m_ui->valueList, displayFormat);
    m_list->connectButtons(m_ui->editButton, m_ui->openButton, m_ui->saveButton);
    m_sender = new WriteSender(this, m_ui->sendButton);
    connect(m_sender, &WriteSender::answered, this, &CMBReadWriteRegister::onAnswered);
    connect(m_ui->sendButton, &QPushButton::clicked, this, &CMBReadWriteRegister::Send);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMBReadWriteRegister::reject);
    new FocusOutExchange(this, {m_ui->writeAddressEdit, m_ui->writeQuantityEdit}, [this] {
        if (UpdateData(true))
            m_list->Rebuild(m_block.writeAddress, m_block.writeQuantity);
    });
    UpdateData(false);
    // The current values follow the slave field as it is typed.
    const auto followSlave = [this] {
        m_list->SetSlave(TypedSlaveId(m_ui->slaveEdit), m_block.base);
    };
    connect(m_ui->slaveEdit, &QLineEdit::textChanged, this, followSlave);
    followSlave();
}

CMBReadWriteRegister::~CMBReadWriteRegister() = default;

QString CMBReadWriteRegister::Caption(int displayFormat) {
    if (!IsDisplayFormat(displayFormat))
        return tr("读写线圈组");
    return tr(kCaptions[displayFormat]);
}

bool CMBReadWriteRegister::IsPending() const { return m_sender->IsPending(); }

void CMBReadWriteRegister::SetLine(ModbusLine& line) {
    m_sender->SetLine(line);
    m_list->SetLine(line);
}

bool CMBReadWriteRegister::UpdateData(bool fromControls) {
    ReadWriteBlock b = m_block;
    DialogDataExchange dx(this, fromControls);
    dx.IntRange(m_ui->writeAddressEdit, b.writeAddress, 0, 65535)
        .IntRange(m_ui->writeQuantityEdit, b.writeQuantity, 1, kMaxQuantity)
        .IntRange(m_ui->slaveEdit, b.slaveId, 1, 255)
        .IntRange(m_ui->readAddressEdit, b.readAddress, 0, 65535)
        .IntRange(m_ui->readQuantityEdit, b.readQuantity, 1, kMaxQuantity);
    if (b.base == 1) {
        dx.CheckIntRange(m_ui->writeAddressEdit, b.writeAddress, 1, 65535);
        dx.CheckIntRange(m_ui->readAddressEdit, b.readAddress, 1, 65535);
    }
    // An inverse format writes whole values only (see the 16 dialog).
    dx.CheckIntRange(m_ui->writeQuantityEdit, b.writeQuantity,
                     RegisterItems::MinimumQuantity(m_format), kMaxQuantity);
    if (dx.ok())
        m_block = b;
    return dx.ok();
}

void CMBReadWriteRegister::Send() {
    if (!UpdateData(true))
        return;
    if (m_sender->Line().IsConnected() != 0)
        m_ui->readList->clear();
    m_sentReadAddress = m_block.readAddress;
    m_sentReadQuantity = m_block.readQuantity;
    const OneShotArgs args{static_cast<std::uint16_t>(m_block.slaveId),
                           Code(FunctionCode::ReadWriteRegisters),
                           static_cast<std::uint16_t>(m_block.readAddress - m_block.base),
                           static_cast<std::uint16_t>(m_block.readQuantity),
                           static_cast<std::uint16_t>(m_block.writeAddress - m_block.base),
                           static_cast<std::uint16_t>(m_block.writeQuantity)};
    m_sender->Send(args, [this](ModbusLine& line) {
        return m_list->LoadWriteData(line, m_block.writeQuantity);
    });
}

void CMBReadWriteRegister::onAnswered(int status) {
    if (status != 0)
        return;
    // The answer kept for this request: slot 0 itself may already hold the
    // next one-shot request (one from automation, say).
    const OneShotAnswer* answer = m_sender->Answer();
    if (answer == nullptr) {
        DialogDataExchange::ShowWarning(this, tr("读取的数值已不可用，未列出。"));
        return;
    }
    m_readValues.fill(0);
    RegisterItems::ReadAnswer(*answer, m_format, m_readValues.data(), m_readValues.size());
    m_ui->readList->addItems(RegisterListLines::Build(
        m_format, m_sentReadAddress, m_sentReadQuantity, m_readValues.data(), m_readValues.size()));
}

void CMBReadWriteRegister::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous())
        return;
    setWindowTitle(Caption(m_format));
    m_list->Rebuild(m_block.writeAddress, m_block.writeQuantity, 0);
}

}  // namespace zentiq
