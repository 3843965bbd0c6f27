// Zentiq: a desktop Modbus master.
//
//   zentiq [FILE.zqd | FILE.zqw]... [--automation] [--lang en|zh] [--settings-dir DIR] [--dark]
//   zentiq --print FILE.zqd          (or /p FILE.zqd: print to the default
//                                     printer and end)
//   zentiq --headless FILE.zqw | FILE.zqd... [--log-dir DIR]
//                                    (poll and log without any window)
//   zentiq --help | --version
//
// --settings-dir DIR (or ZENTIQ_SETTINGS_DIR) keeps every setting in DIR
// instead of the user's own store. --screenshot FILE [--screenshot-delay MS]
// saves a picture of the main window after the delay and ends the program.
// --dark shows every window in a dark palette for this run, whatever
// appearance is stored. A wrong command line gets the usage and exit code 2
// before anything else happens.
#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/automation_platform.h"
#include "app/command_line.h"
#include "app/ending_interaction.h"
#include "app/headless_helper.h"
#include "app/headless_logger.h"
#include "app/main_frame.h"
#include "app/shutdown_signals.h"
#include "app/start_options.h"
#include "app/zentiq_app.h"
#include "framework/appearance.h"
#include "framework/engine_trace_log.h"
#include "framework/language.h"
#include "framework/settings_store.h"

namespace {

// Decided before the application object: a run without windows loads no
// platform plugin and no window library, so that it needs no display at all.
bool wantsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") == 0)
            return true;
    return false;
}

bool wantsAutomation(int argc, char** argv) {
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    return zentiq::CommandLine::Parse(raw).automation;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before QApplication exists: no display and no platform
    // plugin needed, in every mode.
    if (const int code = zentiq::CommandLine::AnswerBeforeStart(argc, argv); code >= 0)
        return code;
    if (wantsHeadless(argc, argv)) {
        // The logger is a program of its own that loads no window library;
        // back here only when it could not be started.
        const zentiq::HeadlessHelper::Failure failure = zentiq::HeadlessHelper::Exec(argv);
        QCoreApplication core(argc, argv);
        const QStringList args = QCoreApplication::arguments().mid(1);
        const zentiq::StartOptions options = zentiq::StartOptions::Parse(args);
        options.ApplySettingsDir();
        zentiq::SettingsStore store;
        zentiq::ApplyLanguage(
            zentiq::CommandLine::Parse(args).language.value_or(zentiq::StoredLanguage(store)));
        std::fprintf(stderr, "zentiq: %s\n",
                     qUtf8Printable(zentiq::HeadlessHelper::FailureText(failure)));
        return zentiq::HeadlessLogger::kOpenError;
    }
    // Before the display is opened: a signal from here on is kept for the
    // program's own end instead of killing the process.
    zentiq::ShutdownSignals::Install();
    // Started by the bus for a client where no display is (a script over
    // ssh): the offscreen platform, said once InitInstance knows the language.
    const bool withoutDisplay =
        zentiq::automation_platform::ChooseOffscreenWithoutDisplay(wantsAutomation(argc, argv));
    QApplication qapp(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const zentiq::StartOptions options = zentiq::StartOptions::Parse(args);
    if (!options.valid)
        return 2;
    options.ApplySettingsDir();
    {
        const zentiq::SettingsStore store;
        zentiq::ApplyAppearance(options.dark ? zentiq::Appearance::Dark
                                             : zentiq::StoredAppearance(store));
    }

    // The line's trace, for QT_LOGGING_RULES="zentiq.engine.debug=true".
    zentiq::InstallEngineTraceLog();

    // Ended by a signal, the program goes down as when its window closes; a
    // box or dialog open at that moment closes unanswered.
    zentiq::ShutdownSignals endSignals;
    QObject::connect(&endSignals, &zentiq::ShutdownSignals::requested, &qapp,
                     [] { zentiq::EndForSignal(); });

    zentiq::CZentiqApp app;
    app.SetPrivateSettings(!options.settingsDir.isEmpty());
    app.SetWithoutDisplay(withoutDisplay);
    // A screenshot run shows its own window; any other normal start hands
    // over to a Zentiq that already runs.
    app.SetMayHandOver(options.screenshot.isEmpty());
    // After the engine came up with the application object, so that this
    // runs before the engine's own state goes when exit() is called from
    // deep inside the platform (display lost).
    std::atexit(&zentiq::CZentiqApp::EndAtExit);
    const bool started = app.InitInstance(args);
    // A signal during start-up (one that closed a start-up box too) ends the
    // program here, before the event loop could start polling.
    if (zentiq::ShutdownSignals::Requested()) {
        zentiq::EndForSignal();
        return 0;
    }
    if (!started)
        return app.StartupExitCode();

    if (!options.screenshot.isEmpty()) {
        QTimer::singleShot(options.screenshotDelayMs, &app, [&app, &options] {
            zentiq::CMainFrame* frame = app.MainFrame();
            const bool saved = frame != nullptr && frame->grab().save(options.screenshot, "PNG");
            if (!saved)
                std::fprintf(
                    stderr, "zentiq: %s\n",
                    qUtf8Printable(zentiq::CZentiqApp::ScreenshotFailedText(options.screenshot)));
            QApplication::exit(saved ? 0 : 3);
        });
    }
    return QApplication::exec();
}
