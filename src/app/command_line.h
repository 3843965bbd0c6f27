// What the program's command line asks for, and the usage text that a
// wrong one gets.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <optional>

#include "framework/language.h"

namespace zentiq {

struct StartOptions;

struct CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    bool automation = false;           // started by an automation client: no window, no document
    QString fileName;                  // the first .zqd or .zqw path, empty for none
    QStringList files;                 // every file named, in their order
    bool headless = false;             // --headless: poll and log without windows
    QString logDir;                    // --log-dir DIR: one log per document there
    bool logDate = false;              // --log-date: text-log times with their date
    QString printFile;                 // --print FILE (or /p FILE): print it and end
    std::optional<Language> language;  // --lang en|zh: this run only, the stored choice stays
    // The first problem: a switch this program does not know, one that
    // lacks its value or has a wrong one. Said with the usage, exit code 2.
    QString error;
    bool help = false;     // -h, --help: print HelpText() and end
    bool version = false;  // -v, --version: print VersionText() and end

    // Arguments without the program name. The settings, screenshot and
    // automation options of main.cpp are understood (and skipped) here too,
    // and so are Qt's own (-style NAME, -platform NAME, -reverse, ...).
    static CommandLine Parse(const QStringList& arguments);
    // One line that names every switch.
    static QString UsageText();
    // What --help prints: every switch with what it does.
    static QString HelpText();
    // What --version prints: "zentiq x.y.z".
    static QString VersionText();
    // Answers the command line before any application object exists (no
    // display, no platform plugin needed): the help or the version on
    // stdout (exit code 0), or, for a wrong line, the problem and the usage
    // on stderr (exit code 2), in the language the program would have
    // shown (--lang, else the stored choice). -1 when the program is to start.
    static int AnswerBeforeStart(int argc, char** argv);
    // The language of the program's texts for this line: --lang, else the
    // choice stored where the settings are (`options.settingsDir` or the
    // user's own store).
    static Language AnswerLanguage(const CommandLine& line, const StartOptions& options);
};

}  // namespace zentiq
