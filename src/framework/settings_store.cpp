#include "framework/settings_store.h"

#include <QSettings>
#include <QVariant>

namespace zentiq {

namespace {

QString& overridePath() {
    static QString path;
    return path;
}

QString keyPath(const QString& section, const QString& key) {
    return section.isEmpty() ? key : section + QLatin1Char('/') + key;
}

}  // namespace

SettingsStore::SettingsStore()
    : m_settings(overridePath().isEmpty()
                     ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                   QStringLiteral("Zentiq"),
                                                   QStringLiteral("Zentiq"))
                     : std::make_unique<QSettings>(overridePath(), QSettings::IniFormat)) {}

SettingsStore::SettingsStore(const QString& iniFilePath)
    : m_settings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

int SettingsStore::GetInt(const QString& section, const QString& key, int defaultValue) const {
    const QVariant v = m_settings->value(keyPath(section, key));
    if (!v.isValid())
        return defaultValue;
    // Values come back from the INI file as text; anything that is not a
    // plain integer (hand-edited garbage, a list) yields the default.
    if (v.typeId() == QMetaType::QStringList)
        return defaultValue;
    bool ok = false;
    const int result = v.toString().trimmed().toInt(&ok, 10);
    return ok ? result : defaultValue;
}

void SettingsStore::SetInt(const QString& section, const QString& key, int value) {
    m_settings->setValue(keyPath(section, key), value);
}

QString SettingsStore::GetString(const QString& section, const QString& key,
                                 const QString& defaultValue) const {
    const QVariant v = m_settings->value(keyPath(section, key));
    if (!v.isValid())
        return defaultValue;
    // An unquoted value with a comma is parsed as a list; join it back.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void SettingsStore::SetString(const QString& section, const QString& key, const QString& value) {
    m_settings->setValue(keyPath(section, key), value);
}

bool SettingsStore::Contains(const QString& section, const QString& key) const {
    return m_settings->contains(keyPath(section, key));
}

void SettingsStore::Sync() {
    m_settings->sync();
}

QString SettingsStore::FileName() const {
    return m_settings->fileName();
}

void SettingsStore::setFilePathOverride(const QString& iniFilePath) {
    overridePath() = iniFilePath;
}

QString SettingsStore::filePathOverride() {
    return overridePath();
}

}  // namespace zentiq
