// What the bus sees under /Zentiq: the application object with interface
// Zentiq.Application (documents, the connections and their states, another
// start's hand-over) and, below /Zentiq/Documents, one object per automation
// document with interface Zentiq.Document (its members in their order, the
// three properties through org.freedesktop.DBus.Properties, and Release).
// Calls are checked here (path, member, signature, the caller against the
// document's owner, arguments against what the protocol carries) and
// answered with a D-Bus error when they cannot be served.
//
// The object lives on the bus library's own thread. Reads of polled values
// are answered there, from the document's copy of them, unless a call that
// went before them still waits for the GUI thread; every other call is
// forwarded to the GUI thread and answered from there (Answer).
#pragma once

#include <QDBusVirtualObject>
#include <memory>

class QDBusMessage;

namespace zentiq {

class AutomationBusState;
class AutomationConnections;
class AutomationServer;
class CZentiqDocAutomation;

class AutomationBusObject : public QDBusVirtualObject {
    Q_OBJECT
public:
    static constexpr const char* kApplicationInterface = "Zentiq.Application";
    static constexpr const char* kDocumentInterface = "Zentiq.Document";
    // Error sent for a document path without a document behind it.
    static constexpr const char* kNoDocumentError = "org.freedesktop.DBus.Error.UnknownObject";

    explicit AutomationBusObject(std::shared_ptr<AutomationBusState> state);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    // The answer to a forwarded call, on the GUI thread.
    static QDBusMessage Answer(AutomationServer& server, const QDBusMessage& message);

    // The introspection data of each interface, members in their order.
    static QString ApplicationInterfaceXml();
    static QString DocumentInterfaceXml();

private:
    // Answers a read of polled values from the copy; false for any other
    // call and while forwarded calls wait.
    bool answerFromValues(const QDBusMessage& message, const QDBusConnection& connection) const;

    static QDBusMessage applicationCall(AutomationServer& server, const QDBusMessage& message);
    static QDBusMessage applicationPropertyCall(AutomationConnections* connections,
                                                const QDBusMessage& message);
    static QDBusMessage documentCall(AutomationServer& server, int id, const QDBusMessage& message);
    static QDBusMessage propertyCall(CZentiqDocAutomation& object, const QDBusMessage& message);

    const std::shared_ptr<AutomationBusState> m_state;
};

}  // namespace zentiq
