// The modal steps of the write dialogs that a test answers instead of a
// user: running a dialog and choosing a value-list file. Empty hooks keep
// exec() and the platform's file dialogs.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace zentiq {

class WriteDialogHooks {
public:
    // Runs a dialog modally; returns its result code.
    using Runner = std::function<int(QDialog& dialog)>;
    // The chosen path, empty when cancelled. `proposed` is the default name.
    using FileChooser = std::function<QString(QWidget* parent, const QString& proposed, bool save)>;

    static int Run(QDialog& dialog);
    static QString ChooseFile(QWidget* parent, const QString& proposed, bool save);

    // Both return the previous hook.
    static Runner SetRunner(Runner runner);
    static FileChooser SetFileChooser(FileChooser chooser);
};

}  // namespace zentiq
