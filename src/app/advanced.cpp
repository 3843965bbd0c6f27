#include "app/advanced.h"

#include "framework/dialog_data_exchange.h"
#include "ui_advanced.h"

namespace zentiq {

CAdvanced::CAdvanced(const AdvancedOptions& options, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CAdvanced>()), m_options(options) {
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CAdvanced::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CAdvanced::reject);
    // The delay only means something while RTS toggles.
    connect(m_ui->rtsCheck, &QCheckBox::clicked, this,
            [this] { enableRtsDelay(m_ui->rtsCheck->isChecked()); });
    UpdateData(false);
    enableRtsDelay(m_options.RTS != 0);
}

CAdvanced::~CAdvanced() = default;

bool CAdvanced::UpdateData(bool fromControls) {
    // Work on a copy so that a refused field leaves the options as they were.
    AdvancedOptions o = m_options;
    DialogDataExchange dx(this, fromControls);
    dx.Check(m_ui->dsrCheck, o.DTRDSR)
        .Check(m_ui->ctsCheck, o.RTSCTS)
        .Check(m_ui->rtsCheck, o.RTS)
        .IntRange(m_ui->rtsDelayEdit, o.CLRRTSDelay, kRtsDelayMin, kRtsDelayMax)
        .Check(m_ui->echoCheck, o.Echo);
    if (dx.ok())
        m_options = o;
    return dx.ok();
}

void CAdvanced::accept() {
    if (UpdateData(true))
        QDialog::accept();
}

void CAdvanced::enableRtsDelay(bool on) { m_ui->rtsDelayEdit->setEnabled(on); }

}  // namespace zentiq
