// The windowed program started as main() starts it, with a data log started
// the way 记录.. starts one (the file chosen and the options accepted for
// the user), for the tests of how the program ends while a window logs:
//   ZENTIQ_SETTINGS_DIR=DIR zentiq_window_logger LOGFILE
// Says "logging" on stdout once the log is open (or "refused"), then runs
// until it ends.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/start_options.h"
#include "app/zentiq_app.h"
#include "documents/data_logger.h"
#include "documents/mb_log_setup.h"
#include "documents/zentiq_doc.h"
#include "support/recording_interaction.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s LOGFILE\n", argv[0]);
        return 2;
    }
    QApplication qapp(argc, argv);
    zentiq::StartOptions::Parse({}).ApplySettingsDir();
    zentiq::testing::RecordingInteraction user;
    user.filePath = QString::fromLocal8Bit(argv[1]);
    user.onModal<zentiq::CMBLogSetup>([](zentiq::CMBLogSetup& dialog) {
        dialog.accept();
        return dialog.result();
    });
    zentiq::CZentiqApp app;
    app.SetPrivateSettings(true);  // no activation file for a test run
    std::atexit(&zentiq::CZentiqApp::EndAtExit);  // as main() does
    if (!app.InitInstance({}))
        return app.StartupExitCode();
    zentiq::CZentiqDoc* doc = app.Documents().value(0);
    if (doc == nullptr || !doc->OnCommand(zentiq::cmd::StartLogging) || !doc->Logger().active()) {
        std::puts("refused");
        return 1;
    }
    std::puts("logging");
    std::fflush(stdout);
    return QApplication::exec();
}
