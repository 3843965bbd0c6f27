#include "framework/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace zentiq {
namespace {

FileDialog::Hook& hook() {
    static FileDialog::Hook instance;
    return instance;
}

QString runDialog(QWidget* parent, const FileDialog::Request& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString FileDialog::Ask(QWidget* parent, const Request& request) {
    QString path = hook() ? hook()(parent, request) : runDialog(parent, request);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + request.defaultSuffix;
    return path;
}

FileDialog::Hook FileDialog::SetHook(Hook newHook) {
    Hook previous = hook();
    hook() = std::move(newHook);
    return previous;
}

}  // namespace zentiq
