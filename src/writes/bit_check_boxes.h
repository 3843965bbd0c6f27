// A 16-bit value shown as 16 check boxes, box n for bit n (named
// <prefix>0Check .. <prefix>15Check in the dialog's template).
#pragma once

#include <QCheckBox>
#include <array>
#include <cstdint>

class QWidget;

namespace zentiq {

class BitCheckBoxes {
public:
    BitCheckBoxes() = default;
    BitCheckBoxes(QWidget* dialog, const char* prefix);

    std::uint16_t Value() const;
    void Show(std::uint16_t value);
    QCheckBox* Box(int bit) const { return m_boxes[static_cast<std::size_t>(bit)]; }

private:
    std::array<QCheckBox*, 16> m_boxes{};
};

}  // namespace zentiq
