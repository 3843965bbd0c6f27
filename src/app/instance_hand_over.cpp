#include "app/instance_hand_over.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>

#include "app/automation_bus_object.h"
#include "app/automation_server.h"

namespace zentiq::instance_hand_over {

namespace {

// Long enough for a program that is busy with a large workspace; it answers
// before it opens anything.
constexpr int kCallTimeoutMs = 25000;

}  // namespace

QVariantMap OptionsOf(const QString& settingsFile) {
    QVariantMap options;
    options.insert(QLatin1String(kSettingsOption), settingsFile);
    return options;
}

Outcome Offer(const QStringList& files, const QVariantMap& options, QString* reason) {
    if (!AutomationServer::SessionBusAnnounced())
        return Outcome::NobodyRuns;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QLatin1String(AutomationServer::kServiceName);
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service).value())
        return Outcome::NobodyRuns;
    QStringList absolute;
    for (const QString& file : files)
        absolute << QFileInfo(file).absoluteFilePath();
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QLatin1String(AutomationServer::kApplicationPath),
        QLatin1String(AutomationBusObject::kApplicationInterface), QLatin1String(kMethod));
    call << absolute << options;
    // The name may have gone in between: never start a program for this.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return Outcome::HandedOver;
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return Outcome::NobodyRuns;
    if (reason != nullptr)
        *reason = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    return Outcome::Declined;
}

}  // namespace zentiq::instance_hand_over
