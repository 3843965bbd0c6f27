#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "framework/desktop_interaction.h"

namespace zentiq {
namespace {

// Qt's own file dialog shows every column whole once a folder is read: the
// size, type and date of a long-named file are not cut by the name column.
TEST(FileDialogColumns, FitWhatTheyShow) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QString(60, QLatin1Char('n')) + QStringLiteral(".csv")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(123456, 'x'));
    file.close();
    QFileDialog dialog(nullptr, QStringLiteral("t"), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    FitFileDialogColumns(dialog);
    dialog.show();
    auto* tree = dialog.findChild<QTreeView*>();
    ASSERT_NE(tree, nullptr);
    const auto whole = [tree] {
        if (tree->model()->rowCount(tree->rootIndex()) == 0)
            return false;
        for (int column = 0; column < tree->header()->count(); ++column)
            if (tree->columnWidth(column) < static_cast<QAbstractItemView*>(tree)->sizeHintForColumn(column))
                return false;
        return true;
    };
    EXPECT_TRUE(QTest::qWaitFor(whole, 10000)) << "a column narrower than its contents";
    EXPECT_GE(dialog.width(), 820);
}

}  // namespace
}  // namespace zentiq
