#include "writes/single_write_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

#include "framework/dialog_data_exchange.h"
#include "writes/current_value_watch.h"
#include "values/status_texts.h"
#include "resources/strings.h"

namespace zentiq {

SingleWriteDialog::SingleWriteDialog(QWidget* parent) : QDialog(parent) {
    connect(&m_request, &OneShotRequest::Finished, this, &SingleWriteDialog::OnResult);
    m_current = new CurrentValueWatch(this);
    connect(m_current, &CurrentValueWatch::changed, this, &SingleWriteDialog::showCurrentValue);
}

void SingleWriteDialog::SetLine(ModbusLine& line) {
    m_line = &line;
    m_current->SetLine(line);
}

void SingleWriteDialog::bindCommon(const CommonControls& controls) {
    m_common = controls;
    m_common.sendButton->setDefault(true);
    connect(m_common.sendButton, &QPushButton::clicked, this, &SingleWriteDialog::OnSend);
    connect(m_common.cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // Typing another slave or address shows what is read there at once.
    for (QLineEdit* edit : {m_common.slaveEdit, m_common.addressEdit})
        connect(edit, &QLineEdit::textChanged, this, &SingleWriteDialog::followFields);
}

std::optional<PolledRange> SingleWriteDialog::fieldsRange() const {
    bool slaveOk = false, addressOk = false;
    const int slave = m_common.slaveEdit->text().trimmed().toInt(&slaveOk);
    const int shown = m_common.addressEdit->text().trimmed().toInt(&addressOk);
    const int protocol = shown - addressBase;
    const int items = writtenItems();
    if (!slaveOk || !addressOk || slave < 0 || slave > kSlaveMax || protocol < 0 ||
        shown > kAddressMax || protocol + items > kAddressMax + 1)
        return std::nullopt;
    return PolledRange{slave, writtenTable(), protocol, items};
}

void SingleWriteDialog::followFields() {
    if (m_shown)
        m_current->SetRange(fieldsRange());
}

QString SingleWriteDialog::CurrentValueText() const {
    return m_common.currentValue != nullptr ? m_common.currentValue->text() : QString();
}

void SingleWriteDialog::showCurrentValue() {
    if (m_common.currentValue == nullptr)
        return;
    std::vector<std::uint16_t> items;
    for (const PolledItem& item : m_current->Items()) {
        if (!item)
            break;
        items.push_back(*item);
    }
    const bool read = m_current->Range() && !items.empty() &&
                      items.size() == static_cast<std::size_t>(writtenItems());
    m_common.currentValue->setText(
        tr("当前值: %1").arg(read ? currentValueText(items) : tr("未读取")));
}

bool SingleWriteDialog::UpdateData(bool fromControls) {
    DialogDataExchange dx(this, fromControls);
    dx.IntRange(m_common.addressEdit, address, 0, kAddressMax)
        .IntRange(m_common.slaveEdit, slaveId, 0, kSlaveMax);
    // PLC addresses start at 1.
    if (addressBase == 1)
        dx.CheckIntRange(m_common.addressEdit, address, 1, kAddressMax);
    exchangeValues(dx);
    dx.Check(m_common.closeOnSuccessCheck, closeOnSuccess);
    return dx.ok();
}

void SingleWriteDialog::showEvent(QShowEvent* event) {
    if (!m_shown) {
        m_shown = true;
        UpdateData(false);
        m_firstField = firstDisplay();
        followFields();
    }
    QDialog::showEvent(event);
}

void SingleWriteDialog::setVisible(bool visible) {
    QDialog::setVisible(visible);
    if (visible && m_firstField != nullptr)
        FocusValueField(std::exchange(m_firstField, nullptr), typedKeyCode());
}

QString SingleWriteDialog::ResultText() const { return m_common.resultText->text(); }

void SingleWriteDialog::setResultText(const QString& text) { m_common.resultText->setText(text); }

void SingleWriteDialog::showNoConnection() { setResultText(LoadString(ids::NoConnection)); }

bool SingleWriteDialog::connected() {
    if (m_line->IsConnected())
        return true;
    showNoConnection();
    return false;
}

void SingleWriteDialog::OnSend() {
    // Send is disabled while a request of this dialog waits; a key press
    // that still reaches here must not send a second one.
    if (m_request.IsPending())
        return;
    if (checksConnectionFirst() && !connected())
        return;
    if (!UpdateData(true))
        return;
    if (!checksConnectionFirst() && !connected())
        return;
    if (!afterExchange())
        return;

    OneShotArgs args = request();
    args.slaveId = static_cast<std::uint16_t>(slaveId);
    args.writeAddress = static_cast<std::uint16_t>(address - addressBase);
    args.writeQuantity = 1;
    m_closeOnThisResult = closeOnSuccess != 0;
    m_common.sendButton->setEnabled(false);
    // A refused request loads nothing: the data would land in the request
    // still waiting in slot 0.
    if (!m_request.Submit(*m_line, args, [this](ModbusLine& line) { return loadData(line); })) {
        setResultText(m_request.FailureText());
        m_common.sendButton->setEnabled(true);
    }
}

void SingleWriteDialog::OnResult(int code) {
    m_common.sendButton->setEnabled(true);
    setResultText(StatusText(static_cast<EngineStatus>(code), StatusFlavour::WriteResult));
    if (code == status::Ok && m_closeOnThisResult)
        done(0);
}

void FocusValueField(QLineEdit* edit, int typedKey) {
    edit->setFocus(Qt::OtherFocusReason);
    if (typedKey == kTypedMinus) {
        edit->setText(QStringLiteral("-"));
        edit->setCursorPosition(1);
    } else if (typedKey >= 0) {
        edit->deselect();
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
    } else {
        edit->selectAll();
    }
}

}  // namespace zentiq
