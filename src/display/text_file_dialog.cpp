#include "display/text_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace zentiq {
namespace {

TextFileDialog::Hook& hook() {
    static TextFileDialog::Hook instance;
    return instance;
}

const QLatin1String kExtension("txt");

QString runDialog(QWidget* parent, const TextFileDialog::Request& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(kExtension);
    dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString TextFileDialog::Ask(QWidget* parent, const Request& request) {
    QString path = hook() ? hook()(parent, request) : runDialog(parent, request);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + kExtension;
    return path;
}

TextFileDialog::Hook TextFileDialog::SetHook(Hook newHook) {
    Hook previous = hook();
    hook() = std::move(newHook);
    return previous;
}

}  // namespace zentiq
