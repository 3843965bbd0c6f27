// "写入值": one register value in a display format. Only the field of the
// format is shown; the opener reads the value back from the member of the
// format after OK.
#pragma once

#include <QDialog>
#include <memory>

#include "writes/register_items.h"

class QLineEdit;

namespace Ui {
class CMBInputRegister;
}

namespace zentiq {

class CMBInputRegister : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHexMaxChars = 4;
    static constexpr int kLongMin = -2147483646, kLongMax = 2147483646;
    static constexpr double kDoubleLimit = 1.7e307;
    static constexpr float kFloatLimit = 3.4e38f;

    // keyCode: -1 none, -2 the minus key was typed, 0..15 the digit typed
    // (already in `value`).
    CMBInputRegister(int displayFormat, const InputRegisterValue& value, int keyCode = -1,
                     QWidget* parent = nullptr);
    ~CMBInputRegister() override;

    // The opening value until OK took the fields.
    const InputRegisterValue& value() const { return m_value; }
    // The field of the display format.
    QLineEdit* valueField() const;

    // Moves the members into the fields or takes them back with validation.
    bool UpdateData(bool fromControls);
    void accept() override;

    // The first show puts the focus and the caret into the value field
    // (after the platform has given the focus its own way).
    void setVisible(bool visible) override;

private:
    std::unique_ptr<Ui::CMBInputRegister> m_ui;
    int m_format;
    int m_keyCode;
    InputRegisterValue m_value;
    bool m_shown = false;
};

}  // namespace zentiq
