// zentiq-headless: the logger of `zentiq --headless` as a program of its
// own. It is linked only with what the logger's objects reference (Qt's
// core library, no widgets, charts, printing or bus), so that a long run on
// a box without a screen maps none of them. `zentiq --headless ARGS` hands
// itself over to it with the same arguments; it takes them all as zentiq
// does, --help and --version too, and refuses a wrong line as zentiq does.
#include <QCoreApplication>
#include <cstdio>

#include "app/command_line.h"
#include "app/headless_logger.h"
#include "app/start_options.h"
#include "framework/engine_trace_log.h"

int main(int argc, char** argv) {
    if (const int code = zentiq::CommandLine::AnswerBeforeStart(argc, argv); code >= 0)
        return code;
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const zentiq::StartOptions options = zentiq::StartOptions::Parse(args);
    if (!options.valid)
        return 2;
    // --dark is taken and has nothing to darken: there is no window.
    options.ApplySettingsDir();
    // The line's trace, for QT_LOGGING_RULES="zentiq.engine.debug=true".
    zentiq::InstallEngineTraceLog();
    return zentiq::HeadlessLogger::Run(args);
}
