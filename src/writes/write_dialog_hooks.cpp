#include "writes/write_dialog_hooks.h"

#include <QDialog>
#include <QFileDialog>
#include <utility>

namespace zentiq {
namespace {

WriteDialogHooks::Runner& runner() {
    static WriteDialogHooks::Runner hook;
    return hook;
}

WriteDialogHooks::FileChooser& chooser() {
    static WriteDialogHooks::FileChooser hook;
    return hook;
}

const QString kFilter = QStringLiteral("zentiq data (*.mod)");
const QString kExtension = QStringLiteral("mod");

}  // namespace

int WriteDialogHooks::Run(QDialog& dialog) {
    if (runner()) return runner()(dialog);
    return dialog.exec();
}

QString WriteDialogHooks::ChooseFile(QWidget* parent, const QString& proposed, bool save) {
    if (chooser()) return chooser()(parent, proposed, save);
    QFileDialog dialog(parent, QString(), proposed, kFilter);
    dialog.setDefaultSuffix(kExtension);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

WriteDialogHooks::Runner WriteDialogHooks::SetRunner(Runner hook) {
    return std::exchange(runner(), std::move(hook));
}

WriteDialogHooks::FileChooser WriteDialogHooks::SetFileChooser(FileChooser hook) {
    return std::exchange(chooser(), std::move(hook));
}

}  // namespace zentiq
