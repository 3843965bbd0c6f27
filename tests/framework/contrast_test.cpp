// Contrast of colour pairs, the nearest readable colour of a hue, and the
// program's dark palette: every text role readable on its background.
#include <gtest/gtest.h>

#include <QColor>
#include <QPalette>

#include "framework/contrast.h"
#include "framework/dark_palette.h"

namespace zentiq {
namespace {

std::string name(const QColor& c) { return c.name().toStdString(); }

TEST(ContrastTest, RatiosOfKnownPairs) {
    struct Pair {
        QColor a, b;
        double ratio;
    };
    // Reference figures of the WCAG formula.
    for (const Pair& p : {Pair{Qt::black, Qt::white, 21.0}, Pair{Qt::white, Qt::white, 1.0},
                          Pair{QColor(255, 0, 0), Qt::white, 4.00},
                          Pair{QColor(0x76, 0x76, 0x76), Qt::white, 4.54},
                          Pair{QColor(0x77, 0x77, 0x77), Qt::white, 4.48},
                          Pair{QColor(0, 0, 255), Qt::black, 2.44},
                          Pair{QColor(0, 128, 0), Qt::white, 5.14}}) {
        EXPECT_NEAR(ContrastRatio(p.a, p.b), p.ratio, 0.01) << name(p.a) << " on " << name(p.b);
        EXPECT_DOUBLE_EQ(ContrastRatio(p.a, p.b), ContrastRatio(p.b, p.a));
    }
    struct Lightness {
        QColor colour;
        bool light;
    };
    for (const Lightness& l : {Lightness{Qt::white, true}, Lightness{QColor(240, 240, 240), true},
                               Lightness{QColor(53, 53, 53), false}, Lightness{Qt::black, false},
                               Lightness{QColor(255, 0, 0), true}, Lightness{QColor(0, 0, 255), false}})
        EXPECT_EQ(IsLightColour(l.colour), l.light) << name(l.colour);
}

TEST(ContrastTest, ReadableOnMovesAHueJustFarEnough) {
    struct Case {
        QColor colour, background;
        bool darker;   // the result is darker than `colour`
        bool changed;  // `colour` does not already reach 4.5
    };
    for (const Case& c : {
             Case{QColor(255, 0, 0), Qt::white, true, true},             // the status red on white
             Case{QColor(255, 0, 0), QColor(35, 35, 35), false, true},   // on a dark band
             Case{QColor(255, 0, 0), QColor(240, 240, 240), true, true},  // on a window grey
             Case{QColor(48, 140, 198), Qt::white, true, true},          // a selection under white text
             Case{QColor(128, 128, 128), QColor(128, 128, 128), true, true},  // no contrast at all
             Case{QColor(200, 200, 200), QColor(60, 60, 60), false, false},
             Case{QColor(0, 0, 0), Qt::white, false, false},
         }) {
        const QColor r = ReadableOn(c.colour, c.background);
        const std::string what = name(c.colour) + " on " + name(c.background) + " -> " + name(r);
        EXPECT_GE(ContrastRatio(r, c.background), kReadableContrast) << what;
        if (!c.changed) {
            EXPECT_EQ(r, c.colour) << what;
            continue;
        }
        // Just far enough: a little less of the move would not do.
        EXPECT_LT(ContrastRatio(r, c.background), kReadableContrast + 0.15) << what;
        EXPECT_EQ(RelativeLuminance(r) < RelativeLuminance(c.colour), c.darker) << what;
        if (c.colour.hslSaturation() > 0) {
            EXPECT_NEAR(r.toHsl().hslHue(), c.colour.toHsl().hslHue(), 2) << what;
        }
    }
    // Any pair reaches 4.5: black or white always do.
    for (int grey = 0; grey <= 255; grey += 5) {
        const QColor background(grey, grey, grey);
        for (const QColor& colour : {QColor(grey, grey, grey), QColor(255, 0, 0), QColor(0, 0, 255)})
            EXPECT_GE(ContrastRatio(ReadableOn(colour, background), background), kReadableContrast)
                << name(colour) << " on " << name(background);
    }
    EXPECT_FALSE(ReadableOn(QColor(), Qt::white).isValid());
}

TEST(ContrastTest, DarkPaletteTextRolesAreReadableOnTheirBackgrounds) {
    const QPalette p = DarkPalette();
    EXPECT_FALSE(IsLightColour(p.color(QPalette::Window)));
    struct Pair {
        QPalette::ColorRole text, background;
    };
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (const Pair& pair : {Pair{QPalette::WindowText, QPalette::Window},
                                 Pair{QPalette::Text, QPalette::Base},
                                 Pair{QPalette::Text, QPalette::AlternateBase},
                                 Pair{QPalette::ButtonText, QPalette::Button},
                                 Pair{QPalette::HighlightedText, QPalette::Highlight},
                                 Pair{QPalette::ToolTipText, QPalette::ToolTipBase},
                                 Pair{QPalette::Link, QPalette::Base},
                                 Pair{QPalette::BrightText, QPalette::Window}})
            EXPECT_GE(ContrastRatio(p.color(group, pair.text), p.color(group, pair.background)),
                      kReadableContrast)
                << group << ": role " << pair.text << " on role " << pair.background;
    }
}

}  // namespace
}  // namespace zentiq
