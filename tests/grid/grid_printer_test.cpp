#include "grid/grid_printer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "grid/grid_widget_test_support.h"

namespace zentiq {
namespace {

using namespace grid_widget_test;

// Rows labelled R001.. in the header column; the header row says "Addr".
void labelRows(CGridModel& m)
{
    CGridModel::ProgramFill fill(m);
    for (int r = 1; r < m.rowCount(); ++r)
        m.setItemText(r, 0, QString::asprintf("R%03d", r));
    for (int c = 0; c < m.columnCount(); ++c)
        m.setItemText(0, c, QStringLiteral("Addr"));
}

class GridPrinterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        window.setWindowTitle(QStringLiteral("Pump station 3 [*]"));
        grid = new CGridCtrl(&window);
        layOutPollGrid(*grid, 101, 9);
        labelRows(grid->model());
    }

    // Prints to a PDF and returns the text of each page.
    QStringList printPages(int fromPage = 0, int toPage = 0, int* printed = nullptr)
    {
        const QString pdf = dir.filePath(QStringLiteral("grid%1.pdf").arg(++jobs));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        if (fromPage > 0)
            printer.setFromTo(fromPage, toPage);
        const int n = grid->print(printer);
        if (printed != nullptr)
            *printed = n;

        const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (tool.isEmpty()) {
            ADD_FAILURE() << "pdftotext not found: install the Debian package poppler-utils";
            return {};
        }
        QProcess proc;
        proc.start(tool, {pdf, QStringLiteral("-")});
        if (!proc.waitForFinished(60000) || proc.exitCode() != 0) {
            ADD_FAILURE() << "pdftotext failed on " << pdf.toStdString();
            return {};
        }
        QStringList pages = QString::fromUtf8(proc.readAllStandardOutput()).split(QLatin1Char('\f'));
        if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
            pages.removeLast();
        return pages;
    }

    QTemporaryDir dir;
    QWidget window;
    CGridCtrl* grid = nullptr;
    int jobs = 0;
};

TEST_F(GridPrinterTest, HundredRowsSplitOverPagesWithHeaderFooterAndRepeatedFixedRow)
{
    int printed = 0;
    const QStringList pages = printPages(0, 0, &printed);
    ASSERT_GT(pages.size(), 1) << "100 rows do not fit one page";
    EXPECT_EQ(printed, pages.size());

    const QRegularExpression rowLabel(QStringLiteral("\\bR(\\d{3})\\b"));
    std::vector<int> seen;
    for (int i = 0; i < pages.size(); ++i) {
        const QString& page = pages[i];
        SCOPED_TRACE(i + 1);
        EXPECT_TRUE(page.contains(QStringLiteral("Pump station 3"))) << "the window title heads every page";
        EXPECT_FALSE(page.contains(QStringLiteral("[*]")));
        EXPECT_TRUE(page.contains(QStringLiteral("Zentiq")));
        EXPECT_TRUE(page.contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size())));
        EXPECT_TRUE(page.contains(QStringLiteral("Addr"))) << "the fixed row is repeated";
        int onPage = 0;
        for (auto it = rowLabel.globalMatch(page); it.hasNext();) {
            seen.push_back(it.next().captured(1).toInt());
            ++onPage;
        }
        EXPECT_GT(onPage, 0);
    }
    std::vector<int> expected(100);
    for (int r = 0; r < 100; ++r)
        expected[static_cast<std::size_t>(r)] = r + 1;
    EXPECT_EQ(seen, expected) << "every row exactly once, in order";
}

TEST_F(GridPrinterTest, WiderGridIsScaledDownSoFewerPagesAreNeeded)
{
    const qsizetype narrow = printPages().size();
    {
        CGridModel::ProgramFill fill(grid->model());
        for (int c = 0; c < grid->model().columnCount(); ++c)
            grid->model().setColumnWidth(c, 3 * kColumnWidth);
    }
    const qsizetype wide = printPages().size();
    ASSERT_GT(narrow, 0);
    EXPECT_LT(wide, narrow);
    EXPECT_GE(wide, 1);
}

TEST_F(GridPrinterTest, PageRangeAndHiddenRows)
{
    grid->model().setRowHeight(50, 0);
    const QStringList all = printPages();
    ASSERT_GE(all.size(), 3);
    for (const QString& page : all)
        EXPECT_FALSE(page.contains(QStringLiteral("R050"))) << "a hidden row is not printed";

    int printed = 0;
    const QStringList some = printPages(2, 3, &printed);
    EXPECT_EQ(printed, 2);
    ASSERT_EQ(some.size(), 2);
    EXPECT_TRUE(some[0].contains(QStringLiteral("Page 2 of %1").arg(all.size())));
    EXPECT_TRUE(some[1].contains(QStringLiteral("Page 3 of %1").arg(all.size())));
}

TEST_F(GridPrinterTest, EmptyGridPrintsOnePageAndBadPagesAreIgnored)
{
    layOutPollGrid(*grid, 0, 0);
    CGridPrinter job(grid->model());
    QImage image(600, 800, QImage::Format_RGB32);
    job.beginPrinting(image, QSizeF(image.size()));
    EXPECT_EQ(job.pageCount(), 1);
    EXPECT_EQ(job.pageRows(1), std::make_pair(-1, -1));
    QPainter painter(&image);
    job.printPage(painter, 0, QStringLiteral("t"), QDateTime::currentDateTime());
    job.printPage(painter, 7, QStringLiteral("t"), QDateTime::currentDateTime());
    job.printPage(painter, 1, QStringLiteral("t"), QDateTime::currentDateTime());
    job.endPrinting();
    job.printPage(painter, 1, QStringLiteral("t"), QDateTime::currentDateTime());
    EXPECT_EQ(job.pageCount(), 0);
}

}  // namespace
}  // namespace zentiq
