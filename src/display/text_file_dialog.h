// The open and save dialogs of the text files the tools write and read
// (monitor lines, test center lists, data logs): a proposed name, one filter
// and the default extension "txt". Replaceable, so that tests answer it.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace zentiq {

class TextFileDialog {
public:
    struct Request {
        bool save = true;       // save dialogs ask before overwriting
        QString proposedName;   // "commdata", "logfile.txt", ...
        QString filter;         // "modbus comm. data (*.txt)"
    };

    // The chosen path, empty when cancelled. A name without extension gets
    // ".txt", as the dialog's default extension does.
    static QString Ask(QWidget* parent, const Request& request);

    // Replaces the dialog (an empty function restores it); returns the
    // previous hook.
    using Hook = std::function<QString(QWidget* parent, const Request& request)>;
    static Hook SetHook(Hook hook);
};

}  // namespace zentiq
