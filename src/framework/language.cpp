#include "framework/language.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

#include "framework/settings_store.h"

namespace zentiq {
namespace {

const QString kSection = QStringLiteral("View");
const QString kKey = QStringLiteral("Language");
// Built from src/resources/translations by lrelease and linked in.
const QString kEnglishTranslation = QStringLiteral(":/i18n/zentiq_en.qm");

QPointer<QTranslator> g_translator;
bool g_installed = false;  // g_translator is among the application's translators
Language g_current = Language::Chinese;

}  // namespace

QString LanguageCode(Language language) {
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("zh");
}

std::optional<Language> LanguageFromCode(const QString& code) {
    const QString c = code.trimmed().toLower();
    if (c == QLatin1String("zh"))
        return Language::Chinese;
    if (c == QLatin1String("en"))
        return Language::English;
    return std::nullopt;
}

Language StoredLanguage(const SettingsStore& store) {
    return LanguageFromCode(store.GetString(kSection, kKey, QString())).value_or(Language::Chinese);
}

void StoreLanguage(SettingsStore& store, Language language) {
    store.SetString(kSection, kKey, LanguageCode(language));
}

bool ApplyLanguage(Language language) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return false;
    if (language == Language::English) {
        if (g_translator.isNull()) {
            auto* translator = new QTranslator(app);
            if (!translator->load(kEnglishTranslation)) {
                delete translator;
                return false;
            }
            g_translator = translator;
            g_installed = false;
        }
        // Each install or removal makes every widget translate itself again.
        if (!g_installed)
            g_installed = QCoreApplication::installTranslator(g_translator);
    } else if (!g_translator.isNull() && g_installed) {
        QCoreApplication::removeTranslator(g_translator);
        g_installed = false;
    }
    g_current = language;
    return true;
}

Language CurrentLanguage() { return g_current; }

}  // namespace zentiq
