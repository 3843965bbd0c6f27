// The user's named connections: each one a line of its own with its
// controller. The first is the program's connection of old (its settings in
// "CommSetup", its line the engine's default one); further ones are added by
// the user or a workspace. At most kMaxOpen are open at once. The one marked
// current is what Connect, Quick Connect, Disconnect, new windows and the
// tools act on.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

#include "engine/engine_types.h"
#include "framework/connection_directory.h"

namespace zentiq {

class ConnectionController;
class ModbusLine;
class SettingsStore;

class ConnectionSet final : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxOpen = 8;
    static constexpr int kMaxConnections = 16;
    // Longer names would not fit the menu or a window's title.
    static constexpr int kMaxNameChars = 40;

    // Reads the named connections the store keeps; the first always exists.
    explicit ConnectionSet(SettingsStore& store, QObject* parent = nullptr);
    ~ConnectionSet() override;

    int Count() const { return int(m_entries.size()); }
    ConnectionController& At(int index) const;
    QString NameAt(int index) const;
    // -1 when there is no such connection.
    int IndexOf(const QString& name) const;
    int IndexOfLine(const ModbusLine& line) const;
    ConnectionController* Find(const QString& name) const;

    int CurrentIndex() const { return m_current; }
    ConnectionController& Current() const { return At(m_current); }
    void SetCurrent(int index);
    int OpenCount() const;

    // Why `name` cannot name a new connection or `index` after renaming;
    // empty when it can.
    QString NameRefusal(const QString& name, int index = -1) const;
    // A free name: "连接 2", "连接 3", ...
    QString ProposedName() const;
    // Adds a closed connection; its index, or -1 with the reason in *why.
    // `keep`: the store keeps it for the next start (a workspace's own
    // connections are not kept, as its settings are not).
    int Add(const QString& name, const ConnectionSettings& settings, QString* why = nullptr,
            bool keep = true);
    bool Rename(int index, const QString& name, QString* why = nullptr);
    // Removes a connection that is not the first and not open; the caller
    // has moved its windows away. Stored connections after it move up.
    bool Remove(int index, QString* why = nullptr);
    // "连接 2 — 已连接 (127.0.0.3: 502)": the menu's entry for a connection.
    QString MenuText(int index) const;
    // The status bar's connection pane: the current connection's text, after
    // its name once there are several.
    QString PaneText() const;

    // The interface's language changed: the first connection's default name
    // with it.
    void LanguageChanged();

    // Closes every open connection (a workspace is being opened).
    void DisconnectAll();

    // The controllers' commands and the connection menu act on this set.
    ConnectionDirectory& Directory() { return m_directory; }
    // Stops every worker and closes every line, at the end of the program.
    void ShutdownAll();

signals:
    // A connection came, went or was renamed, or another became current.
    void changed();
    // A connection opened, closed or failed: the menu and the panes follow.
    void stateChanged(int index);
    // A connection was added: the application gives it its dialog and boxes.
    void added(zentiq::ConnectionController& controller);

private:
    struct Entry;
    int addEntry(const QString& name, std::unique_ptr<ModbusLine> line, const QString& section);
    void publish();
    void storeNames();
    QString sectionFor(int index) const;

    SettingsStore& m_store;
    std::vector<std::unique_ptr<Entry>> m_entries;
    int m_current = 0;
    ConnectionDirectory m_directory;
};

}  // namespace zentiq
