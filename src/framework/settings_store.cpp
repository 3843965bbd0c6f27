#include "framework/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QThread>
#include <QVariant>
#include <QtGlobal>
#include <cstdio>
#include <utility>

namespace zentiq {

namespace {

QString& overridePath() {
    static QString path;
    return path;
}

// Set while a failure has been reported and no write has succeeded since:
// every store of the process shares the file, one message is enough.
bool g_failureReported = false;

void sayOnStderr(const QString& text) {
    std::fprintf(stderr, "zentiq: %s\n", qUtf8Printable(text));
    std::fflush(stderr);
}

SettingsStore::WriteFailureReporter g_reporter = &sayOnStderr;

void reportWriteFailure(const QString& text) {
    // Outside the event loop (the program is ending) nothing queued would
    // ever run: say it now.
    if (QThread::currentThread()->loopLevel() == 0) {
        g_reporter(text);
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [text] { g_reporter(text); }, Qt::QueuedConnection);
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

SettingsStore::~SettingsStore() {
    if (m_changed)
        writeAndCheck();
}

void SettingsStore::writeAndCheck() {
    m_settings->sync();
    m_changed = false;
    if (m_settings->status() == QSettings::NoError) {
        g_failureReported = false;
        return;
    }
    if (g_failureReported)
        return;
    g_failureReported = true;
    reportWriteFailure(WriteFailureText(m_settings->fileName()));
}

SettingsStore::WriteFailureReporter SettingsStore::SetWriteFailureReporter(
    WriteFailureReporter reporter) {
    return std::exchange(g_reporter, reporter != nullptr ? reporter : &sayOnStderr);
}

QString SettingsStore::WriteFailureText(const QString& fileName) {
    return QCoreApplication::translate("SettingsStore",
                                       "设置无法写入 %1，本次的更改在程序结束后会丢失。")
        .arg(QDir::toNativeSeparators(fileName));
}

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
    m_changed = true;
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
    m_changed = true;
}

bool SettingsStore::Contains(const QString& section, const QString& key) const {
    return m_settings->contains(keyPath(section, key));
}

void SettingsStore::Sync() { writeAndCheck(); }

QString SettingsStore::FileName() const { return m_settings->fileName(); }

void SettingsStore::setFilePathOverride(const QString& iniFilePath) {
    overridePath() = iniFilePath;
}

QString SettingsStore::filePathOverride() { return overridePath(); }

}  // namespace zentiq
