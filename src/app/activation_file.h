// The D-Bus activation file that lets the session bus start the program for
// an automation client: $XDG_DATA_HOME/dbus-1/services/Zentiq.Document.service
// naming the program with --automation.
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

}  // namespace zentiq::activation_file
