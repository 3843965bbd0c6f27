#include "app/command_line.h"

#include <cstdio>

#include "app/start_options.h"
#include "zentiq_version.h"

namespace zentiq {
namespace {

// Options of main.cpp that take a value.
bool isValueOption(const QString& arg) {
    return arg == QLatin1String("--settings-dir") || arg == QLatin1String("--screenshot") ||
           arg == QLatin1String("--screenshot-delay");
}

// Qt's own options, which the application object takes out of the line
// (one or two dashes, "-style NAME" or "-style=NAME").
enum class QtOption { None, Flag, WithValue };
QtOption qtOption(const QString& arg) {
    static const QStringList withValue = {
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"), QStringLiteral("geometry"),
        QStringLiteral("title"), QStringLiteral("display"), QStringLiteral("name"),
        QStringLiteral("session"), QStringLiteral("style"), QStringLiteral("stylesheet")};
    static const QStringList flags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"), QStringLiteral("dograb"),
                                      QStringLiteral("sync")};
    if (!arg.startsWith(QLatin1Char('-')))
        return QtOption::None;
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    if (name.startsWith(QLatin1String("qmljsdebugger=")))
        return QtOption::Flag;
    if (const qsizetype equals = name.indexOf(QLatin1Char('=')); equals > 0)
        return withValue.contains(name.left(equals)) ? QtOption::Flag : QtOption::None;
    if (withValue.contains(name))
        return QtOption::WithValue;
    return flags.contains(name) ? QtOption::Flag : QtOption::None;
}

// The print switch: --print FILE, --print=FILE, and the framework's /p FILE.
bool isPrintSwitch(const QString& arg) {
    return arg == QLatin1String("--print") ||
           arg.compare(QLatin1String("/p"), Qt::CaseInsensitive) == 0;
}

bool isAutomationSwitch(const QString& arg) {
    const QString a = arg.toLower();
    return a == QLatin1String("--automation") || a == QLatin1String("-automation") ||
           a == QLatin1String("/automation") || a == QLatin1String("-embedding") ||
           a == QLatin1String("/embedding") || a == QLatin1String("--embedding");
}

}  // namespace

CommandLine CommandLine::Parse(const QStringList& arguments) {
    CommandLine line;
    // The first problem is the one said.
    const auto problem = [&line](const QString& text) {
        if (line.error.isEmpty())
            line.error = text;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const bool hasNext = i + 1 < arguments.size();
        if (isAutomationSwitch(arg)) {
            line.automation = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.help = true;
        } else if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            line.version = true;
        } else if (isPrintSwitch(arg)) {
            if (hasNext)
                line.printFile = arguments[++i];
            else
                problem(QStringLiteral("%1 needs the document to print").arg(arg));
        } else if (arg == QLatin1String("--lang") || arg.startsWith(QLatin1String("--lang="))) {
            const bool inline_ = arg.contains(QLatin1Char('='));
            const QString code = inline_ ? arg.mid(7) : (hasNext ? arguments[++i] : QString());
            line.language = LanguageFromCode(code);
            if (!line.language)
                problem(QStringLiteral("--lang wants en or zh, not \"%1\"").arg(code));
        } else if (arg == QLatin1String("--headless")) {
            line.headless = true;
        } else if (arg == QLatin1String("--log-dir") ||
                   arg.startsWith(QLatin1String("--log-dir="))) {
            const bool inline_ = arg.contains(QLatin1Char('='));
            line.logDir = inline_ ? arg.mid(10) : (hasNext ? arguments[++i] : QString());
            if (line.logDir.isEmpty())
                problem(QStringLiteral("--log-dir needs a folder"));
        } else if (arg == QLatin1String("--log-date")) {
            line.logDate = true;
        } else if (arg.startsWith(QLatin1String("--print="))) {
            line.printFile = arg.mid(8);
            if (line.printFile.isEmpty())
                problem(QStringLiteral("--print needs the document to print"));
        } else if (arg == QLatin1String("--dark")) {
            // main.cpp's: a dark palette for this run
        } else if (isValueOption(arg)) {
            // Its value belongs to main.cpp (StartOptions checks it).
            if (hasNext)
                ++i;
            else
                problem(QStringLiteral("%1 needs a value").arg(arg));
        } else if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('=')) &&
                   isValueOption(arg.section(QLatin1Char('='), 0, 0))) {
            // --settings-dir=DIR and the like: main.cpp's
        } else if (const QtOption qt = qtOption(arg); qt != QtOption::None) {
            if (qt == QtOption::WithValue) {
                if (hasNext)
                    ++i;
                else
                    problem(QStringLiteral("%1 needs a value").arg(arg));
            }
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            problem(QStringLiteral("unknown option %1").arg(arg));
        } else {
            line.files << arg;
        }
    }
    if (!line.files.isEmpty())
        line.fileName = line.files.first();
    if (!line.headless && !line.logDir.isEmpty())
        problem(QStringLiteral("--log-dir goes with --headless"));
    if (!line.headless && line.logDate)
        problem(QStringLiteral("--log-date goes with --headless"));
    return line;
}

QString CommandLine::UsageText() {
    return QStringLiteral(
        "usage: zentiq [FILE.zqd | FILE.zqw]... [--print FILE.zqd] "
        "[--automation] [--lang en|zh] [--settings-dir DIR] [--dark]\n"
        "       zentiq --headless (FILE.zqw | FILE.zqd...) [--log-dir DIR] [--log-date] "
        "[--lang en|zh] [--settings-dir DIR]");
}

// The man page (packaging/zentiq.1.in) says the same at more length.
QString CommandLine::HelpText() {
    return QStringLiteral(
        "Usage: zentiq [OPTION]... [FILE.zqd | FILE.zqw]...\n"
        "A Modbus master for testing and commissioning Modbus slave devices over\n"
        "serial RTU, serial ASCII and Modbus/TCP. While Zentiq runs, starting it\n"
        "again shows the running one, which opens the files named.\n"
        "\n"
        "  FILE.zqd                 open a poll document\n"
        "  FILE.zqw                 open a workspace: its windows and its connection\n"
        "  --print FILE.zqd         print the document on the default printer and end\n"
        "                           (also /p FILE.zqd)\n"
        "  --lang en|zh             the interface language for this run only\n"
        "  --settings-dir DIR       keep every setting in DIR instead of the user's\n"
        "                           own store (also ZENTIQ_SETTINGS_DIR)\n"
        "  --automation             started by the D-Bus session bus for an\n"
        "                           automation client: no window, no document\n"
        "  --headless               poll and log without any window or display; give a\n"
        "                           workspace or one or more documents\n"
        "  --log-dir DIR            with --headless: one log file per document in DIR\n"
        "  --log-date               with --headless: each text-log line's time with its\n"
        "                           date (2026-12-10 14:38:03), for runs over a day\n"
        "  --dark                   a dark palette for this run (the stored choice of\n"
        "                           the menu stays)\n"
        "  --screenshot FILE        save a picture of the main window as PNG and end\n"
        "  --screenshot-delay MS    wait MS milliseconds before the picture (3000)\n"
        "  -h, --help               show this help and end\n"
        "  -v, --version            show the version and end\n");
}

QString CommandLine::VersionText() {
    return QStringLiteral("zentiq %1\n").arg(QLatin1String(ZENTIQ_VERSION));
}

int CommandLine::AnswerBeforeStart(int argc, char** argv) {
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = Parse(raw);
    if (line.help || line.version) {
        const QString text = line.help ? HelpText() : VersionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // StartOptions says what is wrong with its own values.
    const bool optionsValid = StartOptions::Parse(raw).valid;
    if (optionsValid && line.error.isEmpty())
        return -1;
    if (optionsValid)
        std::fprintf(stderr, "zentiq: %s\n", line.error.toLocal8Bit().constData());
    std::fprintf(stderr, "%s\n", UsageText().toLocal8Bit().constData());
    return 2;
}

}  // namespace zentiq
