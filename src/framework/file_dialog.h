// The open and save dialogs of the files the program writes and reads
// (monitor lines, test center lists, data logs, workspaces): a proposed
// name, one filter and a default extension, asked through the user
// interaction.
#pragma once

#include <QString>

#include "framework/user_interaction.h"

class QWidget;

namespace zentiq {

class FileDialog {
public:
    using Request = FileRequest;

    // The chosen path, empty when cancelled. A name without extension gets
    // the default one, as the dialog itself does; when saving, a file of
    // that longer name that exists already is asked about (ConfirmReplace).
    static QString Ask(QWidget* parent, const Request& request);

    // Before saving to `path`, which the dialog did not ask about: true when
    // it does not exist or the user agrees to replace it.
    static bool ConfirmReplace(QWidget* parent, const QString& path);
};

}  // namespace zentiq
