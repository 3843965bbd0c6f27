#include "framework/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
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
// Qt's own texts (standard buttons, edit menus, file and print dialogs) in
// the current language, from the system's Qt translations.
QPointer<QTranslator> g_qtTranslator;

QString qtTranslationName(Language language) {
    return language == Language::English ? QStringLiteral("qtbase_en")
                                         : QStringLiteral("qtbase_zh_CN");
}

// Replaces Qt's translation by the one for `language`. Without the system's
// Qt translations Qt's texts stay in English, which is said once.
void applyQtTranslation(QCoreApplication* app, Language language) {
    if (!g_qtTranslator.isNull()) {
        QCoreApplication::removeTranslator(g_qtTranslator);
        delete g_qtTranslator;
    }
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(app);
    if (!translator->load(qtTranslationName(language), dir)) {
        delete translator;
        // English needs no file: Qt's texts are English already.
        static bool warned = false;
        if (language == Language::Chinese && !warned) {
            warned = true;
            qWarning("zentiq: %s",
                     qUtf8Printable(QCoreApplication::translate(
                                        "Language",
                                        "Qt 自身的文字仍为英文：缺少 %1/%2.qm（Debian 软件包 "
                                        "qt6-translations-l10n）")
                                        .arg(dir, qtTranslationName(language))));
        }
        return;
    }
    g_qtTranslator = translator;
    QCoreApplication::installTranslator(translator);
}

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
    if (!ApplyProgramLanguage(language))
        return false;
    applyQtTranslation(QCoreApplication::instance(), language);
    return true;
}

bool ApplyProgramLanguage(Language language) {
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
