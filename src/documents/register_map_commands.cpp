#include "documents/register_map_commands.h"

#include <QCoreApplication>
#include <QStringList>

#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "framework/atomic_save.h"
#include "framework/dialog_data_exchange.h"
#include "framework/file_dialog.h"
#include "grid/grid_ctrl.h"
#include "resources/strings.h"
#include "values/register_map_csv.h"

namespace zentiq {

namespace {

// Rows listed by name in the message; the rest are counted.
constexpr int kListedRows = 15;

QString outsideMessage(const RegisterMapCsv::Placement& placement) {
    const std::vector<RegisterMapCsv::Entry>& outside = placement.outside;
    QString text = RegisterMapCommands::tr(
                       "已导入 %1 个标注。以下 %2 行的地址不在本窗口的轮询范围内，未导入：")
                       .arg(placement.aliases.size())
                       .arg(placement.outsideCount);
    for (std::size_t i = 0; i < outside.size() && i < std::size_t(kListedRows); ++i)
        text +=
            QLatin1Char('\n') + RegisterMapCommands::tr("第 %1 行：%2 %3")
                                    .arg(outside[i].line)
                                    .arg(outside[i].addressText.left(20), outside[i].name.left(40));
    if (placement.outsideCount > std::size_t(kListedRows))
        text += QLatin1Char('\n') + RegisterMapCommands::tr("……另有 %1 行")
                                        .arg(placement.outsideCount - kListedRows);
    return text;
}

}  // namespace

LogLine::Poll RegisterMapCommands::PollOf(const CZentiqDoc& doc) { return PollOf(doc.Model()); }

// PollOf(const PollDocumentModel&) is in register_map_poll.cpp, for the
// headless logger that logs without a document window.

QString RegisterMapCommands::AliasOf(const CZentiqDoc& doc, int item) {
    int row = 0, column = 0;
    if (!doc.Grid() || !doc.Model().CellOfItem(item, row, column))
        return QString();
    return doc.Grid()->model().itemText(row, column - 1);
}

void RegisterMapCommands::Import(CZentiqDoc& doc) {
    const QString path =
        FileDialog::Ask(doc.View(), {false, QString(), QStringLiteral("CSV (*.csv)"),
                                     QStringLiteral("csv"), tr("导入寄存器表")});
    if (!path.isEmpty())
        ImportFile(doc, path);
}

int RegisterMapCommands::ImportFile(CZentiqDoc& doc, const QString& path) {
    const PollDocumentModel& m = doc.Model();
    // Only the rows the message lists are kept of those outside the poll.
    const RegisterMapCsv::Imported imported =
        RegisterMapCsv::Import(path, m.def.FunctionValue, m.def.OneBased, m.def.Address,
                               m.def.Length, kListedRows, m.def.DisplayFormat);
    if (!imported.error.isEmpty()) {
        DialogDataExchange::ShowWarning(doc.View(), tr("寄存器表没有导入。\n%1").arg(imported.error));
        return 0;
    }
    if (imported.named == 0 && imported.typed == 0) {
        DialogDataExchange::ShowWarning(doc.View(),
                                        tr("寄存器表没有导入：文件里没有带名称的寄存器。"));
        return 0;
    }
    const RegisterMapCsv::Placement& placement = imported.placement;
    int changed = 0;
    if (CGridCtrl* grid = doc.Grid()) {
        CGridModel& g = grid->model();
        for (const auto& [item, alias] : placement.aliases) {
            int row = 0, column = 0;
            if (!m.CellOfItem(item, row, column) || !g.isValid(row, column - 1))
                continue;
            // Set as a typed alias is: the cell and the grid count as edited.
            if (g.itemText(row, column - 1) != alias && g.setItemText(row, column - 1, alias))
                ++changed;
        }
        grid->viewport()->update();
    }
    if (changed > 0)
        doc.SetModifiedFlag(true);
    if (!placement.types.empty()) {
        // The map's rows replace the types of their addresses; the others stay.
        RowTypes types = m.rowTypes;
        for (const auto& [address, type] : placement.types) {
            if (type)
                types[address] = *type;
            else
                types.erase(address);
        }
        doc.ReplaceRowTypes(types);
    }
    if (placement.outsideCount > 0)
        DialogDataExchange::ShowWarning(doc.View(), outsideMessage(placement));
    return changed;
}

bool RegisterMapCommands::Export(CZentiqDoc& doc) {
    const QString path = FileDialog::Ask(
        doc.View(), {true, QStringLiteral("registermap.csv"), QStringLiteral("CSV (*.csv)"),
                     QStringLiteral("csv"), tr("导出寄存器表")});
    return !path.isEmpty() && ExportFile(doc, path);
}

bool RegisterMapCommands::ExportFile(CZentiqDoc& doc, const QString& path) {
    const QByteArray bytes =
        RegisterMapCsv::Export(PollOf(doc), [&doc](int item) { return AliasOf(doc, item); },
                               doc.AliasesOffGrid());
    QString error;
    switch (SaveAtomically(path, bytes, &error)) {
    case SaveResult::Ok: return true;
    case SaveResult::OpenFailed:
        DialogDataExchange::ShowWarning(doc.View(), FileOpenErrorText());
        return false;
    case SaveResult::WriteFailed:
        DialogDataExchange::ShowWarning(doc.View(), DiskErrorText());
        return false;
    }
    return false;
}

}  // namespace zentiq
