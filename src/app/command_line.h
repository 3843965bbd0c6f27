// What the program's command line asks for, and the usage text that a
// wrong one gets.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "framework/language.h"

namespace zentiq {

struct CommandLine {
    bool automation = false;           // started by an automation client: no window, no document
    QString fileName;                  // a .zqd or .zqw path, empty for none
    bool headless = false;             // --headless: poll and log without windows
    QStringList headlessFiles;         // under --headless: every file named
    QString logDir;                    // --log-dir DIR: one log per document there
    bool logDate = false;              // --log-date: text-log times with their date
    QString printFile;                 // --print FILE (or /p FILE): print it and end
    std::optional<Language> language;  // --lang en|zh: this run only, the stored choice stays
    QString error;                     // a switch that lacks its value: say so and end
    QStringList ignored;               // switches this program does not know
    bool help = false;                 // -h, --help: print HelpText() and end
    bool version = false;              // -v, --version: print VersionText() and end

    // Arguments without the program name. The settings, screenshot and
    // automation options of main.cpp are understood (and skipped) here too.
    static CommandLine Parse(const QStringList& arguments);
    // One line that names every switch.
    static QString UsageText();
    // What --help prints: every switch with what it does.
    static QString HelpText();
    // What --version prints: "zentiq x.y.z".
    static QString VersionText();
    // Prints the help or the version on stdout when the command line asks
    // for one (before any application object: no display needed) and gives
    // the exit code; -1 when it asks for neither.
    static int AnswerHelpOrVersion(int argc, char** argv);
};

}  // namespace zentiq
