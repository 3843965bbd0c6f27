#include "writes/write_dialog_hooks.h"

#include <QDialog>
#include <utility>

#include "framework/file_dialog.h"
#include "framework/modal_runner.h"

namespace zentiq {
namespace {

WriteDialogHooks::FileChooser& chooser() {
    static WriteDialogHooks::FileChooser hook;
    return hook;
}

const QString kFilter = QStringLiteral("zentiq data (*.mod)");
const QString kExtension = QStringLiteral("mod");

}  // namespace

int WriteDialogHooks::Run(QDialog& dialog) { return ModalRunner<QDialog>::Run(dialog); }

QString WriteDialogHooks::ChooseFile(QWidget* parent, const QString& proposed, bool save) {
    if (chooser()) return chooser()(parent, proposed, save);
    return FileDialog::Ask(parent, {save, proposed, kFilter, kExtension, QString()});
}

WriteDialogHooks::Runner WriteDialogHooks::SetRunner(Runner hook) {
    return ModalRunner<QDialog>::SetHook(std::move(hook));
}

WriteDialogHooks::FileChooser WriteDialogHooks::SetFileChooser(FileChooser hook) {
    return std::exchange(chooser(), std::move(hook));
}

}  // namespace zentiq
