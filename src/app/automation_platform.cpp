#include "app/automation_platform.h"

#include <QStringList>

namespace zentiq::automation_platform {

bool DisplayReachable(const QString& platforms, const QString& x11Display,
                      const QString& waylandDisplay) {
    static const QStringList displayless = {
        QStringLiteral("offscreen"), QStringLiteral("minimal"), QStringLiteral("minimalegl"),
        QStringLiteral("vnc"),       QStringLiteral("eglfs"),   QStringLiteral("linuxfb"),
        QStringLiteral("vkkhrdisplay")};
    QStringList names;
    for (const QString& entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        names << entry.section(QLatin1Char(':'), 0, 0).trimmed().toLower();
    if (names.isEmpty())
        return !x11Display.isEmpty() || !waylandDisplay.isEmpty();
    for (const QString& name : names) {
        if (displayless.contains(name))
            return true;
        if (name == QLatin1String("xcb")) {
            if (!x11Display.isEmpty())
                return true;
        } else if (name.startsWith(QLatin1String("wayland"))) {
            if (!waylandDisplay.isEmpty())
                return true;
        } else {
            return true;
        }
    }
    return false;
}

bool ChooseOffscreenWithoutDisplay(bool automation) {
    if (!automation || DisplayReachable(qEnvironmentVariable("QT_QPA_PLATFORM"),
                                        qEnvironmentVariable("DISPLAY"),
                                        qEnvironmentVariable("WAYLAND_DISPLAY")))
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

}  // namespace zentiq::automation_platform
