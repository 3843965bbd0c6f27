// "输入值": one 16-bit value as 16 check boxes, bit 15 leftmost.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>

#include "writes/bit_check_boxes.h"

namespace Ui {
class CMBInputRegisterBin;
}

namespace zentiq {

class CMBInputRegisterBin : public QDialog {
    Q_OBJECT
public:
    explicit CMBInputRegisterBin(std::uint16_t value, QWidget* parent = nullptr);
    ~CMBInputRegisterBin() override;

    // The opening value until OK took the boxes.
    std::uint16_t value() const { return m_value; }
    void accept() override;

private:
    std::unique_ptr<Ui::CMBInputRegisterBin> m_ui;
    BitCheckBoxes m_bits;
    std::uint16_t m_value;
};

}  // namespace zentiq
