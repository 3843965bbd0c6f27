#include "documents/zentiq_setup.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>

#include "framework/dialog_data_exchange.h"
#include "ui_zentiq_setup.h"
#include "values/value_format.h"

namespace zentiq {

namespace {

const char* const kFunctionTexts[PollDefinition::kFunctionCount] = {
    QT_TRANSLATE_NOOP("zentiq::CZentiqSetup", "01读取线圈(0X)"),
    QT_TRANSLATE_NOOP("zentiq::CZentiqSetup", "02读取输入状态(1X)"),
    QT_TRANSLATE_NOOP("zentiq::CZentiqSetup", "03读保持寄存器(4X)"),
    QT_TRANSLATE_NOOP("zentiq::CZentiqSetup", "04读输入寄存器(3X)"),
    QT_TRANSLATE_NOOP("zentiq::CZentiqSetup", "05写单个线圈"),
    QT_TRANSLATE_NOOP("zentiq::CZentiqSetup", "06写单个寄存器"),
    QT_TRANSLATE_NOOP("zentiq::CZentiqSetup", "15写多个线圈"),
    QT_TRANSLATE_NOOP("zentiq::CZentiqSetup", "16写多个寄存器")};

int flag(int v) { return v != 0 ? 1 : 0; }

bool isSingleWriteIndex(int functionIndex) {
    const int function = PollDefinition::FunctionFromIndex(functionIndex);
    return function == FunctionCode::WriteSingleCoil ||
           function == FunctionCode::WriteSingleRegister;
}

// The communication part of the dialog's values on top of the document's
// definition, as Apply and read once store it; false when unsound.
bool communicationPart(const PollDocumentModel& model, const DefinitionDialogValues& v,
                       PollDefinition& next) {
    next = model.def;
    next.Address = v.shownAddress - flag(v.oneBased);
    next.FunctionValue = PollDefinition::FunctionFromIndex(v.functionIndex);
    next.Length = isSingleWriteIndex(v.functionIndex) ? 1 : v.length;
    next.ScanRate = v.scanRate;
    next.SlaveID = v.slaveId;
    return next.IsSound();
}

}  // namespace

CZentiqSetup::CZentiqSetup(const DefinitionDialogValues& values, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CZentiqSetup>()), m_values(values) {
    m_ui->setupUi(this);
    for (const char* t : kFunctionTexts)
        m_ui->functionCombo->addItem(tr(t));
    for (int format = 0; format < kFormatCount; ++format)
        m_ui->formatCombo->addItem(DisplayFormatLabel(format));

    // Indexes no list entry stands for start at the first entry.
    if (m_values.functionIndex < 0 || m_values.functionIndex >= PollDefinition::kFunctionCount)
        m_values.functionIndex = 0;
    if (m_values.displayFormat < 0 || m_values.displayFormat >= kFormatCount)
        m_values.displayFormat = Code(DisplayFormat::Signed);
    if (PollDefinition::RowsForIndex(m_values.rowsDialog) == 0)
        m_values.rowsDialog = 0;
    UpdateData(false);

    connect(m_ui->okButton, &QPushButton::clicked, this, &CZentiqSetup::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CZentiqSetup::reject);
    connect(m_ui->applyButton, &QPushButton::clicked, this, &CZentiqSetup::onApply);
    connect(m_ui->readOnceButton, &QPushButton::clicked, this, &CZentiqSetup::onReadOnce);
    enableReadOnce();
}

CZentiqSetup::~CZentiqSetup() = default;

void CZentiqSetup::SetConnections(const QList<ConnectionDirectory::Entry>& entries, int current) {
    if (entries.size() < 2)
        return;
    if (m_connectionCombo == nullptr) {
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(tr("连接:"), this);
        m_connectionCombo = new QComboBox(this);
        m_connectionCombo->setObjectName(QStringLiteral("connectionCombo"));
        label->setBuddy(m_connectionCombo);
        row->addWidget(label);
        row->addWidget(m_connectionCombo, 1);
        m_ui->settingsLayout->insertLayout(0, row);
    }
    m_connectionCombo->clear();
    m_connectionLines.clear();
    for (const ConnectionDirectory::Entry& e : entries) {
        m_connectionCombo->addItem(e.name);
        m_connectionLines << e.line;
    }
    m_connectionCombo->setCurrentIndex(qBound(0, current, int(entries.size()) - 1));
}

ModbusLine* CZentiqSetup::ChosenLine() const {
    if (m_connectionCombo == nullptr)
        return nullptr;
    return m_connectionLines.value(m_connectionCombo->currentIndex(), nullptr);
}

int CZentiqSetup::MaxLengthForIndex(int functionIndex) {
    switch (static_cast<FunctionCode>(PollDefinition::FunctionFromIndex(functionIndex))) {
    case FunctionCode::ReadHoldingRegisters:
    case FunctionCode::ReadInputRegisters: return 125;
    case FunctionCode::WriteSingleCoil:
    case FunctionCode::WriteSingleRegister: return 1;
    case FunctionCode::WriteMultipleCoils: return 1968;
    case FunctionCode::WriteMultipleRegisters: return 123;
    default: return kLengthMax;
    }
}

QString CZentiqSetup::ReadOnceWhileEnabledMessage() {
    return QStringLiteral("Disable \"Enable Read/Write\" before read/write once");
}

bool CZentiqSetup::UpdateData(bool fromControls) {
    // Members change only when every field passed.
    DefinitionDialogValues v = m_values;
    DialogDataExchange dx(this, fromControls);
    dx.IntRange(m_ui->addressEdit, v.shownAddress, kAddressMin, kAddressMax)
        .ComboIndex(m_ui->functionCombo, v.functionIndex)
        .IntRange(m_ui->lengthEdit, v.length, kLengthMin, kLengthMax)
        .IntRange(m_ui->scanRateEdit, v.scanRate, kScanRateMin, kScanRateMax)
        .IntRange(m_ui->slaveEdit, v.slaveId, kSlaveMin, kSlaveMax)
        .Check(m_ui->enableCheck, v.enable)
        .Check(m_ui->hideAliasCheck, v.hideAlias)
        .Radio({m_ui->rows10Radio, m_ui->rows20Radio, m_ui->rows50Radio, m_ui->rows100Radio},
               v.rowsDialog)
        .Check(m_ui->addressInCellCheck, v.displayAddr)
        .Check(m_ui->plcAddressCheck, v.oneBased)
        .ComboIndex(m_ui->formatCombo, v.displayFormat);
    if (fromControls) {
        dx.CheckIntRange(m_ui->lengthEdit, v.length, kLengthMin,
                         MaxLengthForIndex(v.functionIndex));
        // PLC addresses start at 1.
        if (v.oneBased != 0)
            dx.CheckIntRange(m_ui->addressEdit, v.shownAddress, 1, kAddressMax);
    }
    if (dx.ok())
        m_values = v;
    return dx.ok();
}

void CZentiqSetup::accept() {
    if (UpdateData(true))
        QDialog::accept();
}

void CZentiqSetup::onApply() {
    if (!UpdateData(true))
        return;
    if (m_applyHandler)
        m_applyHandler(m_values);
}

void CZentiqSetup::onReadOnce() {
    if (!UpdateData(true))
        return;
    if (m_values.enable != 0) {
        DialogDataExchange::ShowWarning(this, ReadOnceWhileEnabledMessage());
        return;
    }
    if (m_readOnceHandler)
        m_readOnceHandler(m_values);
}

void CZentiqSetup::enableReadOnce() {
    m_ui->readOnceButton->setEnabled(m_line->IsConnected() != 0);
}

void CZentiqSetup::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        enableReadOnce();
    QDialog::showEvent(event);
}

// ---- the document's side -------------------------------------------------------------

DefinitionDialogValues CZentiqSetup::FromModel(const PollDocumentModel& model) {
    const PollDefinition& d = model.def;
    DefinitionDialogValues v;
    v.shownAddress = d.Address + d.OneBased;
    v.functionIndex = std::max(0, PollDefinition::IndexFromFunction(d.FunctionValue));
    v.length = d.Length;
    v.scanRate = d.ScanRate;
    v.slaveId = d.SlaveID;
    v.enable = d.bEnable;
    v.oneBased = d.OneBased;
    v.rowsDialog = d.RowsDialog;
    v.displayAddr = d.DisplayAddr;
    v.displayFormat = d.DisplayFormat;
    v.hideAlias = d.HideAlias;
    return v;
}

CZentiqSetup::ActionResult CZentiqSetup::ApplyToModel(PollDocumentModel& model,
                                                      const DefinitionDialogValues& values,
                                                      WindowHandle window) {
    PollDefinition next;
    if (!communicationPart(model, values, next))
        return ActionResult::Unsound;
    next.bEnable = flag(values.enable);
    model.def = next;
    model.values.fill(0);
    model.ComputeGridSize();
    return model.RegisterWithEngine(window) ? ActionResult::Redefined : ActionResult::NoSlot;
}

CZentiqSetup::ActionResult CZentiqSetup::ReadOnceOnModel(PollDocumentModel& model,
                                                         const DefinitionDialogValues& values,
                                                         WindowHandle window) {
    const PollDefinition& d = model.def;
    const bool same = d.Address == values.shownAddress - flag(values.oneBased) &&
                      d.FunctionValue == PollDefinition::FunctionFromIndex(values.functionIndex) &&
                      d.Length == values.length && d.ScanRate == values.scanRate &&
                      d.SlaveID == values.slaveId;
    if (same) {
        model.def.bEnable = 0;
        if (model.slotIndex != -1)
            model.Line().SetPollMode(model.slotIndex, Once);
        return ActionResult::SameDefinition;
    }
    PollDefinition next;
    if (!communicationPart(model, values, next))
        return ActionResult::Unsound;
    // Switched off before registering: registered while still enabled, the
    // slot would poll continuously until switched to one poll, and could
    // send twice.
    next.bEnable = 0;
    model.def = next;
    model.values.fill(0);
    model.ComputeGridSize();
    if (!model.RegisterWithEngine(window))
        return ActionResult::NoSlot;
    model.Line().SetPollMode(model.slotIndex, Once);
    return ActionResult::Redefined;
}

}  // namespace zentiq
