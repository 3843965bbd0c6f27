#include "writes/mb_input_register_bin.h"

#include "ui_mb_input_register_bin.h"

namespace zentiq {

CMBInputRegisterBin::CMBInputRegisterBin(std::uint16_t value, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMBInputRegisterBin>()), m_value(value) {
    m_ui->setupUi(this);
    m_bits = BitCheckBoxes(this, "bit");
    connect(m_ui->okButton, &QPushButton::clicked, this, &CMBInputRegisterBin::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMBInputRegisterBin::reject);
    m_bits.Show(value);
}

CMBInputRegisterBin::~CMBInputRegisterBin() = default;

void CMBInputRegisterBin::accept() {
    m_value = m_bits.Value();
    QDialog::accept();
}

}  // namespace zentiq
