#include "documents/mb_log_setup.h"

#include "framework/dialog_data_exchange.h"
#include "ui_mb_log_setup.h"

namespace zentiq {

CMBLogSetup::CMBLogSetup(const DataLogger::Options& options, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMBLogSetup>()), m_options(options) {
    m_ui->setupUi(this);
    UpdateData(false);
    enableInterval();
    connect(m_ui->everyPollRadio, &QRadioButton::clicked, this, &CMBLogSetup::enableInterval);
    connect(m_ui->intervalRadio, &QRadioButton::clicked, this, &CMBLogSetup::enableInterval);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CMBLogSetup::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMBLogSetup::reject);
}

CMBLogSetup::~CMBLogSetup() = default;

bool CMBLogSetup::UpdateData(bool fromControls) {
    DataLogger::Options o = m_options;
    int errors = o.errors ? 1 : 0;
    DialogDataExchange dx(this, fromControls);
    dx.Radio({m_ui->everyPollRadio, m_ui->intervalRadio}, o.mode)
        .IntRange(m_ui->intervalEdit, o.interval, kIntervalMin, kIntervalMax)
        .Radio({m_ui->fixedWidthRadio, m_ui->commaRadio, m_ui->tabRadio}, o.separator)
        .Check(m_ui->errorsCheck, errors);
    if (!dx.ok())
        return false;
    if (fromControls) {
        o.errors = errors != 0;
        m_options = o;
    }
    return true;
}

void CMBLogSetup::enableInterval() {
    m_ui->intervalEdit->setEnabled(m_ui->intervalRadio->isChecked());
}

void CMBLogSetup::accept() {
    if (UpdateData(true))
        QDialog::accept();
}

}  // namespace zentiq
