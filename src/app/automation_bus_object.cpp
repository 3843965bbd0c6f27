#include "app/automation_bus_object.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QHash>
#include <QStringView>
#include <algorithm>

#include "app/automation_arguments.h"
#include "app/automation_bus_state.h"
#include "app/automation_connection.h"
#include "app/automation_connections.h"
#include "app/instance_hand_over.h"
#include "app/automation_server.h"
#include "documents/polled_values_copy.h"
#include "documents/zentiq_doc_automation.h"

namespace zentiq {

namespace {

using Kind = AutomationMember::Kind;

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectableInterface = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString kPeerInterface = QStringLiteral("org.freedesktop.DBus.Peer");
const QString kRelease = QStringLiteral("Release");

// Where a path points.
struct Target {
    enum Kind { None, Application, Documents, Document } kind = None;
    int id = 0;
};

// The id of "<documents path>/<id>" as the server spells it ("7", never
// "07", "+7" or "-7"), 0 for anything else. Called for every call: no
// allocation, the digits are read in place.
int documentIdOf(QStringView tail) {
    if (tail.isEmpty() || tail.size() > 9 || tail.front() < u'1' || tail.front() > u'9')
        return 0;
    int id = 0;
    for (const QChar c : tail) {
        if (c < u'0' || c > u'9')
            return 0;
        id = id * 10 + (c.unicode() - u'0');
    }
    return id;
}

Target targetOf(const QString& path) {
    static constexpr QLatin1StringView app{AutomationServer::kApplicationPath};
    static constexpr QLatin1StringView docs{AutomationServer::kDocumentsPath};
    if (path == app)
        return {Target::Application, 0};
    if (path == docs)
        return {Target::Documents, 0};
    if (path.size() <= docs.size() + 1 || !path.startsWith(docs) || path.at(docs.size()) != u'/')
        return {};
    const int id = documentIdOf(QStringView(path).sliced(docs.size() + 1));
    if (id == 0)
        return {};
    return {Target::Document, id};
}

// The document's methods and properties by name, built once: a call looks
// its member up in the table instead of comparing names one by one.
const QHash<QString, const AutomationMember*>& membersByName() {
    static const QHash<QString, const AutomationMember*> table = [] {
        QHash<QString, const AutomationMember*> t;
        for (const AutomationMember& m : CZentiqDocAutomation::Members())
            t.insert(QString::fromLatin1(m.name), &m);
        return t;
    }();
    return table;
}

const AutomationMember* memberNamed(const QString& name) { return membersByName().value(name, nullptr); }

QString typeOfProperty(const AutomationMember& m) { return QString::fromLatin1(m.in); }

bool isProperty(const AutomationMember& m) { return m.kind != Kind::Method; }

// The D-Bus type of a value that came inside a variant.
QString signatureOf(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Short: return QStringLiteral("n");
    case QMetaType::Int: return QStringLiteral("i");
    case QMetaType::Double: return QStringLiteral("d");
    case QMetaType::Bool: return QStringLiteral("b");
    case QMetaType::QString: return QStringLiteral("s");
    default: return QString();
    }
}

QDBusMessage invalidArgs(const QDBusMessage& m, const QString& text) {
    return m.createErrorReply(QDBusError::InvalidArgs, text);
}

QDBusMessage noDocument(const QDBusMessage& m) {
    return m.createErrorReply(
        QString::fromLatin1(AutomationBusObject::kNoDocumentError),
        QStringLiteral(
            "No document at %1: it was released, its client left the bus or it was closed")
            .arg(m.path()));
}

QDBusMessage notYours(const QDBusMessage& m) {
    return m.createErrorReply(
        QDBusError::AccessDenied,
        QStringLiteral("%1 belongs to the connection that created it with CreateDocument; "
                       "CreateDetachedDocument makes a document every client may use")
            .arg(m.path()));
}

QDBusMessage unknownMethod(const QDBusMessage& m) {
    return m.createErrorReply(QDBusError::UnknownMethod,
                              QStringLiteral("No method %1(%2) in interface %3 at %4")
                                  .arg(m.member(), m.signature(), m.interface(), m.path()));
}

}  // namespace

AutomationBusObject::AutomationBusObject(std::shared_ptr<AutomationBusState> state)
    : m_state(std::move(state)) {}

// ---- introspection ----------------------------------------------------------------------

QString AutomationBusObject::ApplicationInterfaceXml() {
    return QStringLiteral(
               "  <interface name=\"%1\">\n"
               "    <method name=\"CreateDocument\">\n"
               "      <arg name=\"document\" type=\"o\" direction=\"out\"/>\n"
               "    </method>\n"
               "    <method name=\"CreateDetachedDocument\">\n"
               "      <arg name=\"document\" type=\"o\" direction=\"out\"/>\n"
               "    </method>\n"
               "    <method name=\"Connect\"/>\n"
               "    <method name=\"Disconnect\"/>\n"
               "    <method name=\"%2\">\n"
               "      <arg name=\"files\" type=\"as\" direction=\"in\"/>\n"
               "      <arg name=\"options\" type=\"a{sv}\" direction=\"in\"/>\n"
               "    </method>\n"
               "    <property name=\"%3\" type=\"s\" access=\"read\">\n"
               "      <annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" "
               "value=\"true\"/>\n"
               "    </property>\n"
               "    <signal name=\"%4\">\n"
               "      <arg name=\"state\" type=\"s\"/>\n"
               "    </signal>\n"
               "    <method name=\"%5\">\n"
               "      <arg name=\"connections\" type=\"a(ss)\" direction=\"out\"/>\n"
               "    </method>\n"
               "    <method name=\"%6\">\n"
               "      <arg name=\"name\" type=\"s\" direction=\"in\"/>\n"
               "    </method>\n"
               "    <method name=\"%7\">\n"
               "      <arg name=\"name\" type=\"s\" direction=\"in\"/>\n"
               "    </method>\n"
               "    <property name=\"%8\" type=\"as\" access=\"read\">\n"
               "      <annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" "
               "value=\"true\"/>\n"
               "    </property>\n"
               "    <signal name=\"%9\">\n"
               "      <arg name=\"name\" type=\"s\"/>\n"
               "      <arg name=\"state\" type=\"s\"/>\n"
               "    </signal>\n"
               "  </interface>\n")
        .arg(QLatin1String(kApplicationInterface), QLatin1String(instance_hand_over::kMethod),
             QLatin1String(AutomationConnection::kStateProperty),
             QLatin1String(AutomationConnection::kStateSignal),
             QLatin1String(AutomationConnections::kListMethod),
             QLatin1String(AutomationConnections::kOpenMethod),
             QLatin1String(AutomationConnections::kCloseMethod),
             QLatin1String(AutomationConnections::kNamesProperty),
             QLatin1String(AutomationConnections::kStateSignal));
}

QString AutomationBusObject::DocumentInterfaceXml() {
    QString xml =
        QStringLiteral("  <interface name=\"%1\">\n").arg(QLatin1String(kDocumentInterface));
    for (const AutomationMember& m : CZentiqDocAutomation::Members()) {
        if (isProperty(m)) {
            xml += QStringLiteral("    <property name=\"%1\" type=\"%2\" access=\"%3\"/>\n")
                       .arg(QLatin1String(m.name), typeOfProperty(m),
                            m.kind == Kind::Property ? QStringLiteral("readwrite")
                                                     : QStringLiteral("read"));
            continue;
        }
        xml += QStringLiteral("    <method name=\"%1\">\n").arg(QLatin1String(m.name));
        const QStringList names =
            QString::fromLatin1(m.argNames).split(QLatin1Char(','), Qt::SkipEmptyParts);
        const QString in = QString::fromLatin1(m.in);
        for (int i = 0; i < in.size(); ++i)
            xml += QStringLiteral("      <arg name=\"%1\" type=\"%2\" direction=\"in\"/>\n")
                       .arg(i < names.size() ? names[i] : QStringLiteral("arg%1").arg(i),
                            in.mid(i, 1));
        if (*m.out != '\0')
            xml += QStringLiteral("      <arg name=\"result\" type=\"%1\" direction=\"out\"/>\n")
                       .arg(QLatin1String(m.out));
        xml += QStringLiteral("    </method>\n");
    }
    xml += QStringLiteral("    <method name=\"Release\"/>\n  </interface>\n");
    return xml;
}

QString AutomationBusObject::introspect(const QString& path) const {
    const Target target = targetOf(path);
    switch (target.kind) {
    case Target::Application:
        return ApplicationInterfaceXml() + QStringLiteral("  <node name=\"Documents\"/>\n");
    case Target::Documents: {
        QString xml;
        for (int id : m_state->DocumentIds())
            xml += QStringLiteral("  <node name=\"%1\"/>\n").arg(id);
        return xml;
    }
    case Target::Document:
        return m_state->Document(target.id) != nullptr ? DocumentInterfaceXml() : QString();
    case Target::None: break;
    }
    return QString();
}

// ---- calls --------------------------------------------------------------------------------

bool AutomationBusObject::handleMessage(const QDBusMessage& message,
                                        const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString iface = message.interface();
    // The bus library answers these from what introspect() says.
    if (iface == kIntrospectableInterface || iface == kPeerInterface ||
        (iface.isEmpty() && message.member() == QLatin1String("Introspect")))
        return false;
    if (answerFromValues(message, connection))
        return true;
    // The server is going: nobody is left to answer.
    if (!m_state->Forward(message, connection) && message.isReplyRequired())
        connection.send(message.createErrorReply(
            QDBusError::UnknownObject,
            QStringLiteral("No object at %1: the program is ending").arg(message.path())));
    return true;
}

bool AutomationBusObject::answerFromValues(const QDBusMessage& message,
                                           const QDBusConnection& connection) const {
    // A call that waits for the GUI thread may change what this one reads
    // (CreateRequest clears the values, Release drops the document).
    if (m_state->CallsPending())
        return false;
    const Target target = targetOf(message.path());
    if (target.kind != Target::Document)
        return false;
    const QString iface = message.interface();
    if (!iface.isEmpty() && iface != QLatin1String(kDocumentInterface))
        return false;
    const AutomationMember* m = memberNamed(message.member());
    // Refusals and their texts stay with the GUI thread's answer.
    if (m == nullptr || m->read == nullptr || message.signature() != QLatin1String(m->in))
        return false;
    QDBusMessage reply;
    if (const auto values = m_state->DocumentFor(target.id, message.service())) {
        const QVariantList args = message.arguments();
        reply = message.createReply(values->Read(
            [m, &args](const PolledValuesCopy::Data& polled) { return m->read(polled, args); }));
    } else if (m_state->Document(target.id) == nullptr) {
        reply = noDocument(message);
    } else {
        return false;  // another connection's: refused with the GUI thread's words
    }
    if (message.isReplyRequired())
        connection.send(reply);
    return true;
}

QDBusMessage AutomationBusObject::Answer(AutomationServer& server, const QDBusMessage& message) {
    const Target target = targetOf(message.path());
    switch (target.kind) {
    case Target::Application: return applicationCall(server, message);
    case Target::Document: return documentCall(server, target.id, message);
    case Target::Documents:
    case Target::None: break;
    }
    return message.createErrorReply(QDBusError::UnknownObject,
                                    QStringLiteral("No object at %1").arg(message.path()));
}

QDBusMessage AutomationBusObject::applicationCall(AutomationServer& server,
                                                  const QDBusMessage& message) {
    const QString iface = message.interface();
    AutomationConnections* connections = server.Connections();
    if (iface == kPropertiesInterface)
        return applicationPropertyCall(connections, message);
    if (!iface.isEmpty() && iface != QLatin1String(kApplicationInterface))
        return message.createErrorReply(
            QDBusError::UnknownInterface,
            QStringLiteral("No interface %1 at %2").arg(iface, message.path()));
    const QString member = message.member();
    if (member == QLatin1String(instance_hand_over::kMethod) &&
        message.signature() == QLatin1String("asa{sv}"))
        return server.TakeOver(message);
    if (connections != nullptr && message.signature() == QLatin1String("s")) {
        if (member == QLatin1String(AutomationConnections::kOpenMethod))
            return connections->Open(message);
        if (member == QLatin1String(AutomationConnections::kCloseMethod))
            return connections->Close(message);
    }
    if (!message.signature().isEmpty())
        return unknownMethod(message);
    if (connections != nullptr && member == QLatin1String("Connect"))
        return connections->First().Connect(message);
    if (connections != nullptr && member == QLatin1String("Disconnect"))
        return connections->First().Disconnect(message);
    if (connections != nullptr && member == QLatin1String(AutomationConnections::kListMethod))
        return connections->List(message);
    const bool create = member == QLatin1String("CreateDocument");
    if (!create && member != QLatin1String("CreateDetachedDocument"))
        return unknownMethod(message);
    // Each client's documents go with its connection; a detached one stays
    // until it is released (clients that live for one call, such as gdbus).
    const QString owner = create ? message.service() : QString();
    if (const QString refusal = server.CreationRefusal(owner); !refusal.isEmpty())
        return message.createErrorReply(QDBusError::LimitsExceeded, refusal);
    const QString path = server.CreateDocument(owner);
    if (path.isEmpty())
        return message.createErrorReply(QDBusError::Failed,
                                        QStringLiteral("No poll document could be created"));
    return message.createReply(QVariant::fromValue(QDBusObjectPath(path)));
}

QDBusMessage AutomationBusObject::applicationPropertyCall(AutomationConnections* connections,
                                                          const QDBusMessage& message) {
    const QString member = message.member();
    const QString signature = message.signature();
    const QVariantList args = message.arguments();
    const QString state = QLatin1String(AutomationConnection::kStateProperty);
    const QString names = QLatin1String(AutomationConnections::kNamesProperty);
    const bool ourInterface = args.value(0).toString().isEmpty() ||
                              args.value(0).toString() == QLatin1String(kApplicationInterface);
    // Both properties, read-only, with what changes each.
    struct Property {
        QString name;
        QVariant value;
        const char* changedBy;
    };
    QList<Property> properties;
    if (ourInterface && connections != nullptr)
        properties = {{state, connections->First().StateName(), "Connect and Disconnect"},
                      {names, connections->Names(), "the connection dialog and workspaces"}};
    if (member == QLatin1String("GetAll") && signature == QLatin1String("s")) {
        QVariantMap all;
        for (const Property& p : properties)
            all.insert(p.name, p.value);
        return message.createReply(QVariant::fromValue(all));
    }
    const bool get = member == QLatin1String("Get") && signature == QLatin1String("ss");
    const bool set = member == QLatin1String("Set") && signature == QLatin1String("ssv");
    if (!get && !set)
        return unknownMethod(message);
    const auto p = std::find_if(properties.cbegin(), properties.cend(), [&](const Property& q) {
        return q.name == args.value(1).toString();
    });
    if (p == properties.cend())
        return message.createErrorReply(
            QDBusError::UnknownProperty,
            QStringLiteral("No property %1.%2 at %3")
                .arg(args.value(0).toString(), args.value(1).toString(), message.path()));
    if (set)
        return message.createErrorReply(
            QDBusError::PropertyReadOnly,
            QStringLiteral("%1 is read-only: %2 change it").arg(p->name, QLatin1String(p->changedBy)));
    return message.createReply(QVariant::fromValue(QDBusVariant(p->value)));
}

QDBusMessage AutomationBusObject::documentCall(AutomationServer& server, int id,
                                               const QDBusMessage& message) {
    CZentiqDocAutomation* object = server.Find(id);
    if (object == nullptr)
        return noDocument(message);
    // Paths are numbered from 1: two scripts may well pick the same one.
    if (!server.MayUse(id, message.service()))
        return notYours(message);
    const QString iface = message.interface();
    if (iface == kPropertiesInterface)
        return propertyCall(*object, message);
    if (!iface.isEmpty() && iface != QLatin1String(kDocumentInterface))
        return message.createErrorReply(
            QDBusError::UnknownInterface,
            QStringLiteral("No interface %1 at %2").arg(iface, message.path()));
    if (message.member() == kRelease) {
        if (!message.signature().isEmpty())
            return unknownMethod(message);
        server.Release(id);
        return message.createReply();
    }
    const AutomationMember* m = memberNamed(message.member());
    if (m == nullptr || isProperty(*m))
        return unknownMethod(message);
    if (message.signature() != QLatin1String(m->in))
        return invalidArgs(message,
                           QStringLiteral("%1 takes (%2), not (%3)")
                               .arg(message.member(), QLatin1String(m->in), message.signature()));
    const QVariantList args = message.arguments();
    if (const QString problem = automation_arguments::MethodProblem(message.member(), args);
        !problem.isEmpty())
        return invalidArgs(message, problem);
    const QVariant result = m->call(*object, args);
    return *m->out != '\0' ? message.createReply(result) : message.createReply();
}

QDBusMessage AutomationBusObject::propertyCall(CZentiqDocAutomation& object,
                                               const QDBusMessage& message) {
    const QString member = message.member();
    const QString signature = message.signature();
    const QVariantList args = message.arguments();
    const auto knownInterface = [&] {
        const QString iface = args.value(0).toString();
        return iface.isEmpty() || iface == QLatin1String(kDocumentInterface);
    };
    const auto property = [&]() -> const AutomationMember* {
        const AutomationMember* m = memberNamed(args.value(1).toString());
        return m != nullptr && isProperty(*m) ? m : nullptr;
    };

    if (member == QLatin1String("GetAll") && signature == QLatin1String("s")) {
        QVariantMap all;
        if (knownInterface())
            for (const AutomationMember& m : CZentiqDocAutomation::Members())
                if (isProperty(m))
                    all.insert(QLatin1String(m.name), m.call(object, {}));
        return message.createReply(QVariant::fromValue(all));
    }
    const bool get = member == QLatin1String("Get") && signature == QLatin1String("ss");
    const bool set = member == QLatin1String("Set") && signature == QLatin1String("ssv");
    if (!get && !set)
        return unknownMethod(message);
    const AutomationMember* m = knownInterface() ? property() : nullptr;
    if (m == nullptr)
        return message.createErrorReply(
            QDBusError::UnknownProperty,
            QStringLiteral("No property %1.%2 at %3")
                .arg(args.value(0).toString(), args.value(1).toString(), message.path()));
    if (get)
        return message.createReply(QVariant::fromValue(QDBusVariant(m->call(object, {}))));
    if (m->set == nullptr)
        return message.createErrorReply(
            QDBusError::PropertyReadOnly,
            QStringLiteral("%1 is read-only").arg(QLatin1String(m->name)));
    const QVariant value = args.value(2).value<QDBusVariant>().variant();
    if (signatureOf(value) != typeOfProperty(*m))
        return invalidArgs(
            message,
            QStringLiteral("%1 takes the type %2").arg(QLatin1String(m->name), typeOfProperty(*m)));
    if (const QString problem =
            automation_arguments::PropertyProblem(QLatin1String(m->name), value);
        !problem.isEmpty())
        return invalidArgs(message, problem);
    if (const AutomationRefusal refusal = m->set(object, value))
        return message.createErrorReply(QLatin1String(refusal.error), refusal.text);
    return message.createReply();
}

}  // namespace zentiq
