#include "writes/mb_force_multible_coils.h"

#include <QListWidget>
#include <QShowEvent>
#include <algorithm>

#include "engine/engine.h"
#include "framework/dialog_data_exchange.h"
#include "ui_mb_force_multible_coils.h"
#include "writes/focus_out_exchange.h"
#include "writes/value_list_chooser.h"
#include "writes/value_list_file.h"
#include "writes/write_sender.h"

namespace zentiq {

CMBForceMultibleCoils::CMBForceMultibleCoils(const WriteBlock& block, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMBForceMultibleCoils>()), m_block(block) {
    m_ui->setupUi(this);
    m_sender = new WriteSender(this, m_ui->sendButton);
    connect(m_ui->sendButton, &QPushButton::clicked, this, &CMBForceMultibleCoils::Send);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMBForceMultibleCoils::reject);
    connect(m_ui->openButton, &QPushButton::clicked, this, &CMBForceMultibleCoils::Open);
    connect(m_ui->saveButton, &QPushButton::clicked, this, &CMBForceMultibleCoils::Save);
    connect(m_ui->coilList, &QListWidget::itemChanged, this, [this] { takeCheckMarks(); });
    new FocusOutExchange(this, {m_ui->addressEdit, m_ui->quantityEdit}, [this] {
        if (UpdateData(true))
            rebuildList();
    });
    UpdateData(false);
}

CMBForceMultibleCoils::~CMBForceMultibleCoils() = default;

bool CMBForceMultibleCoils::IsPending() const { return m_sender->IsPending(); }

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
                   [this] { return SetWriteBytes(0, m_block.quantity, m_coils.data()); });
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
    QListWidget* list = m_ui->coilList;
    list->clear();
    const int count = std::clamp(m_block.quantity, 0, static_cast<int>(m_coils.size()));
    for (int i = 0; i < count; ++i) {
        auto* line = new QListWidgetItem(tr("线圈 %1").arg(m_block.address + i), list);
        line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        line->setCheckState(m_coils[static_cast<std::size_t>(i)] ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = false;
}

void CMBForceMultibleCoils::takeCheckMarks() {
    if (m_filling)
        return;
    QListWidget* list = m_ui->coilList;
    for (int i = 0; i < list->count() && i < static_cast<int>(m_coils.size()); ++i)
        m_coils[static_cast<std::size_t>(i)] = list->item(i)->checkState() == Qt::Checked ? 1 : 0;
}

}  // namespace zentiq
