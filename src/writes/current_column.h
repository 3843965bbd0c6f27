// The "当前值" column of the multiple-write lists: beside each value to
// write, what a poll window last read at that line's address, and a mark on
// the lines whose value to write differs from it.
#pragma once

#include <QCoreApplication>
#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

namespace zentiq {

class CurrentColumn {
    Q_DECLARE_TR_FUNCTIONS(CurrentColumn)

public:
    enum Column { kValue = 0, kCurrent = 1 };

    // Two columns with their headers, one line per item, no tree decoration.
    static void SetUp(QTreeWidget* list);
    // What a line shows where no window reads its address.
    static QString NotPolledText();
    // The line's current value (NotPolledText() for none), and whether its
    // value to write differs from it. Touches the line only where it changes.
    static void Show(QTreeWidgetItem* line, const QString& current, bool differs);
    // Whether Show marked the line as differing.
    static bool IsMarked(const QTreeWidgetItem* line);
    static QString DiffersText();
};

}  // namespace zentiq
