#include "framework/appearance.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <memory>

#include "framework/dark_palette.h"
#include "framework/settings_store.h"

namespace zentiq {
namespace {

const QString kSection = QStringLiteral("View");
const QString kKey = QStringLiteral("Appearance");

struct Original {
    QString styleName;
    QPalette palette;
};

// The desktop's style and palette, as they were before this program chose
// its own for the first time.
const Original& original() {
    static const Original o{QApplication::style()->name(), QApplication::palette()};
    return o;
}

Appearance g_current = Appearance::System;

void setFusion(const QPalette& palette) {
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
            QApplication::setStyle(fusion);
    QApplication::setPalette(palette);
}

}  // namespace

QString AppearanceCode(Appearance appearance) {
    switch (appearance) {
    case Appearance::Light: return QStringLiteral("light");
    case Appearance::Dark: return QStringLiteral("dark");
    case Appearance::System: break;
    }
    return QStringLiteral("system");
}

std::optional<Appearance> AppearanceFromCode(const QString& code) {
    const QString c = code.trimmed().toLower();
    for (Appearance a : {Appearance::System, Appearance::Light, Appearance::Dark})
        if (c == AppearanceCode(a))
            return a;
    return std::nullopt;
}

Appearance StoredAppearance(const SettingsStore& store) {
    return AppearanceFromCode(store.GetString(kSection, kKey, QString()))
        .value_or(Appearance::System);
}

void StoreAppearance(SettingsStore& store, Appearance appearance) {
    store.SetString(kSection, kKey, AppearanceCode(appearance));
}

void ApplyAppearance(Appearance appearance) {
    const Original& o = original();  // taken before the first change
    switch (appearance) {
    case Appearance::Light: {
        std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        setFusion(fusion ? fusion->standardPalette() : o.palette);
        break;
    }
    case Appearance::Dark: setFusion(DarkPalette()); break;
    case Appearance::System:
        if (g_current != Appearance::System) {
            if (QStyle* style = QStyleFactory::create(o.styleName))
                QApplication::setStyle(style);
            QApplication::setPalette(o.palette);
        }
        break;
    }
    g_current = appearance;
}

Appearance CurrentAppearance() { return g_current; }

}  // namespace zentiq
