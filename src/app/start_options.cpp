#include "app/start_options.h"

#include <QDir>
#include <QSettings>

namespace zentiq {
namespace {

// The value of an option given as "--name VALUE" or "--name=VALUE".
bool takeValue(const QStringList& args, int& i, const QString& name, QString* value) {
    const QString& arg = args[i];
    if (arg == name) {
        if (i + 1 >= args.size())
            return false;
        *value = args[++i];
        return true;
    }
    if (arg.startsWith(name + QLatin1Char('='))) {
        *value = arg.mid(name.size() + 1);
        return true;
    }
    return false;
}

}  // namespace

StartOptions StartOptions::Parse(const QStringList& args) {
    StartOptions options;
    options.settingsDir = qEnvironmentVariable("ZENTIQ_SETTINGS_DIR");
    for (int i = 0; i < args.size(); ++i) {
        QString value;
        if (takeValue(args, i, QStringLiteral("--settings-dir"), &value)) {
            options.settingsDir = value;
        } else if (takeValue(args, i, QStringLiteral("--screenshot"), &value)) {
            options.screenshot = value;
        } else if (takeValue(args, i, QStringLiteral("--screenshot-delay"), &value)) {
            bool ok = false;
            const int ms = value.toInt(&ok);
            if (!ok || ms < 0 || ms > 600000) {
                options.problems
                    << tr("%1 需要毫秒数 (0..600000)").arg(QStringLiteral("--screenshot-delay"));
                options.valid = false;
            }
            options.screenshotDelayMs = ms;
        } else if (args[i] == QLatin1String("--dark")) {
            options.dark = true;
        } else if (args[i] == QLatin1String("--settings-dir") ||
                   args[i] == QLatin1String("--screenshot") ||
                   args[i] == QLatin1String("--screenshot-delay")) {
            options.problems << tr("%1 需要一个值").arg(args[i]);
            options.valid = false;
        }
    }
    return options;
}

void StartOptions::ApplySettingsDir() const {
    if (settingsDir.isEmpty())
        return;
    const QString dir = QDir(settingsDir).absolutePath();
    QDir().mkpath(dir);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
}

}  // namespace zentiq
