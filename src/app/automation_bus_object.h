// What the bus sees under /Zentiq: the application object with interface
// Zentiq.Application and, below /Zentiq/Documents, one object per automation
// document with interface Zentiq.Document (its members in their order, the
// three properties through org.freedesktop.DBus.Properties, and Release).
// Calls are checked here (path, member, signature) and answered with a
// D-Bus error when they cannot be served; the members run on the GUI thread.
#pragma once

#include <QDBusVirtualObject>

class QDBusMessage;

namespace zentiq {

class AutomationServer;
class CZentiqDocAutomation;

class AutomationBusObject : public QDBusVirtualObject {
    Q_OBJECT
public:
    static constexpr const char* kApplicationInterface = "Zentiq.Application";
    static constexpr const char* kDocumentInterface = "Zentiq.Document";
    // Error sent for a document path without a document behind it.
    static constexpr const char* kNoDocumentError = "org.freedesktop.DBus.Error.UnknownObject";

    explicit AutomationBusObject(AutomationServer& server);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    // The introspection data of each interface, members in their order.
    static QString ApplicationInterfaceXml();
    static QString DocumentInterfaceXml();

private:
    QDBusMessage applicationCall(const QDBusMessage& message);
    QDBusMessage documentCall(int id, const QDBusMessage& message);
    QDBusMessage propertyCall(CZentiqDocAutomation& object, const QDBusMessage& message);

    AutomationServer& m_server;
};

}  // namespace zentiq
