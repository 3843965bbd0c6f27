// One connection as automation clients see it on /Zentiq: Connect and
// Disconnect of Zentiq.Application for the first connection (its state the
// property ConnectionState, whose changes go out as PropertiesChanged and as
// ConnectionStateChanged), OpenConnection and CloseConnection for any
// connection by name. A client's open is answered when the attempt has ended
// (a Modbus/TCP host may take its time), with the failure as a D-Bus error
// instead of the message box the user would get.
#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <functional>

#include "app/connection_controller.h"

namespace zentiq {

class AutomationConnection : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kStateProperty = "ConnectionState";
    static constexpr const char* kStateSignal = "ConnectionStateChanged";
    // Errors of Connect and Disconnect.
    static constexpr const char* kAlreadyConnectedError = "Zentiq.Error.AlreadyConnected";
    static constexpr const char* kNotConnectedError = "Zentiq.Error.NotConnected";
    static constexpr const char* kBusyError = "Zentiq.Error.Busy";
    static constexpr const char* kConnectFailedError = "Zentiq.Error.ConnectFailed";

    // `send` puts a message on the bus (replies that come later, signals).
    using Sender = std::function<void(const QDBusMessage& message)>;
    // `announcesState`: this is the first connection, whose state changes go
    // out as ConnectionState's.
    AutomationConnection(ConnectionController& connection, Sender send, bool announcesState,
                         QObject* parent = nullptr);
    // A client still waiting for its Connect is told that the program ends.
    ~AutomationConnection() override;

    // "Unconnected", "Connecting", "Connected" or "Closing".
    static QString StateName(ConnectionController::State state);
    QString StateName() const { return StateName(m_connection.state()); }

    // The answer to Connect, or an invalid message when it comes later
    // (through the sender). `name`: the connection as the client named it
    // (OpenConnection, CloseConnection); empty for Connect and Disconnect.
    QDBusMessage Connect(const QDBusMessage& call, const QString& name = {});
    QDBusMessage Disconnect(const QDBusMessage& call, const QString& name = {});
    // While a client's Connect waits: a failure is the client's to hear,
    // not the user's.
    bool ConnectPending() const { return m_pending.type() == QDBusMessage::MethodCallMessage; }

private:
    void stateChanged(ConnectionController::State state);
    void answerPending(const QDBusMessage& reply);

    ConnectionController& m_connection;
    Sender m_send;
    const bool m_announcesState;
    QDBusMessage m_pending;  // the Connect call waiting for its end
};

}  // namespace zentiq
