// The per-user settings store: integers and strings by section and key, with
// a default on every read. Backed by an INI file
// ($XDG_CONFIG_HOME/Zentiq/Zentiq.ini unless redirected for tests).
//
// Sections are INI groups and keys are used as named. A key that contains a
// slash, such as "RTU/ASCII" in section "CommSetup", is kept by QSettings as a
// sub-key and appears in the file as
//     [CommSetup]
//     RTU\ASCII=0
// which reads back under the same name; no other key of the program clashes
// with it. A backslash in a name is treated the same way by QSettings.
#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace zentiq {

class SettingsStore {
public:
    // The application's store, or the file set by setFilePathOverride().
    SettingsStore();
    // A store backed by the given INI file.
    explicit SettingsStore(const QString& iniFilePath);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // An integer, or `defaultValue` when the key is missing or does not hold
    // a decimal integer that fits in an int.
    int GetInt(const QString& section, const QString& key, int defaultValue) const;
    void SetInt(const QString& section, const QString& key, int value);
    QString GetString(const QString& section, const QString& key,
                      const QString& defaultValue) const;
    void SetString(const QString& section, const QString& key, const QString& value);

    bool Contains(const QString& section, const QString& key) const;
    // Writes pending changes to disk (they are also written on destruction).
    // A store that cannot be written (read-only file, a folder in its place)
    // is reported once, until a write succeeds.
    void Sync();
    QString FileName() const;

    // Redirects every default-constructed store to this INI file (tests run
    // against a temporary folder). An empty path restores the normal location.
    static void setFilePathOverride(const QString& iniFilePath);
    static QString filePathOverride();

    // A store that could not be written is shown as a warning once control
    // is back in the event loop (stores are often written from
    // destructors), at once when no loop runs (any more).
    static QString WriteFailureText(const QString& fileName);
    // How that warning reaches the user. Said on stderr unless the program
    // links the dialogs' user interaction, which makes it a message box
    // (user_interaction.cpp): a program without windows links no widget
    // library for it. Returns the reporter it replaces.
    using WriteFailureReporter = void (*)(const QString& text);
    static WriteFailureReporter SetWriteFailureReporter(WriteFailureReporter reporter);

private:
    void writeAndCheck();

    std::unique_ptr<QSettings> m_settings;
    bool m_changed = false;
};

}  // namespace zentiq
