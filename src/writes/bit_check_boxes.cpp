#include "writes/bit_check_boxes.h"

#include <QWidget>

namespace zentiq {

BitCheckBoxes::BitCheckBoxes(QWidget* dialog, const char* prefix) {
    for (int bit = 0; bit < 16; ++bit)
        m_boxes[static_cast<std::size_t>(bit)] = dialog->findChild<QCheckBox*>(
            QStringLiteral("%1%2Check").arg(QLatin1String(prefix)).arg(bit));
}

std::uint16_t BitCheckBoxes::Value() const {
    std::uint16_t value = 0;
    for (int bit = 0; bit < 16; ++bit)
        if (Box(bit) && Box(bit)->isChecked())
            value |= static_cast<std::uint16_t>(1u << bit);
    return value;
}

void BitCheckBoxes::Show(std::uint16_t value) {
    for (int bit = 0; bit < 16; ++bit)
        if (Box(bit))
            Box(bit)->setChecked(((value >> bit) & 1u) != 0);
}

}  // namespace zentiq
