#include "framework/file_dialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <utility>

namespace zentiq {
namespace {

FileDialog::Hook& hook() {
    static FileDialog::Hook instance;
    return instance;
}

FileDialog::ReplaceHook& replaceHook() {
    static FileDialog::ReplaceHook instance;
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
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + request.defaultSuffix;
        // The dialog asked about the name without the suffix, if at all.
        if (request.save && !ConfirmReplace(parent, path))
            return QString();
    }
    return path;
}

bool FileDialog::ConfirmReplace(QWidget* parent, const QString& path) {
    if (!QFileInfo::exists(path))
        return true;
    if (replaceHook())
        return replaceHook()(parent, path);
    const QString text = QCoreApplication::translate("FileDialog", "%1 已存在。\n要替换它吗？")
                             .arg(QFileInfo(path).fileName());
    return QMessageBox::question(parent, QCoreApplication::translate("FileDialog", "确认另存为"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

FileDialog::ReplaceHook FileDialog::SetReplaceHook(ReplaceHook newHook) {
    return std::exchange(replaceHook(), std::move(newHook));
}

FileDialog::Hook FileDialog::SetHook(Hook newHook) {
    Hook previous = hook();
    hook() = std::move(newHook);
    return previous;
}

}  // namespace zentiq
