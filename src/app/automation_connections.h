// The user's named connections as automation clients see them on /Zentiq:
// the property Connections (their names, in the order of the connection
// menu), ListConnections (each name with its state), OpenConnection and
// CloseConnection by name, and NamedConnectionStateChanged whenever one of
// them changes state. Connect, Disconnect and ConnectionState stay with the
// first connection, whatever the current one is.
#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <map>
#include <memory>

#include "app/automation_connection.h"

namespace zentiq {

class ConnectionController;
class ConnectionSet;

class AutomationConnections : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kNamesProperty = "Connections";
    static constexpr const char* kListMethod = "ListConnections";
    static constexpr const char* kOpenMethod = "OpenConnection";
    static constexpr const char* kCloseMethod = "CloseConnection";
    static constexpr const char* kStateSignal = "NamedConnectionStateChanged";
    static constexpr const char* kUnknownConnectionError = "Zentiq.Error.UnknownConnection";

    AutomationConnections(ConnectionSet& set, AutomationConnection::Sender send,
                          QObject* parent = nullptr);
    ~AutomationConnections() override;

    // Connect, Disconnect and ConnectionState.
    AutomationConnection& First();

    QStringList Names() const;
    // The answers to ListConnections, OpenConnection (invalid when it comes
    // later) and CloseConnection; the caller has checked the signatures.
    QDBusMessage List(const QDBusMessage& call) const;
    QDBusMessage Open(const QDBusMessage& call);
    QDBusMessage Close(const QDBusMessage& call);
    // Whether a client waits for `controller` to open: its failure is the
    // client's to hear, not the user's.
    bool ClientAwaitsOpen(const ConnectionController& controller) const;

private:
    // The bus side of `controller`, made when first needed and dropped with it.
    AutomationConnection& of(ConnectionController& controller);
    // The connection a call names, or nullptr after putting the refusal in *refusal.
    ConnectionController* named(const QDBusMessage& call, QDBusMessage* refusal) const;
    void namesChanged();
    void stateChanged(int index);

    ConnectionSet& m_set;
    AutomationConnection::Sender m_send;
    std::map<const ConnectionController*, std::unique_ptr<AutomationConnection>> m_objects;
    QStringList m_names;  // as last announced
};

}  // namespace zentiq
