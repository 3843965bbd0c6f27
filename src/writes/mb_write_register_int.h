// "写长整数(Long)": one 32-bit integer over two registers with function 16,
// low word first ("Long") or high word first ("Long Inverse").
#pragma once

#include <cstdint>
#include <memory>

#include "values/value_format.h"
#include "writes/single_write_dialog.h"

namespace Ui {
class CMBWriteRegisterInt;
}

namespace zentiq {

class CMBWriteRegisterInt : public SingleWriteDialog {
    Q_OBJECT
public:
    static constexpr int kLong = Code(DisplayFormat::Long),
                         kLongInverse = Code(DisplayFormat::LongInverse);
    static constexpr int kMin = -2147483646, kMax = 2147483646;

    explicit CMBWriteRegisterInt(QWidget* parent = nullptr);
    ~CMBWriteRegisterInt() override;

    // Set by the opener.
    int value = 0;
    int displayFormat = kLong;
    int typedKey = kNoTypedKey;

protected:
    QLineEdit* firstDisplay() override;
    int typedKeyCode() const override { return typedKey; }
    void exchangeValues(DialogDataExchange& dx) override;
    OneShotArgs request() const override;
    int loadData(ModbusLine& line) const override;
    int writtenItems() const override { return 2; }
    QString currentValueText(const std::vector<std::uint16_t>& items) const override;

private:
    std::unique_ptr<Ui::CMBWriteRegisterInt> m_ui;
};

}  // namespace zentiq
