// The dark palette of `zentiq --dark`: for desktops without a dark theme of
// their own, and to look at the windows in dark. It is not stored anywhere.
#pragma once

#include <QPalette>

namespace zentiq {

// Every role of every colour group; text roles reach 4.5 against the
// backgrounds they are drawn on (selected text on the selection too).
QPalette DarkPalette();
// The Fusion style with DarkPalette(), for the whole application; before
// the first window, so that every window starts dark.
void ApplyDarkAppearance();

}  // namespace zentiq
