// The dark palette of the dark appearance (appearance.h, `zentiq --dark`):
// for desktops without a dark theme of their own.
#pragma once

#include <QPalette>

namespace zentiq {

// Every role of every colour group; text roles reach 4.5 against the
// backgrounds they are drawn on (selected text on the selection too).
QPalette DarkPalette();

}  // namespace zentiq
