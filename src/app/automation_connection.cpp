#include "app/automation_connection.h"

#include <QMetaEnum>
#include <QVariantMap>

#include "app/automation_bus_object.h"
#include "app/automation_server.h"

namespace zentiq {

AutomationConnection::AutomationConnection(ConnectionController& connection, Sender send,
                                           bool announcesState, QObject* parent)
    : QObject(parent),
      m_connection(connection),
      m_send(std::move(send)),
      m_announcesState(announcesState) {
    connect(&m_connection, &ConnectionController::stateChanged, this,
            &AutomationConnection::stateChanged);
    connect(&m_connection, &ConnectionController::connectFailed, this,
            [this](const QString& message) {
                if (ConnectPending())
                    answerPending(m_pending.createErrorReply(
                        QLatin1String(kConnectFailedError), message));
            });
}

AutomationConnection::~AutomationConnection() {
    if (ConnectPending())
        answerPending(m_pending.createErrorReply(QLatin1String(kConnectFailedError),
                                                 QStringLiteral("Zentiq is ending")));
}

QString AutomationConnection::StateName(ConnectionController::State state) {
    return QString::fromLatin1(
        QMetaEnum::fromType<ConnectionController::State>().valueToKey(static_cast<int>(state)));
}

namespace {

// "The connection" of Connect and Disconnect, or the one the client named.
QString subject(const QString& name) {
    return name.isEmpty() ? QStringLiteral("The connection")
                          : QStringLiteral("Connection \"%1\"").arg(name);
}

}  // namespace

QDBusMessage AutomationConnection::Connect(const QDBusMessage& call, const QString& name) {
    switch (m_connection.state()) {
    case ConnectionController::State::Connected:
        return call.createErrorReply(
            QLatin1String(kAlreadyConnectedError),
            QStringLiteral("%1 is open already (%2); %3 first")
                .arg(subject(name), m_connection.PaneText(),
                     name.isEmpty() ? QStringLiteral("Disconnect")
                                    : QStringLiteral("CloseConnection")));
    case ConnectionController::State::Connecting:
    case ConnectionController::State::Closing:
        return call.createErrorReply(
            QLatin1String(kBusyError),
            QStringLiteral("%1 is %2; try again when it is Connected or Unconnected")
                .arg(subject(name), StateName().toLower()));
    case ConnectionController::State::Unconnected: break;
    }
    // The settings the connection dialog stored, as F5 uses them. Serial
    // lines and refused hosts answer at once, other hosts later.
    m_pending = call;
    m_connection.Connect(false);
    if (ConnectPending() && m_connection.state() == ConnectionController::State::Unconnected)
        answerPending(call.createErrorReply(QLatin1String(kConnectFailedError),
                                            QStringLiteral("%1 did not open").arg(subject(name))));
    return QDBusMessage();
}

QDBusMessage AutomationConnection::Disconnect(const QDBusMessage& call, const QString& name) {
    const ConnectionController::State state = m_connection.state();
    if (state == ConnectionController::State::Unconnected ||
        state == ConnectionController::State::Closing)
        return call.createErrorReply(QLatin1String(kNotConnectedError),
                                     QStringLiteral("%1 is not open").arg(subject(name)));
    // A connect that waits for its host is given up.
    m_connection.Disconnect();
    return call.createReply();
}

void AutomationConnection::stateChanged(ConnectionController::State state) {
    if (m_announcesState) {
        const QString name = StateName(state);
        const QString path = QLatin1String(AutomationServer::kApplicationPath);
        const QString iface = QLatin1String(AutomationBusObject::kApplicationInterface);
        QDBusMessage changed = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        changed << iface << QVariantMap{{QLatin1String(kStateProperty), name}} << QStringList();
        m_send(changed);
        QDBusMessage own = QDBusMessage::createSignal(path, iface, QLatin1String(kStateSignal));
        own << name;
        m_send(own);
    }
    if (!ConnectPending())
        return;
    if (state == ConnectionController::State::Connected)
        answerPending(m_pending.createReply());
    else if (state == ConnectionController::State::Closing)
        answerPending(m_pending.createErrorReply(
            QLatin1String(kConnectFailedError),
            QStringLiteral("The connect was given up before the host answered")));
    // Unconnected after a failure: connectFailed follows with the reason.
}

void AutomationConnection::answerPending(const QDBusMessage& reply) {
    const bool wanted = m_pending.isReplyRequired();
    m_pending = QDBusMessage();
    if (wanted)
        m_send(reply);
}

}  // namespace zentiq
