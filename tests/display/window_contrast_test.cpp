// Every window readable in a light and in dark palettes: each is drawn
// offscreen and the text in its regions is measured against the background
// it sits on (WCAG contrast of the drawn pixels). The windows are made in
// the palette, and also made light and then switched, as when the desktop
// changes its theme. A new window is one more line in windowTable().
// ZENTIQ_CONTRAST_PNG_DIR=DIR keeps the pictures for a look.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTableView>
#include <QtTest/QTest>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/bus_scanner_window.h"
#include "display/bus_statistics_table_model.h"
#include "display/bus_statistics_window.h"
#include "display/communication.h"
#include "display/decode_table_model.h"
#include "display/decode_window.h"
#include "display/device_identity_dialog.h"
#include "display/error_counter.h"
#include "display/trend_window.h"
#include "display/zentiq_view.h"
#include "engine/engine.h"
#include "framework/contrast.h"
#include "framework/dark_palette.h"
#include "framework/traffic_list_view.h"
#include "framework/traffic_table_view.h"
#include "framework/window_registry.h"
#include "grid/grid_ctrl.h"
#include "support/poll_window.h"
#include "support/widget_environment.h"
#include "testcenter/test_center.h"

namespace zentiq {
namespace {

// The text in a region against the background it is drawn on: the
// region's most frequent colour is the background, its pixel farthest from
// that is the ink (antialiased edges lie in between).
struct Ink {
    QColor ink, background;
    double ratio = 1.0;
};

Ink measure(const QImage& image, const QRect& region) {
    const QRect r = region & image.rect();
    QHash<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y) | 0xFF000000u];
    Ink ink;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            ink.background = QColor(it.key());
        }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double ratio = ContrastRatio(QColor(it.key()), ink.background);
        if (ratio > ink.ratio) {
            ink.ratio = ratio;
            ink.ink = QColor(it.key());
        }
    }
    return ink;
}

// A region of a window that shows text, in the coordinates of `widget`.
struct Region {
    std::string name;
    QPointer<QWidget> widget;
    QRect rect;
};

// The text of a window's standard controls: labels, edit fields, push
// buttons, check and radio boxes, and the first row of every item view.
std::vector<Region> standardRegions(QWidget* window) {
    std::vector<Region> regions;
    // Disabled texts are meant to be faint.
    const auto visible = [window](const QWidget* w) {
        return w->isVisibleTo(window) && w->isEnabled();
    };
    for (QLabel* label : window->findChildren<QLabel*>())
        if (visible(label) && !label->text().isEmpty())
            regions.push_back(
                {"label " + label->text().toStdString(), label, label->contentsRect()});
    for (QLineEdit* edit : window->findChildren<QLineEdit*>())
        if (visible(edit) && !edit->text().isEmpty())
            regions.push_back(
                {"edit " + edit->text().toStdString(), edit, edit->rect().adjusted(4, 4, -4, -4)});
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (visible(button) && !button->text().isEmpty())
            regions.push_back({"button " + button->text().toStdString(), button,
                               button->rect().adjusted(5, 5, -5, -5)});
    for (QAbstractButton* box : window->findChildren<QAbstractButton*>()) {
        const bool radio = qobject_cast<QRadioButton*>(box) != nullptr;
        if (!visible(box) || box->text().isEmpty() ||
            (!radio && qobject_cast<QCheckBox*>(box) == nullptr))
            continue;
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect text = box->style()->subElementRect(
            radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, box);
        regions.push_back({"box " + box->text().toStdString(), box, text});
    }
    for (QAbstractItemView* view : window->findChildren<QAbstractItemView*>()) {
        const QAbstractItemModel* model = view->model();
        if (!visible(view) || model == nullptr || model->rowCount() == 0)
            continue;
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(0, column);
            const QRect rect = view->visualRect(index).adjusted(1, 1, -1, -1);
            if (!model->data(index).toString().trimmed().isEmpty() &&
                view->viewport()->rect().contains(rect))
                regions.push_back(
                    {"row 0 of " + view->objectName().toStdString(), view->viewport(), rect});
        }
    }
    return regions;
}

// A window as a user meets it, and the regions of it that the program
// draws itself (standardRegions() adds the rest), found once it is shown.
struct Sample {
    std::function<void()> cleanup;
    QPointer<QWidget> window;
    std::function<std::vector<Region>()> own = [] { return std::vector<Region>{}; };
};

using Factory = std::function<Sample()>;

// Texts in a poll window's grid: a value cell, two selected ones, a stale
// one, and the focus elsewhere.
void fillGrid(CGridCtrl* grid) {
    CGridModel& m = grid->model();
    const int row = m.fixedRowCount() + 1;
    const int col = m.fixedColumnCount() + 1;
    m.setItemText(row, col, QStringLiteral("12345"));
    m.setItemText(row + 1, col, QStringLiteral("-2345"));
    m.setItemText(row + 2, col, QStringLiteral("32767"));
    m.setItemText(row + 3, col, QStringLiteral("54321"));
    m.setItemStale(row + 3, col, true);
    m.setFocusCell(row + 4, col);
    m.setSelectedRange(row + 1, col, row + 2, col);
    grid->viewport()->update();
}

std::vector<Region> gridRegions(CGridCtrl* grid) {
    const CGridModel& m = grid->model();
    const int row = m.fixedRowCount() + 1;
    const int col = m.fixedColumnCount() + 1;
    std::vector<Region> regions;
    const auto cell = [&](const char* name, int r, int c) {
        const auto rect = grid->cellRect(r, c);
        regions.push_back({name, grid->viewport(), rect ? rect->adjusted(2, 2, -3, -3) : QRect()});
    };
    cell("grid value", row, col);
    cell("grid selected value", row + 1, col);
    cell("grid stale value", row + 3, col);
    cell("grid header", 0, col);
    return regions;
}

std::vector<std::pair<std::string, Factory>> windowTable() {
    return {
        {"data view",
         [] {
             auto* w = new testing::PollWindow(testing::ReadDefinition(3, 0, 40));
             fillGrid(w->view->Grid());
             QPointer<QWidget> view = w->view.data();
             CGridCtrl* grid = w->view->Grid();
             return Sample{
                 [w] { delete w; }, view,
                 [view, grid] {
                     // Not connected: the second line says so in the status red.
                     const int width = view->width();
                     const int line = CZentiqView::kLineHeight;
                     std::vector<Region> r = gridRegions(grid);
                     r.push_back({"status line 1", view, QRect(0, 0, width, line)});
                     r.push_back({"status line 2 (red)", view, QRect(0, line, width, line)});
                     return r;
                 }};
         }},
        {"monitor",
         [] {
             auto* w = new CCommunication(DefaultLine());
             const std::uint8_t frame[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
             w->List()->Add(TrafficLines::Direction::Tx, RTU, frame, sizeof frame, 0);
             w->List()->Flush();
             return Sample{[w] { delete w; }, w};
         }},
        {"error counter",
         [] {
             ErrorCounterModel::Counters counters{};
             counters[0] = 3;
             auto* w = new CErrorCounter(counters, [] { return qint64(3723000); });
             return Sample{[w] { delete w; }, w};
         }},
        {"test center",
         [] {
             auto* w = new CTestCenter(CTestCenter::Settings{});
             w->FrameCombo()->setEditText(QStringLiteral("01 03 00 00 00 0A"));
             const std::uint8_t frame[] = {0x01, 0x03, 0x02};
             w->List()->Add(TrafficLines::Direction::Rx, frame, sizeof frame);
             w->List()->Flush();
             return Sample{[w] { delete w; }, w};
         }},
        {"trend",
         [] {
             auto* w = new TrendWindow(nullptr, {}, nullptr);
             return Sample{[w] { delete w; }, w,
                           [w] {
                               // The time axis' labels, below the plot area.
                               std::vector<Region> r;
                               if (auto* view = w->findChild<QChartView*>()) {
                                   const QRect plot =
                                       view->mapFromScene(w->Chart()->plotArea()).boundingRect();
                                   r.push_back({"time axis labels", view->viewport(),
                                                QRect(plot.left() - 20, plot.bottom() + 4,
                                                      plot.width() + 40, 18)});
                               }
                               return r;
                           }};
         }},
        {"decode",
         [] {
             auto* w = new DecodeWindow(nullptr, {}, nullptr);
             // Registers of which some readings are doubtful (marked).
             w->SetTypedWords(QStringLiteral("FFFF 7FFF"));
             return Sample{
                 [w] { delete w; }, w,
                 [w] {
                     std::vector<Region> r;
                     const DecodeTableModel& model = w->Table();
                     for (int row = 0; row < model.rowCount() && r.empty(); ++row)
                         for (int col = 0; col < model.columnCount() && r.empty(); ++col) {
                             const QModelIndex index = model.index(row, col);
                             if (!model.data(index, Qt::BackgroundRole).isValid())
                                 continue;
                             w->TableView()->scrollTo(index);
                             r.push_back(
                                 {"doubtful reading", w->TableView()->viewport(),
                                  w->TableView()->visualRect(index).adjusted(1, 1, -1, -1)});
                         }
                     EXPECT_FALSE(r.empty()) << "no doubtful reading to measure";
                     return r;
                 }};
         }},
        {"bus scanner",
         [] {
             auto* w = new BusScannerWindow(BusScannerWindow::Hooks{});
             return Sample{[w] { delete w; }, w};
         }},
        {"bus statistics",
         [] {
             auto* w = new BusStatisticsWindow(
                 DefaultLine(),
                 [] {
                     PollWindowRequest request;
                     request.name = QStringLiteral("pump");
                     request.quantity = 10;
                     request.scanRate = 100;
                     return std::vector<PollWindowRequest>{request};
                 },
                 nullptr);
             return Sample{[w] { delete w; }, w};
         }},
        {"bus statistics, a slow window marked",
         [] {
             auto* view = new QTableView();
             auto* model = new BusStatisticsTableModel(view);
             BusStatisticsRow row;
             row.request.name = QStringLiteral("pump");
             row.request.scanRate = 100;
             row.request.polling = true;
             row.achievedPerSecond = 7.5;
             row.slow = true;
             model->SetRows({row});
             view->setModel(model);
             view->resize(900, 120);
             return Sample{[view] { delete view; }, view,
                           [view] {
                               const QModelIndex index =
                                   view->model()->index(0, BusStatistics::kAchievedColumn);
                               EXPECT_TRUE(view->model()->data(index, Qt::BackgroundRole).isValid())
                                   << "the slow window is not marked";
                               view->scrollTo(index);
                               const QModelIndex name = view->model()->index(0, 0);
                               return std::vector<Region>{
                                   {"slow rate cell", view->viewport(),
                                    view->visualRect(index).adjusted(1, 1, -1, -1)},
                                   {"window name cell", view->viewport(),
                                    view->visualRect(name).adjusted(1, 1, -1, -1)}};
                           }};
         }},
        {"device identity",
         [] {
             auto* w = new DeviceIdentityDialog(DefaultLine(), 1);
             return Sample{[w] { delete w; }, w};
         }},
        {"decode with an input error",
         [] {
             auto* w = new DecodeWindow(nullptr, {}, nullptr);
             w->SetTypedWords(QStringLiteral("FFFF zz"));
             EXPECT_FALSE(w->InputError().isEmpty());
             return Sample{[w] { delete w; }, w};
         }},
    };
}

QPalette lightPalette() {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

// A dark desktop theme of the common kind: light text on a bright selection.
QPalette brightSelectionDarkPalette() {
    QPalette p = DarkPalette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, QColor(49, 54, 59));
        p.setColor(group, QPalette::Button, QColor(49, 54, 59));
        p.setColor(group, QPalette::Base, QColor(35, 38, 41));
        for (const QPalette::ColorRole text : {QPalette::Text, QPalette::WindowText,
                                               QPalette::ButtonText, QPalette::HighlightedText})
            p.setColor(group, text, QColor(252, 252, 252));
        p.setColor(group, QPalette::Highlight, QColor(61, 174, 233));
    }
    return p;
}

class WindowContrastTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitEngine();
        InstallEnginePoster();
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }
    void TearDown() override { QApplication::setPalette(lightPalette()); }
};

TEST_F(WindowContrastTest, EveryWindowIsReadableInLightAndDarkPalettes) {
    const std::vector<std::pair<std::string, QPalette>> palettes = {
        {"light", lightPalette()},
        {"dark", DarkPalette()},
        {"dark with a bright selection", brightSelectionDarkPalette()}};
    const QString pictures = qEnvironmentVariable("ZENTIQ_CONTRAST_PNG_DIR");
    for (const auto& [paletteName, palette] : palettes) {
        for (const bool switched : {false, true}) {
            for (const auto& [windowName, make] : windowTable()) {
                const std::string what = windowName + " in the " + paletteName + " palette" +
                                         (switched ? " (switched to)" : "");
                SCOPED_TRACE(what);
                QApplication::setPalette(switched ? lightPalette() : palette);
                Sample sample = make();
                ASSERT_TRUE(sample.window);
                sample.window->show();
                if (switched)
                    QApplication::setPalette(palette);
                QApplication::processEvents();
                std::vector<Region> regions = sample.own();
                const QImage image = sample.window->grab().toImage();
                if (!pictures.isEmpty())
                    image.save(QDir(pictures).filePath(
                        QString::fromStdString(what).replace(' ', '_') + QStringLiteral(".png")));
                for (Region& r : standardRegions(sample.window))
                    regions.push_back(std::move(r));
                EXPECT_GE(regions.size(), 2u) << "nothing to measure";
                for (const Region& region : regions) {
                    ASSERT_TRUE(region.widget) << region.name;
                    const QRect inWindow(region.widget->mapTo(sample.window, region.rect.topLeft()),
                                         region.rect.size());
                    const Ink ink = measure(image, inWindow);
                    EXPECT_GE(ink.ratio, kReadableContrast)
                        << region.name << ": " << ink.ink.name().toStdString() << " on "
                        << ink.background.name().toStdString();
                }
                sample.cleanup();
            }
        }
    }
}

// The measure itself: the status band's former pure red on white, and faint
// grey text, fall short; the band's red now does not.
TEST_F(WindowContrastTest, MeasureCatchesFaintText) {
    struct Case {
        QColor text, background;
        bool readable;
    };
    for (const Case& c :
         {Case{QColor(255, 0, 0), Qt::white, false},
          Case{CZentiqView::StatusErrorColour(Qt::white), Qt::white, true},
          Case{QColor(255, 0, 0), QColor(35, 35, 35), false},
          Case{CZentiqView::StatusErrorColour(QColor(35, 35, 35)), QColor(35, 35, 35), true},
          Case{QColor(140, 140, 140), Qt::white, false},
          Case{QColor(20, 20, 20), Qt::white, true}}) {
        QImage image(300, 20, QImage::Format_RGB32);
        image.fill(c.background);
        QPainter painter(&image);
        painter.setPen(c.text);
        painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("超时错误 Timeout"));
        painter.end();
        const Ink ink = measure(image, image.rect());
        EXPECT_EQ(ink.ratio >= kReadableContrast, c.readable)
            << c.text.name().toStdString() << " on " << c.background.name().toStdString() << ": "
            << ink.ratio;
        EXPECT_NEAR(ink.ratio, ContrastRatio(c.text, c.background), 0.05)
            << "full ink pixels are found";
    }
}

// A stale value looks unlike a live one in every palette: grey ink that
// stands apart from the text colour, in italics (readable: the table above).
TEST_F(WindowContrastTest, StaleValuesAreGreyItalicAndApartFromLiveOnes) {
    for (const QPalette& palette : {lightPalette(), DarkPalette(), brightSelectionDarkPalette()}) {
        QApplication::setPalette(palette);
        testing::PollWindow w(testing::ReadDefinition(3, 0, 40));
        CGridCtrl* grid = w.view->Grid();
        fillGrid(grid);
        QApplication::processEvents();
        const QImage image = grid->viewport()->grab().toImage();
        const int row = grid->model().fixedRowCount() + 1,
                  col = grid->model().fixedColumnCount() + 1;
        const auto inkOf = [&](int r) {
            return measure(image, grid->cellRect(r, col)->adjusted(2, 2, -3, -3)).ink;
        };
        const QColor live = inkOf(row), stale = inkOf(row + 3);
        EXPECT_GE(ContrastRatio(stale, live), 1.8)
            << stale.name().toStdString() << " beside " << live.name().toStdString();
        EXPECT_LE(std::abs(stale.red() - stale.blue()) + std::abs(stale.green() - stale.blue()), 6)
            << "grey: " << stale.name().toStdString();
        CGridCellPainter painter(grid->model(), palette);
        EXPECT_TRUE(painter.cellFont(row + 3, col).italic());
        EXPECT_FALSE(painter.cellFont(row, col).italic());
    }
}

}  // namespace
}  // namespace zentiq
