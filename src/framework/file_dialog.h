// The open and save dialogs of the files the program writes and reads
// (monitor lines, test center lists, data logs, workspaces): a proposed
// name, one filter and a default extension. Replaceable, so that tests
// answer it.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace zentiq {

class FileDialog {
public:
    struct Request {
        bool save = true;       // save dialogs ask before overwriting
        QString proposedName;   // "commdata", "logfile.txt", ...
        QString filter;         // "modbus comm. data (*.txt)"
        QString defaultSuffix = QStringLiteral("txt");
        QString title = QString();  // empty: the platform's own
    };

    // The chosen path, empty when cancelled. A name without extension gets
    // the default one, as the dialog itself does.
    static QString Ask(QWidget* parent, const Request& request);

    // Replaces the dialog (an empty function restores it); returns the
    // previous hook.
    using Hook = std::function<QString(QWidget* parent, const Request& request)>;
    static Hook SetHook(Hook hook);
};

}  // namespace zentiq
