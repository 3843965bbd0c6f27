// The D-Bus activation file that lets the session bus start the program for
// an automation client: $XDG_DATA_HOME/dbus-1/services/Zentiq.Document.service
// naming the program with --automation. An installed package brings its own
// in the system's folder; the user's file is for a program installed by hand.
#pragma once

#include <QString>

namespace zentiq::activation_file {

// $XDG_DATA_HOME/dbus-1/services; XDG_DATA_HOME unset, empty or relative
// means ~/.local/share.
QString ServicesDir();
// The file name inside ServicesDir().
QString FileName();
// The file's text for the program at `programPath` (absolute). A path that
// the bus would split or unquote is quoted; empty for a path that no Exec
// line can carry (a line break in it).
QString Contents(const QString& programPath);
// Writes the file into `dir` (created when missing) unless it already says
// the same. false with *error set when it cannot be written.
bool Write(const QString& dir, const QString& programPath, QString* error);

// The program that the Exec line of an activation file's text starts,
// unescaped and unquoted as the bus reads it; empty when there is none.
QString ExecProgram(const QString& fileText);
// The installed file that the bus finds first in $XDG_DATA_DIRS (unset or
// empty: /usr/local/share:/usr/share), empty when there is none.
QString SystemFilePath();

// How the program was started, as far as the activation file cares.
struct StartKind {
    bool automation = false;       // by the bus for a client
    bool privateSettings = false;  // --settings-dir or ZENTIQ_SETTINGS_DIR
    bool printing = false;         // --print: print and end
};

enum class Action {
    Leave,        // nothing to do
    Write,        // write or refresh the user's file
    RemoveStale,  // drop the user's file so that the installed one counts
};

// Only a normal start of the user's own program (named zentiq, on the
// user's own settings, not printing) writes the user's file, and not while
// an installed file already names this binary: a build tree, a test or a
// demonstration run never repoints the user's automation. A file of ours in
// the user's folder that names another binary would hide the installed one
// from the bus, so it goes.
Action Decide(const StartKind& start, const QString& programPath);
// Carries out Decide() for ServicesDir(). false with *error set when the
// file could not be written or removed.
bool Apply(const StartKind& start, const QString& programPath, QString* error);

}  // namespace zentiq::activation_file
