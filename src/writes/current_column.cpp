#include "writes/current_column.h"

#include <QFont>
#include <QHeaderView>
#include <QTreeWidget>

#include "framework/contrast.h"

namespace zentiq {
namespace {

// Set on a line while it is marked, so that a repeated Show costs nothing.
constexpr int kMarkedRole = Qt::UserRole + 1;

}  // namespace

void CurrentColumn::SetUp(QTreeWidget* list) {
    list->setColumnCount(2);
    list->setHeaderLabels({tr("写入值"), tr("当前值")});
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->header()->setStretchLastSection(true);
    list->header()->setSectionsMovable(false);
    // The values to write are the longer texts (a float's %G form, a
    // binary word): their column keeps room for them.
    list->header()->setSectionResizeMode(kValue, QHeaderView::ResizeToContents);
}

QString CurrentColumn::NotPolledText() { return QStringLiteral("—"); }

QString CurrentColumn::DiffersText() { return tr("与当前值不同"); }

void CurrentColumn::Show(QTreeWidgetItem* line, const QString& current, bool differs) {
    if (line->text(kCurrent) != current)
        line->setText(kCurrent, current);
    if (IsMarked(line) == differs)
        return;
    line->setData(kValue, kMarkedRole, differs);
    const QTreeWidget* list = line->treeWidget();
    QFont font = list != nullptr ? list->font() : QFont();
    font.setBold(differs);
    // An orange of our own, darkened or lightened until it reads on the
    // list's own background.
    const QColor base = list != nullptr ? list->palette().color(QPalette::Base) : QColor(Qt::white);
    const QColor mark = ReadableOn(QColor(0xE0, 0x70, 0x00), base);
    for (const int column : {kValue, kCurrent}) {
        line->setFont(column, font);
        line->setData(column, Qt::ForegroundRole, differs ? QVariant(mark) : QVariant());
        line->setToolTip(column, differs ? DiffersText() : QString());
        line->setData(column, Qt::AccessibleDescriptionRole,
                      differs ? QVariant(DiffersText()) : QVariant());
    }
}

bool CurrentColumn::IsMarked(const QTreeWidgetItem* line) {
    return line->data(kValue, kMarkedRole).toBool();
}

}  // namespace zentiq
