// "以二进制方式写寄存器": one 16-bit register set bit by bit (bit 15 leftmost),
// sent with function 06 or 16.
#pragma once

#include <cstdint>
#include <memory>

#include "writes/bit_check_boxes.h"
#include "writes/single_write_dialog.h"

namespace Ui {
class CMBWriteRegisterBin;
}

namespace zentiq {

class CMBWriteRegisterBin : public SingleWriteDialog {
    Q_OBJECT
public:
    explicit CMBWriteRegisterBin(QWidget* parent = nullptr);
    ~CMBWriteRegisterBin() override;

    // Set by the opener.
    std::uint16_t value = 0;
    int presetSingle = 0;  // 0 = function 06, 1 = function 16

    // Check box of bit n (0..15).
    QCheckBox* BitBox(int bit) const { return m_bits.Box(bit); }

protected:
    void exchangeValues(DialogDataExchange& dx) override;
    // Here a missing connection is a warning box.
    void showNoConnection() override;
    OneShotArgs request() const override;
    int loadData(ModbusLine& line) const override;
    QString currentValueText(const std::vector<std::uint16_t>& items) const override;

private:
    std::unique_ptr<Ui::CMBWriteRegisterBin> m_ui;
    BitCheckBoxes m_bits;
};

}  // namespace zentiq
