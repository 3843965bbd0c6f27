// Zentiq: a desktop Modbus master.
//
//   zentiq [FILE.zqd | FILE.zqw] [--automation] [--lang en|zh] [--settings-dir DIR] [--dark]
//   zentiq --print FILE.zqd          (or /p FILE.zqd: print to the default
//                                     printer and end)
//   zentiq --headless FILE.zqw | FILE.zqd... [--log-dir DIR]
//                                    (poll and log without any window)
//   zentiq --help | --version
//
// --settings-dir DIR (or ZENTIQ_SETTINGS_DIR) keeps every setting in DIR
// instead of the user's own store. --screenshot FILE [--screenshot-delay MS]
// saves a picture of the main window after the delay and ends the program.
// --dark shows every window in a dark palette for this run.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/command_line.h"
#include "app/headless_logger.h"
#include "app/main_frame.h"
#include "app/shutdown_signals.h"
#include "app/zentiq_app.h"
#include "framework/dark_palette.h"
#include "framework/engine_trace_log.h"

namespace {

struct Options {
    QString settingsDir;
    QString screenshot;
    int screenshotDelayMs = 3000;
    bool dark = false;
    bool valid = true;
};

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

Options parseOptions(const QStringList& args) {
    Options options;
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
                std::fprintf(stderr, "zentiq: --screenshot-delay wants milliseconds (0..600000)\n");
                options.valid = false;
            }
            options.screenshotDelayMs = ms;
        } else if (args[i] == QLatin1String("--dark")) {
            options.dark = true;
        } else if (args[i] == QLatin1String("--settings-dir") ||
                   args[i] == QLatin1String("--screenshot") ||
                   args[i] == QLatin1String("--screenshot-delay")) {
            std::fprintf(stderr, "zentiq: %s needs a value\n", qUtf8Printable(args[i]));
            options.valid = false;
        }
    }
    return options;
}

// Decided before the application object: a run without windows must not
// load a platform plugin, so that it needs no display at all.
bool wantsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") == 0)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    {
        // Answered before QApplication exists: no display and no platform
        // plugin needed.
        QStringList raw;
        for (int i = 1; i < argc; ++i)
            raw << QString::fromLocal8Bit(argv[i]);
        const zentiq::CommandLine line = zentiq::CommandLine::Parse(raw);
        if (line.help || line.version) {
            const QString text =
                line.help ? zentiq::CommandLine::HelpText() : zentiq::CommandLine::VersionText();
            std::fputs(text.toLocal8Bit().constData(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    const bool headless = wantsHeadless(argc, argv);
    std::unique_ptr<QCoreApplication> core;
    if (headless)
        core = std::make_unique<QCoreApplication>(argc, argv);
    else
        core = std::make_unique<QApplication>(argc, argv);
    QCoreApplication& qapp = *core;
    const QStringList args = QCoreApplication::arguments().mid(1);
    const Options options = parseOptions(args);
    if (!options.valid)
        return 2;
    if (options.dark)
        zentiq::ApplyDarkAppearance();
    if (!options.settingsDir.isEmpty()) {
        // A settings store of its own: the user's settings are not touched.
        const QString dir = QDir(options.settingsDir).absolutePath();
        QDir().mkpath(dir);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
    }

    // The line's trace, for QT_LOGGING_RULES="zentiq.engine.debug=true".
    zentiq::InstallEngineTraceLog();
    if (headless)
        return zentiq::HeadlessLogger::Run(args);

    // Ended by a signal, the program goes down as when its window closes.
    zentiq::ShutdownSignals endSignals;
    QObject::connect(&endSignals, &zentiq::ShutdownSignals::requested, &qapp,
                     [] { QApplication::exit(0); });

    zentiq::CZentiqApp app;
    app.SetPrivateSettings(!options.settingsDir.isEmpty());
    // After the engine came up with the application object, so that this
    // runs before the engine's own state goes when exit() is called from
    // deep inside the platform (display lost).
    std::atexit(&zentiq::CZentiqApp::EndAtExit);
    if (!app.InitInstance(args))
        return app.StartupExitCode();

    if (!options.screenshot.isEmpty()) {
        QTimer::singleShot(options.screenshotDelayMs, &app, [&app, &options] {
            zentiq::CMainFrame* frame = app.MainFrame();
            const bool saved = frame != nullptr && frame->grab().save(options.screenshot, "PNG");
            if (!saved)
                std::fprintf(stderr, "zentiq: could not write %s\n",
                             qUtf8Printable(options.screenshot));
            QApplication::exit(saved ? 0 : 3);
        });
    }
    return QApplication::exec();
}
