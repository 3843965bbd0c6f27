// The user's connections by name, and the one that new windows and the tools
// take. The application keeps it filled; documents and windows, which live
// below the application, look their line's name and the choices up here.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace zentiq {

class ModbusLine;

class ConnectionDirectory final : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QString name;
        ModbusLine* line = nullptr;
    };

    // The newest directory becomes the active one until it goes.
    explicit ConnectionDirectory(QObject* parent = nullptr);
    ~ConnectionDirectory() override;

    // The application's directory; nullptr where none runs (tests, tools):
    // there the default line is the only connection.
    static ConnectionDirectory* Active();
    // The line a new window polls on: the active directory's current one,
    // else the default line.
    static ModbusLine& LineForNewWindow();
    // The name of `line` in the active directory; empty when it has none.
    static QString NameOfLine(const ModbusLine& line);
    // Whether the user has more than one connection, so that windows say
    // which one they are on.
    static bool SeveralConnections();

    void SetEntries(const QList<Entry>& entries, int current);
    const QList<Entry>& Entries() const { return m_entries; }
    int CurrentIndex() const { return m_current; }
    ModbusLine& CurrentLine() const;
    QString NameOf(const ModbusLine& line) const;
    // nullptr when no connection has that name.
    ModbusLine* Find(const QString& name) const;
    int IndexOf(const ModbusLine& line) const;

signals:
    // A connection came, went, was renamed, or another one became current.
    void changed();

private:
    QList<Entry> m_entries;
    int m_current = -1;
    ConnectionDirectory* m_previous = nullptr;
};

}  // namespace zentiq
