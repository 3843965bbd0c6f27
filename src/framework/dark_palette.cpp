#include "framework/dark_palette.h"

#include <QColor>

namespace zentiq {

QPalette DarkPalette() {
    const QColor window(53, 53, 53);
    const QColor base(35, 35, 35);
    const QColor text(232, 232, 232);
    const QColor disabledText(128, 128, 128);
    QPalette p(window);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, disabled ? disabledText : text);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, QColor(45, 45, 45));
        p.setColor(group, QPalette::ToolTipBase, QColor(25, 25, 25));
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, QColor(150, 150, 150));
        p.setColor(group, QPalette::Text, disabled ? disabledText : text);
        p.setColor(group, QPalette::Button, window);
        p.setColor(group, QPalette::ButtonText, disabled ? disabledText : text);
        p.setColor(group, QPalette::BrightText, QColor(255, 110, 110));
        p.setColor(group, QPalette::Light, QColor(80, 80, 80));
        p.setColor(group, QPalette::Midlight, QColor(66, 66, 66));
        p.setColor(group, QPalette::Mid, QColor(42, 42, 42));
        p.setColor(group, QPalette::Dark, QColor(30, 30, 30));
        p.setColor(group, QPalette::Shadow, QColor(15, 15, 15));
        // A deep blue, so that white text on it stays readable.
        p.setColor(group, QPalette::Highlight,
                   disabled ? QColor(70, 70, 70) : QColor(38, 79, 120));
        p.setColor(group, QPalette::HighlightedText, disabled ? disabledText : Qt::white);
        p.setColor(group, QPalette::Link, QColor(110, 170, 240));
        p.setColor(group, QPalette::LinkVisited, QColor(180, 140, 240));
    }
    return p;
}

}  // namespace zentiq
