#include "framework/file_dialog.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace zentiq {

QString FileDialog::Ask(QWidget* parent, const Request& request) {
    QString path = userInteraction().chooseFile(parent, request);
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
    const QString text = QCoreApplication::translate("FileDialog", "%1 已存在。\n要替换它吗？")
                             .arg(QFileInfo(path).fileName());
    return userInteraction().question(
               parent, QCoreApplication::translate("FileDialog", "确认另存为"), text,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace zentiq
