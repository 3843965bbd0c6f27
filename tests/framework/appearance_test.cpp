// The appearance choice without a window: its codes, the stored value, and
// what each choice does to the application's style and palette.
#include "framework/appearance.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "framework/dark_palette.h"
#include "framework/settings_store.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

TEST(AppearanceTest, CodesAndTheStoredChoice) {
    struct Code {
        const char* text;
        std::optional<Appearance> appearance;
    };
    for (const Code& c : {Code{"system", Appearance::System}, Code{"light", Appearance::Light},
                          Code{" Dark ", Appearance::Dark}, Code{"", std::nullopt}, Code{"black", std::nullopt},
                          Code{"1", std::nullopt}}) {
        EXPECT_EQ(AppearanceFromCode(QString::fromLatin1(c.text)), c.appearance) << c.text;
        if (c.appearance) {
            EXPECT_EQ(AppearanceFromCode(AppearanceCode(*c.appearance)), c.appearance);
        }
    }
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("z.ini"));
    EXPECT_EQ(StoredAppearance(store), Appearance::System) << "the default";
    for (Appearance a : {Appearance::Dark, Appearance::Light, Appearance::System}) {
        StoreAppearance(store, a);
        EXPECT_EQ(StoredAppearance(store), a);
    }
    EXPECT_EQ(store.GetString("View", "Appearance", ""), "system");
    store.SetString("View", "Appearance", "sepia");
    EXPECT_EQ(StoredAppearance(store), Appearance::System);
}

TEST(AppearanceTest, EachChoiceSetsStyleAndPaletteAndSystemBringsTheDesktopsBack) {
    zentiq::testing::EnsureQApplication();
    // A desktop of unusual colours and another style than Fusion, so that
    // what System brings back cannot be mistaken for Light.
    ASSERT_TRUE(QStyleFactory::keys().contains("Windows"));
    QApplication::setStyle(QStyleFactory::create("Windows"));
    QPalette desktop = QApplication::palette();
    desktop.setColor(QPalette::Window, QColor(20, 90, 40));
    desktop.setColor(QPalette::WindowText, QColor(250, 250, 200));
    QApplication::setPalette(desktop);

    struct Step {
        Appearance appearance;
        const char* style;
        QColor window;  // invalid: lighter than mid grey
    };
    const Step steps[] = {
        {Appearance::Dark, "fusion", DarkPalette().color(QPalette::Window)},
        {Appearance::Light, "fusion", QColor()},
        {Appearance::System, "windows", QColor(20, 90, 40)},
        {Appearance::Light, "fusion", QColor()},
        {Appearance::Dark, "fusion", DarkPalette().color(QPalette::Window)},
        {Appearance::System, "windows", QColor(20, 90, 40)},
        {Appearance::System, "windows", QColor(20, 90, 40)},
    };
    int n = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(++n);
        ApplyAppearance(s.appearance);
        EXPECT_EQ(CurrentAppearance(), s.appearance);
        EXPECT_EQ(QApplication::style()->name().toLower(), s.style);
        const QPalette p = QApplication::palette();
        if (s.window.isValid()) {
            EXPECT_EQ(p.color(QPalette::Window), s.window);
        } else {
            EXPECT_GT(p.color(QPalette::Window).lightness(), 180);
            EXPECT_LT(p.color(QPalette::WindowText).lightness(), 80);
        }
    }
    EXPECT_EQ(QApplication::palette().color(QPalette::WindowText), QColor(250, 250, 200));
}

}  // namespace
}  // namespace zentiq
