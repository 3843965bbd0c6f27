#include "app/command_line.h"

#include <QDir>
#include <cstdio>
#include <optional>

#include "app/start_options.h"
#include "framework/settings_store.h"
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
    static const QStringList withValue = {QStringLiteral("platform"),
                                          QStringLiteral("platformpluginpath"),
                                          QStringLiteral("platformtheme"),
                                          QStringLiteral("plugin"),
                                          QStringLiteral("qwindowgeometry"),
                                          QStringLiteral("qwindowicon"),
                                          QStringLiteral("qwindowtitle"),
                                          QStringLiteral("geometry"),
                                          QStringLiteral("title"),
                                          QStringLiteral("display"),
                                          QStringLiteral("name"),
                                          QStringLiteral("session"),
                                          QStringLiteral("style"),
                                          QStringLiteral("stylesheet")};
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
                problem(tr("%1 需要要打印的文档").arg(arg));
        } else if (arg == QLatin1String("--lang") || arg.startsWith(QLatin1String("--lang="))) {
            const bool inline_ = arg.contains(QLatin1Char('='));
            const QString code = inline_ ? arg.mid(7) : (hasNext ? arguments[++i] : QString());
            line.language = LanguageFromCode(code);
            if (!line.language)
                problem(tr("--lang 只接受 en 或 zh，而不是“%1”").arg(code));
        } else if (arg == QLatin1String("--headless")) {
            line.headless = true;
        } else if (arg == QLatin1String("--log-dir") ||
                   arg.startsWith(QLatin1String("--log-dir="))) {
            const bool inline_ = arg.contains(QLatin1Char('='));
            line.logDir = inline_ ? arg.mid(10) : (hasNext ? arguments[++i] : QString());
            if (line.logDir.isEmpty())
                problem(tr("--log-dir 需要一个文件夹"));
        } else if (arg == QLatin1String("--log-date")) {
            line.logDate = true;
        } else if (arg.startsWith(QLatin1String("--print="))) {
            line.printFile = arg.mid(8);
            if (line.printFile.isEmpty())
                problem(tr("%1 需要要打印的文档").arg(QStringLiteral("--print")));
        } else if (arg == QLatin1String("--dark")) {
            // main.cpp's: a dark palette for this run
        } else if (isValueOption(arg)) {
            // Its value belongs to main.cpp (StartOptions checks it).
            if (hasNext)
                ++i;
            else
                problem(tr("%1 需要一个值").arg(arg));
        } else if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('=')) &&
                   isValueOption(arg.section(QLatin1Char('='), 0, 0))) {
            // --settings-dir=DIR and the like: main.cpp's
        } else if (const QtOption qt = qtOption(arg); qt != QtOption::None) {
            if (qt == QtOption::WithValue) {
                if (hasNext)
                    ++i;
                else
                    problem(tr("%1 需要一个值").arg(arg));
            }
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            problem(tr("未知选项 %1").arg(arg));
        } else {
            line.files << arg;
        }
    }
    if (!line.files.isEmpty())
        line.fileName = line.files.first();
    if (!line.headless && !line.logDir.isEmpty())
        problem(tr("%1 只能与 --headless 一起使用").arg(QStringLiteral("--log-dir")));
    if (!line.headless && line.logDate)
        problem(tr("%1 只能与 --headless 一起使用").arg(QStringLiteral("--log-date")));
    return line;
}

QString CommandLine::UsageText() {
    return tr(
        "用法：zentiq [FILE.zqd | FILE.zqw]... [--print FILE.zqd] "
        "[--automation] [--lang en|zh] [--settings-dir DIR] [--dark]\n"
        "      zentiq --headless (FILE.zqw | FILE.zqd...) [--log-dir DIR] [--log-date] "
        "[--lang en|zh] [--settings-dir DIR]");
}

// The man page (packaging/zentiq.1.in) says the same at more length.
QString CommandLine::HelpText() {
    return tr(
        "用法：zentiq [选项]... [FILE.zqd | FILE.zqw]...\n"
        "Modbus 主站，通过串行 RTU、串行 ASCII 和 Modbus/TCP\n"
        "测试和调试 Modbus 从站设备。Zentiq 运行时再次启动它，\n"
        "会显示正在运行的程序，由它打开所给的文件。\n"
        "\n"
        "  FILE.zqd                 打开一个轮询文档\n"
        "  FILE.zqw                 打开一个工程：它的窗口和它的连接\n"
        "  --print FILE.zqd         在默认打印机上打印该文档，然后结束\n"
        "                           （也可写作 /p FILE.zqd）\n"
        "  --lang en|zh             仅本次运行的界面语言\n"
        "  --settings-dir DIR       所有设置都保存在 DIR 中，而不是用户自己的设置\n"
        "                           （也可用 ZENTIQ_SETTINGS_DIR）\n"
        "  --automation             由 D-Bus 会话总线为自动化客户端启动：\n"
        "                           没有窗口，没有文档\n"
        "  --headless               不用任何窗口或显示器轮询并记录；给出一个工程\n"
        "                           或一个或多个文档\n"
        "  --log-dir DIR            与 --headless 一起：每个文档在 DIR 中一个记录文件\n"
        "  --log-date               与 --headless 一起：文本记录每行的时间带日期\n"
        "                           （2026-12-10 14:38:03），用于超过一天的运行\n"
        "  --dark                   本次运行使用深色配色\n"
        "                           （菜单中保存的选择不变）\n"
        "  --screenshot FILE        将主窗口的图片保存为 PNG，然后结束\n"
        "  --screenshot-delay MS    拍摄图片前等待 MS 毫秒（3000）\n"
        "  -h, --help               显示此帮助，然后结束\n"
        "  -v, --version            显示版本，然后结束\n");
}

QString CommandLine::VersionText() {
    return QStringLiteral("zentiq %1\n").arg(QLatin1String(ZENTIQ_VERSION));
}

int CommandLine::AnswerBeforeStart(int argc, char** argv) {
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    CommandLine line = Parse(raw);
    StartOptions options = StartOptions::Parse(raw);
    if (line.version && !line.help) {
        std::fputs(VersionText().toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!line.help && options.valid && line.error.isEmpty())
        return -1;
    // Something to say, and the program ends after it: a core application
    // for the translation, no platform.
    int appArgc = 1;
    std::optional<QCoreApplication> app;
    if (QCoreApplication::instance() == nullptr)
        app.emplace(appArgc, argv);
    ApplyProgramLanguage(AnswerLanguage(line, options));
    // Once more, now with the texts in that language.
    line = Parse(raw);
    options = StartOptions::Parse(raw);
    if (line.help) {
        std::fputs(HelpText().toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // StartOptions says what is wrong with its own values; the line's
    // problem only when they are right.
    for (const QString& problem : options.valid ? QStringList{line.error} : options.problems)
        std::fprintf(stderr, "zentiq: %s\n", problem.toLocal8Bit().constData());
    std::fprintf(stderr, "%s\n", UsageText().toLocal8Bit().constData());
    return 2;
}

Language CommandLine::AnswerLanguage(const CommandLine& line, const StartOptions& options) {
    if (line.language)
        return *line.language;
    // Only read: a wrong line must not leave a settings folder behind.
    if (!options.settingsDir.isEmpty())
        return StoredLanguage(SettingsStore(
            QDir(options.settingsDir).absoluteFilePath(QStringLiteral("Zentiq/Zentiq.ini"))));
    return StoredLanguage(SettingsStore());
}

}  // namespace zentiq
