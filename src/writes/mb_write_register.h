// "写单个寄存器": one 16-bit register typed as a signed, unsigned or hex
// number, sent with function 06 or 16.
#pragma once

#include <QString>
#include <memory>

#include "values/value_format.h"
#include "writes/single_write_dialog.h"

namespace Ui {
class CMBWriteRegister;
}

namespace zentiq {

class CMBWriteRegister : public SingleWriteDialog {
    Q_OBJECT
public:
    // Display formats the dialog edits in; any other shows as Signed.
    static constexpr int kSigned = Code(DisplayFormat::Signed),
                         kUnsigned = Code(DisplayFormat::Unsigned), kHex = Code(DisplayFormat::Hex);
    static constexpr int kHexMaxChars = 4;

    explicit CMBWriteRegister(QWidget* parent = nullptr);
    ~CMBWriteRegister() override;

    // Set by the opener.
    int signedValue = 0;
    int unsignedValue = 0;
    QString hexText = QStringLiteral("0");
    int displayFormat = kSigned;
    int typedKey = kNoTypedKey;
    int presetSingle = 0;  // 0 = function 06, 1 = function 16

    // The opener's value for all three fields (hex as "%X").
    void setWord(std::uint16_t word);

protected:
    QLineEdit* firstDisplay() override;
    int typedKeyCode() const override { return typedKey; }
    void exchangeValues(DialogDataExchange& dx) override;
    bool afterExchange() override;
    OneShotArgs request() const override;
    int loadData(ModbusLine& line) const override;
    QString currentValueText(const std::vector<std::uint16_t>& items) const override;

private:
    int format() const;

    std::unique_ptr<Ui::CMBWriteRegister> m_ui;
};

}  // namespace zentiq
