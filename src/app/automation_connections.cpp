#include "app/automation_connections.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QVariantMap>

#include "app/automation_bus_object.h"
#include "app/automation_server.h"
#include "app/connection_controller.h"
#include "app/connection_set.h"

namespace zentiq {

namespace {

// One row of ListConnections: a(ss).
struct NamedState {
    QString name;
    QString state;
};

QDBusArgument& operator<<(QDBusArgument& out, const NamedState& row) {
    out.beginStructure();
    out << row.name << row.state;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, NamedState& row) {
    in.beginStructure();
    in >> row.name >> row.state;
    in.endStructure();
    return in;
}

}  // namespace

}  // namespace zentiq

Q_DECLARE_METATYPE(zentiq::NamedState)

namespace zentiq {

AutomationConnections::AutomationConnections(ConnectionSet& set, AutomationConnection::Sender send,
                                             QObject* parent)
    : QObject(parent), m_set(set), m_send(std::move(send)), m_names(Names()) {
    qDBusRegisterMetaType<NamedState>();
    qDBusRegisterMetaType<QList<NamedState>>();
    First();  // its state is announced from the start
    connect(&m_set, &ConnectionSet::changed, this, &AutomationConnections::namesChanged);
    connect(&m_set, &ConnectionSet::stateChanged, this, &AutomationConnections::stateChanged);
}

AutomationConnections::~AutomationConnections() = default;

AutomationConnection& AutomationConnections::of(ConnectionController& controller) {
    auto& object = m_objects[&controller];
    if (!object) {
        object = std::make_unique<AutomationConnection>(controller, m_send,
                                                        &controller == &m_set.At(0));
        // A removed connection takes its bus side with it (it was closed,
        // so no client waits for it).
        connect(&controller, &QObject::destroyed, this,
                [this, key = &controller] { m_objects.erase(key); });
    }
    return *object;
}

AutomationConnection& AutomationConnections::First() { return of(m_set.At(0)); }

QStringList AutomationConnections::Names() const {
    QStringList names;
    for (int i = 0; i < m_set.Count(); ++i)
        names << m_set.NameAt(i);
    return names;
}

QDBusMessage AutomationConnections::List(const QDBusMessage& call) const {
    QList<NamedState> rows;
    for (int i = 0; i < m_set.Count(); ++i)
        rows.push_back({m_set.NameAt(i), AutomationConnection::StateName(m_set.At(i).state())});
    return call.createReply(QVariant::fromValue(rows));
}

ConnectionController* AutomationConnections::named(const QDBusMessage& call,
                                                   QDBusMessage* refusal) const {
    const QString name = call.arguments().value(0).toString();
    ConnectionController* controller = m_set.Find(name);
    if (controller == nullptr)
        *refusal = call.createErrorReply(
            QLatin1String(kUnknownConnectionError),
            QStringLiteral("No connection is named \"%1\"; ListConnections gives the names")
                .arg(name));
    return controller;
}

QDBusMessage AutomationConnections::Open(const QDBusMessage& call) {
    QDBusMessage refusal;
    ConnectionController* controller = named(call, &refusal);
    return controller != nullptr
               ? of(*controller).Connect(call, call.arguments().value(0).toString())
               : refusal;
}

QDBusMessage AutomationConnections::Close(const QDBusMessage& call) {
    QDBusMessage refusal;
    ConnectionController* controller = named(call, &refusal);
    return controller != nullptr
               ? of(*controller).Disconnect(call, call.arguments().value(0).toString())
               : refusal;
}

bool AutomationConnections::ClientAwaitsOpen(const ConnectionController& controller) const {
    const auto it = m_objects.find(&controller);
    return it != m_objects.end() && it->second->ConnectPending();
}

void AutomationConnections::namesChanged() {
    const QStringList names = Names();
    if (names == m_names)
        return;  // only another connection became current
    m_names = names;
    QDBusMessage changed = QDBusMessage::createSignal(
        QLatin1String(AutomationServer::kApplicationPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    changed << QLatin1String(AutomationBusObject::kApplicationInterface)
            << QVariantMap{{QLatin1String(kNamesProperty), names}} << QStringList();
    m_send(changed);
}

void AutomationConnections::stateChanged(int index) {
    if (index < 0 || index >= m_set.Count())
        return;
    QDBusMessage own =
        QDBusMessage::createSignal(QLatin1String(AutomationServer::kApplicationPath),
                                   QLatin1String(AutomationBusObject::kApplicationInterface),
                                   QLatin1String(kStateSignal));
    own << m_set.NameAt(index) << AutomationConnection::StateName(m_set.At(index).state());
    m_send(own);
}

}  // namespace zentiq
