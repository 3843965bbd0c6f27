// "写单精度浮点数(Float)": one IEEE 754 value with function 16, a float over
// two registers or, as "写双精度浮点数(Double)", a double over four, each in normal or
// inverse word order.
#pragma once

#include <memory>

#include "values/value_format.h"
#include "writes/single_write_dialog.h"

namespace Ui {
class CMBWriteFloat;
}

namespace zentiq {

class CMBWriteFloat : public SingleWriteDialog {
    Q_OBJECT
public:
    static constexpr int kFloat = Code(DisplayFormat::Float),
                         kFloatInverse = Code(DisplayFormat::FloatInverse),
                         kDouble = Code(DisplayFormat::Double),
                         kDoubleInverse = Code(DisplayFormat::DoubleInverse);

    explicit CMBWriteFloat(QWidget* parent = nullptr);
    ~CMBWriteFloat() override;

    // Set by the opener.
    float floatValue = 0;
    double doubleValue = 0;
    int displayFormat = kFloat;
    int typedKey = kNoTypedKey;

    bool IsDouble() const { return displayFormat == kDouble || displayFormat == kDoubleInverse; }

protected:
    QLineEdit* firstDisplay() override;
    int typedKeyCode() const override { return typedKey; }
    void exchangeValues(DialogDataExchange& dx) override;
    OneShotArgs request() const override;
    int loadData(ModbusLine& line) const override;
    int writtenItems() const override { return IsDouble() ? 4 : 2; }
    QString currentValueText(const std::vector<std::uint16_t>& items) const override;

private:
    std::unique_ptr<Ui::CMBWriteFloat> m_ui;
};

}  // namespace zentiq
