// A program that the session bus starts for an automation client may have
// no display at all (a script over ssh). The window library would end it in
// its platform plugin; such a start runs on the offscreen platform instead.
#pragma once

#include <QString>

namespace zentiq::automation_platform {

// Whether one of the platforms Qt would try (QT_QPA_PLATFORM, a list
// separated by ';'; empty: the X11 or the Wayland platform) can start with
// the displays that DISPLAY and WAYLAND_DISPLAY name. Platforms that need
// no display (offscreen, vnc, eglfs, ...) always can; one this program does
// not know is trusted.
bool DisplayReachable(const QString& platforms, const QString& x11Display,
                      const QString& waylandDisplay);

// For an automation start whose environment names no display: selects the
// offscreen platform (before the application object exists). True when it
// did.
bool ChooseOffscreenWithoutDisplay(bool automation);

}  // namespace zentiq::automation_platform
