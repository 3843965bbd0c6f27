// zentiq --headless runs as a program of its own, zentiq-headless, linked
// without the widget, chart, print and bus libraries: the windowed program
// hands such a run over to it before any window exists, so that a logger
// on a box without a screen neither loads those libraries nor keeps them
// in memory.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace zentiq {

class HeadlessHelper {
    Q_DECLARE_TR_FUNCTIONS(HeadlessHelper)
public:
    static constexpr const char* kFileName = "zentiq-headless";

    // Why the hand-over did not happen.
    struct Failure {
        QStringList searched;  // the places looked at when none was found
        QString program;       // the helper that was found but would not start
        int error = 0;         // errno of that attempt
    };

    // Where the helper may be, in this order: beside the program (a build
    // tree), then in the install's libexec folder, found from the
    // program's own folder so that a package under /usr and an install
    // under any prefix alike find theirs.
    static QStringList Candidates(const QString& programDir);
    // The first candidate that is an executable file; empty when none is.
    static QString Find(const QString& programDir);
    // The folder of the running program's file.
    static QString ProgramDir();

    // Replaces this process with the helper, `argv` unchanged (argv[0]
    // too: the run names itself as the program the user started). Returns
    // only when that could not be done.
    static Failure Exec(char** argv);

    // The message for a failed hand-over, in the current language.
    static QString FailureText(const Failure& failure);
};

}  // namespace zentiq
