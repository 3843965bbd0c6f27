#include "writes/value_list_chooser.h"

#include <QFileInfo>

#include "framework/dialog_data_exchange.h"
#include "framework/file_dialog.h"
#include "writes/value_list_file.h"

namespace zentiq {
namespace {

QString proposedName(const QString& fileName) { return fileName + QStringLiteral(".mod"); }

QString chooseFile(QWidget* parent, const QString& proposed, bool save) {
    return FileDialog::Ask(
        parent, {save, proposed, QStringLiteral("zentiq data (*.mod)"), QStringLiteral("mod")});
}

QString title(const QString& path) { return QFileInfo(path).completeBaseName(); }

bool report(QWidget* parent, ValueListFile::Status status) {
    if (status == ValueListFile::Status::Ok)
        return true;
    DialogDataExchange::ShowWarning(parent, ValueListFile::StatusText(status));
    return false;
}

}  // namespace

bool ValueListChooser::Open(QWidget* parent, QString& fileName, std::int32_t tag,
                            std::uint8_t* buffer) {
    const QString path = chooseFile(parent, proposedName(fileName), false);
    if (path.isEmpty())
        return false;
    if (!report(parent, ValueListFile::Load(path, tag, buffer)))
        return false;
    fileName = title(path);
    return true;
}

bool ValueListChooser::Save(QWidget* parent, QString& fileName, std::int32_t tag,
                            const std::uint8_t* buffer) {
    QString path = chooseFile(parent, proposedName(fileName), true);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".mod");
    const ValueListFile::Status status = ValueListFile::Save(path, tag, buffer);
    if (status != ValueListFile::Status::OpenFailed)
        fileName = title(path);
    return report(parent, status);
}

}  // namespace zentiq
