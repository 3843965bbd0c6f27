// "写单个线圈": one coil ON or OFF with function 05 or 15.
#pragma once

#include <memory>

#include "writes/single_write_dialog.h"

namespace Ui {
class CMBWriteCoil;
}

namespace zentiq {

class CMBWriteCoil : public SingleWriteDialog {
    Q_OBJECT
public:
    static constexpr int kOn = 0, kOff = 1;

    explicit CMBWriteCoil(QWidget* parent = nullptr);
    ~CMBWriteCoil() override;

    // Set by the opener; radio index 0 = ON, 1 = OFF.
    int coilState = kOff;
    // 0 = function 05, 1 = function 15.
    int presetSingle = 0;

protected:
    void exchangeValues(DialogDataExchange& dx) override;
    bool checksConnectionFirst() const override { return true; }
    OneShotArgs request() const override;
    int loadData(ModbusLine& line) const override;
    PollTable writtenTable() const override { return PollTable::Coils; }
    QString currentValueText(const std::vector<std::uint16_t>& items) const override;

private:
    std::unique_ptr<Ui::CMBWriteCoil> m_ui;
};

}  // namespace zentiq
