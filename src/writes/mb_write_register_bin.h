// "以二进制方式写寄存器": one 16-bit register set bit by bit (bit 15 leftmost),
// sent with function 06 or 16.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "writes/single_write_dialog.h"

class QCheckBox;

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
    QCheckBox* BitBox(int bit) const { return m_bits[static_cast<std::size_t>(bit)]; }

protected:
    void exchangeValues(DialogDataExchange& dx) override;
    // Here a missing connection is a warning box.
    void showNoConnection() override;
    OneShotArgs request() const override;
    int loadData() const override;

private:
    std::unique_ptr<Ui::CMBWriteRegisterBin> m_ui;
    std::array<QCheckBox*, 16> m_bits{};
};

}  // namespace zentiq
