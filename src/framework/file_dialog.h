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
    // the default one, as the dialog itself does; when saving, a file of
    // that longer name that exists already is asked about (ConfirmReplace).
    static QString Ask(QWidget* parent, const Request& request);

    // Before saving to `path`, which the dialog did not ask about: true when
    // it does not exist or the user agrees to replace it.
    static bool ConfirmReplace(QWidget* parent, const QString& path);

    // Replaces the dialog (an empty function restores it); returns the
    // previous hook.
    using Hook = std::function<QString(QWidget* parent, const Request& request)>;
    static Hook SetHook(Hook hook);
    // Replaces the replace question: the answer for the path.
    using ReplaceHook = std::function<bool(QWidget* parent, const QString& path)>;
    static ReplaceHook SetReplaceHook(ReplaceHook hook);
};

}  // namespace zentiq
