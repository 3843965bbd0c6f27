#include "writes/mb_force_multible_coils.h"

#include <QLineEdit>
#include <QShowEvent>
#include <QTreeWidget>
#include <algorithm>
#include <utility>

#include "framework/dialog_data_exchange.h"
#include "ui_mb_force_multible_coils.h"
#include "writes/current_column.h"
#include "writes/current_value_watch.h"
#include "writes/focus_out_exchange.h"
#include "writes/value_list_chooser.h"
#include "writes/value_list_file.h"
#include "writes/write_sender.h"

namespace zentiq {

CMBForceMultibleCoils::CMBForceMultibleCoils(const WriteBlock& block, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMBForceMultibleCoils>()), m_block(block) {
    m_ui->setupUi(this);
    m_sender = new WriteSender(this, m_ui->sendButton);
    m_current = new CurrentValueWatch(this);
    CurrentColumn::SetUp(m_ui->coilList);
    connect(m_current, &CurrentValueWatch::changed, this, &CMBForceMultibleCoils::showCurrent);
    connect(m_ui->slaveEdit, &QLineEdit::textChanged, this, &CMBForceMultibleCoils::followCoils);
    connect(m_ui->sendButton, &QPushButton::clicked, this, &CMBForceMultibleCoils::Send);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMBForceMultibleCoils::reject);
    connect(m_ui->openButton, &QPushButton::clicked, this, &CMBForceMultibleCoils::Open);
    connect(m_ui->saveButton, &QPushButton::clicked, this, &CMBForceMultibleCoils::Save);
    connect(m_ui->coilList, &QTreeWidget::itemChanged, this, [this] { takeCheckMarks(); });
    new FocusOutExchange(this, {m_ui->addressEdit, m_ui->quantityEdit}, [this] {
        if (UpdateData(true))
            rebuildList();
    });
    UpdateData(false);
}

CMBForceMultibleCoils::~CMBForceMultibleCoils() = default;

bool CMBForceMultibleCoils::IsPending() const { return m_sender->IsPending(); }

void CMBForceMultibleCoils::SetLine(ModbusLine& line) {
    m_sender->SetLine(line);
    m_current->SetLine(line);
}

bool CMBForceMultibleCoils::UpdateData(bool fromControls) {
    WriteBlock b = m_block;
    DialogDataExchange dx(this, fromControls);
    ExchangeWriteBlock(dx, {m_ui->addressEdit, m_ui->quantityEdit, m_ui->slaveEdit}, b,
                       kMaxQuantity);
    if (dx.ok())
        m_block = b;
    return dx.ok();
}

void CMBForceMultibleCoils::Send() {
    if (!UpdateData(true))
        return;
    m_sender->Send(WriteBlockArgs(m_block, Code(FunctionCode::WriteMultipleCoils)),
                   [this](ModbusLine& line) {
                       return line.SetWriteBytes(0, m_block.quantity, m_coils.data());
                   });
}

void CMBForceMultibleCoils::Open() {
    if (ValueListChooser::Open(this, m_fileName, ValueListFile::kCoilTag, m_coils.data()))
        rebuildList();
}

void CMBForceMultibleCoils::Save() {
    ValueListChooser::Save(this, m_fileName, ValueListFile::kCoilTag, m_coils.data());
}

void CMBForceMultibleCoils::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous())
        rebuildList();
}

void CMBForceMultibleCoils::rebuildList() {
    m_filling = true;
    QTreeWidget* list = m_ui->coilList;
    list->clear();
    const int count = std::clamp(m_block.quantity, 0, static_cast<int>(m_coils.size()));
    QList<QTreeWidgetItem*> lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        auto* line = new QTreeWidgetItem(
            QStringList{tr("线圈 %1").arg(m_block.address + i), CurrentColumn::NotPolledText()});
        line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        line->setCheckState(CurrentColumn::kValue,
                            m_coils[static_cast<std::size_t>(i)] ? Qt::Checked : Qt::Unchecked);
        lines.append(line);
    }
    list->addTopLevelItems(lines);
    followCoils();
    m_filling = false;
}

void CMBForceMultibleCoils::takeCheckMarks() {
    if (m_filling)
        return;
    QTreeWidget* list = m_ui->coilList;
    for (int i = 0; i < list->topLevelItemCount() && i < static_cast<int>(m_coils.size()); ++i)
        m_coils[static_cast<std::size_t>(i)] =
            list->topLevelItem(i)->checkState(CurrentColumn::kValue) == Qt::Checked ? 1 : 0;
    showCurrent();
}

void CMBForceMultibleCoils::followCoils() {
    const int slave = TypedSlaveId(m_ui->slaveEdit);
    const int count = m_ui->coilList->topLevelItemCount();
    const int first = m_block.address - m_block.base;
    if (slave < 0 || count <= 0 || first < 0 || first + count > 65536)
        m_current->SetRange(std::nullopt);
    else
        m_current->SetRange(PolledRange{slave, PollTable::Coils, first, count});
}

void CMBForceMultibleCoils::showCurrent() {
    // Marking a line changes it, which must not read the check marks back.
    const bool filling = std::exchange(m_filling, true);
    QTreeWidget* list = m_ui->coilList;
    const std::vector<PolledItem>& read = m_current->Items();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* line = list->topLevelItem(i);
        const auto at = static_cast<std::size_t>(i);
        if (at >= read.size() || !read[at]) {
            CurrentColumn::Show(line, CurrentColumn::NotPolledText(), false);
            continue;
        }
        const bool on = *read[at] != 0;
        const bool toWrite = at < m_coils.size() && m_coils[at] != 0;
        CurrentColumn::Show(line, on ? tr("开") : tr("关"), on != toWrite);
    }
    m_filling = filling;
}

}  // namespace zentiq
