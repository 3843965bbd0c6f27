// The interface language. The texts in the sources are Chinese; English is a
// translation built into the program (Qt's translation files). The choice is
// kept in the settings store and applied to the running program at once.
#pragma once

#include <QString>
#include <optional>

namespace zentiq {

class SettingsStore;

enum class Language { Chinese, English };

// "zh" or "en".
QString LanguageCode(Language language);
// The language a code names ("zh", "en"; case and surrounding blanks do not
// matter); none for anything else.
std::optional<Language> LanguageFromCode(const QString& code);

// The stored choice ("View"/"Language"); Chinese when none or an unknown one
// is stored.
Language StoredLanguage(const SettingsStore& store);
void StoreLanguage(SettingsStore& store, Language language);

// Makes `language` the interface language: installs the English translation
// or removes it, and Qt's own translation for the language, so every widget
// gets a LanguageChange event. False, with the interface unchanged, when the
// program's translation cannot be loaded (a missing Qt translation leaves
// Qt's texts in English and is not a failure).
bool ApplyLanguage(Language language);
// Only the program's own texts in `language`, not Qt's: for the answers on
// the command line and the headless logger, which show none of Qt's texts
// and must not say that Qt's are missing.
bool ApplyProgramLanguage(Language language);
Language CurrentLanguage();

}  // namespace zentiq
