#include "app/automation_server.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "app/activation_file.h"
#include "app/automation_bus_object.h"
#include "app/automation_bus_state.h"
#include "app/automation_connection.h"
#include "app/automation_connections.h"
#include "app/connection_set.h"
#include "app/instance_hand_over.h"
#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/document_manager.h"
#include "app/zentiq_app.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_doc_automation.h"
#include "framework/log_categories.h"
#include "framework/user_interaction.h"

namespace zentiq {

namespace {

// How often a release retries closing a document while a dialog is open.
constexpr int kDialogRetryMs = 200;

}  // namespace

// A session that has a bus says where it is.
bool AutomationServer::SessionBusAnnounced() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

AutomationServer::AutomationServer(CZentiqApp& app, const activation_file::StartKind& startKind,
                                   QObject* parent)
    : QObject(parent),
      m_app(app),
      m_start(startKind),
      m_automationStart(startKind.automation),
      m_busState(std::make_shared<AutomationBusState>()) {
    start();
}

AutomationServer::~AutomationServer() {
    m_quitting = true;     // documents that go with the application end nothing more
    m_connections.reset();  // a client waiting for its Connect hears why
    // Calls still on their way to this object are dropped with it; the bus
    // object forwards no more and, once unregistered, is reached no more.
    m_busState->StopServing();
    if (m_serving || m_objectRegistered) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (m_serving)
            bus.unregisterService(QLatin1String(kServiceName));
        if (m_objectRegistered)
            bus.unregisterObject(QLatin1String(kApplicationPath), QDBusConnection::UnregisterTree);
    }
    m_busObject.reset();
}

void AutomationServer::DeleteOnItsThread::operator()(AutomationBusObject* object) const {
    if (object->thread() == QThread::currentThread()) {
        delete object;
        return;
    }
    // A call may be running in it on the bus thread right now: that thread
    // deletes it once the call is done. The bus library's handler of its
    // destruction would block that thread waiting for itself; the object has
    // been unregistered, so the handler has nothing left to do.
    QObject::disconnect(object, &QObject::destroyed, nullptr, nullptr);
    object->deleteLater();
}

QString AutomationServer::DocumentPath(int id) {
    return QStringLiteral("%1/%2").arg(QLatin1String(kDocumentsPath)).arg(id);
}

void AutomationServer::report(const QString& problem) {
    std::fprintf(stderr, "zentiq: automation: %s\n", qUtf8Printable(problem));
    m_problem += (m_problem.isEmpty() ? QString() : QStringLiteral("\n")) + problem;
}

void AutomationServer::start() {
    if (QString error;
        !activation_file::Apply(m_start, QCoreApplication::applicationFilePath(), &error))
        report(error);
    // Nothing can reach a program started for automation that cannot serve.
    const int cannotServe = m_automationStart ? 1 : -1;
    if (!SessionBusAnnounced()) {
        report(QStringLiteral("no D-Bus session bus (DBUS_SESSION_BUS_ADDRESS is not set)"));
        return quit(cannotServe);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        report(QStringLiteral("no D-Bus session bus (%1)").arg(bus.lastError().message()));
        return quit(cannotServe);
    }
    m_busObject.reset(new AutomationBusObject(m_busState));
    m_busState->Serve(this, [this](const QDBusMessage& call) {
        return AutomationBusObject::Answer(*this, call);
    });
    if (!bus.registerVirtualObject(QLatin1String(kApplicationPath), m_busObject.get(),
                                   QDBusConnection::SubPath)) {
        report(tr("对象路径 %1 在本进程中已被占用").arg(QLatin1String(kApplicationPath)));
        return quit(cannotServe);
    }
    // The bus library delivers calls in the thread of the object: on its own
    // thread, reads of polled values are answered without two thread hops.
    // Moved once registered, with what the registration gave it.
    if (QThread* busThread = bus.interface()->thread(); busThread != nullptr)
        m_busObject->moveToThread(busThread);
    m_objectRegistered = true;
    if (!bus.registerService(QLatin1String(kServiceName))) {
        report(tr("总线名称 %1 属于另一个程序").arg(QLatin1String(kServiceName)));
        bus.unregisterObject(QLatin1String(kApplicationPath), QDBusConnection::UnregisterTree);
        m_objectRegistered = false;
        return quit(cannotServe);
    }
    m_serving = true;
    m_connections = std::make_unique<AutomationConnections>(
        m_app.Connections(),
        [](const QDBusMessage& message) { QDBusConnection::sessionBus().send(message); });
    m_watcher = new QDBusServiceWatcher(this);
    m_watcher->setConnection(bus);
    m_watcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &AutomationServer::ownerLeft);
    if (m_automationStart) {
        m_idleTimer = new QTimer(this);
        m_idleTimer->setSingleShot(true);
        connect(m_idleTimer, &QTimer::timeout, this, &AutomationServer::CheckLifetime);
        m_idleTimer->start(kIdleExitMs);
    }
}

AutomationConnection* AutomationServer::Connection() const {
    return m_connections ? &m_connections->First() : nullptr;
}

bool AutomationServer::ClientAwaitsOpen(const ConnectionController& connection) const {
    return m_connections && m_connections->ClientAwaitsOpen(connection);
}

// ---- documents --------------------------------------------------------------------------

QString AutomationServer::CreationRefusal(const QString& owner) const {
    const QString releaseFirst = QStringLiteral(": release one first");
    if (m_documentsOf.value(owner) < kDocumentsPerClient)
        return DocumentCount() < kDocumentsInAll
                   ? QString()
                   : QStringLiteral("Clients hold %1 documents, the most Zentiq serves")
                             .arg(kDocumentsInAll) +
                         releaseFirst;
    if (owner.isEmpty())
        return QStringLiteral("%1 detached documents are open, the most there may be")
                   .arg(kDocumentsPerClient) +
               releaseFirst;
    return QStringLiteral("This connection holds %1 documents, the most one client may hold")
               .arg(kDocumentsPerClient) +
           releaseFirst;
}

QString AutomationServer::CreateDocument(const QString& owner) {
    CZentiqDoc* doc = m_app.DocManager().NewHiddenDocument();
    if (doc == nullptr)
        return QString();
    const int id = m_nextId++;
    m_documents[id] = Entry{std::make_unique<CZentiqDocAutomation>(doc), owner};
    ++m_documentsOf[owner];
    m_busState->AddDocument(id, doc->PolledValues(), owner);
    // A document the user closes takes its object with it.
    connect(doc, &QObject::destroyed, this, [this, id] { forget(id); });
    if (m_idleTimer != nullptr)
        m_idleTimer->stop();
    if (!owner.isEmpty())
        watchOwner(owner);
    return DocumentPath(id);
}

CZentiqDocAutomation* AutomationServer::Find(int id) const {
    const auto it = m_documents.find(id);
    return it != m_documents.end() && it->second.object->Document() != nullptr
               ? it->second.object.get()
               : nullptr;
}

bool AutomationServer::MayUse(int id, const QString& caller) const {
    const auto it = m_documents.find(id);
    return it != m_documents.end() && (it->second.owner.isEmpty() || it->second.owner == caller);
}

bool AutomationServer::drop(int id) {
    const auto it = m_documents.find(id);
    if (it == m_documents.end())
        return false;
    if (const auto count = m_documentsOf.find(it->second.owner);
        count != m_documentsOf.end() && --count.value() <= 0)
        m_documentsOf.erase(count);
    m_documents.erase(it);
    m_busState->RemoveDocument(id);
    return true;
}

QList<int> AutomationServer::DocumentIds() const {
    QList<int> ids;
    for (const auto& [id, entry] : m_documents)
        ids << id;
    return ids;
}

bool AutomationServer::Release(int id) {
    const auto it = m_documents.find(id);
    if (it == m_documents.end())
        return false;
    const QPointer<CZentiqDoc> doc = it->second.object->Document();
    drop(id);
    if (doc != nullptr && doc->OwnedByClient())
        closeWhenNoDialogIsOpen(doc);
    CheckLifetime();
    return true;
}

void AutomationServer::forget(int id) {
    drop(id);
    // The document is half destroyed here: look once its window has gone.
    QTimer::singleShot(0, this, &AutomationServer::CheckLifetime);
}

void AutomationServer::watchOwner(const QString& owner) {
    if (m_watcher == nullptr || m_watcher->watchedServices().contains(owner))
        return;
    m_watcher->addWatchedService(owner);
    // A client that left before the watch began would never be reported.
    const QDBusReply<bool> present =
        m_watcher->connection().interface()->isServiceRegistered(owner);
    if (present.isValid() && !present.value())
        ownerLeft(owner);
}

void AutomationServer::ownerLeft(const QString& owner) {
    if (m_watcher != nullptr)
        m_watcher->removeWatchedService(owner);
    QList<int> ids;
    for (const auto& [id, entry] : m_documents)
        if (entry.owner == owner)
            ids << id;
    for (int id : ids)
        Release(id);
}

void AutomationServer::closeWhenNoDialogIsOpen(QPointer<CZentiqDoc> doc) {
    if (doc == nullptr)
        return;
    // A dialog running its own event loop may be working on this document
    // (or iterating over the windows); the window goes once it has closed.
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(kDialogRetryMs, this, [this, doc] { closeWhenNoDialogIsOpen(doc); });
        return;
    }
    // Its frame is found from its view, not among all frames: releasing
    // many documents stays as quick for the first as for the last.
    for (QWidget* w = doc->View(); w != nullptr; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<CChildFrame*>(w)) {
            frame->CloseWithoutAsking();
            break;
        }
    }
    CheckLifetime();
}

// ---- another start ------------------------------------------------------------------------

QDBusMessage AutomationServer::TakeOver(const QDBusMessage& call) {
    const QVariantList args = call.arguments();
    const QStringList files = args.value(0).toStringList();
    const QVariantMap options = qdbus_cast<QVariantMap>(args.value(1));
    if (m_quitting)
        return call.createErrorReply(QDBusError::Failed, QStringLiteral("Zentiq is ending"));
    if (const CZentiqApp::Refusal refusal = m_app.RefuseTakeOver(
            options.value(QLatin1String(instance_hand_over::kSettingsOption)).toString());
        refusal.error != nullptr)
        return call.createErrorReply(QLatin1String(refusal.error), refusal.text);
    // Answered first: opening a file may put up a box, and the other start
    // must not wait for the user to close it.
    QTimer::singleShot(0, &m_app, [app = &m_app, files] { app->TakeOverStart(files); });
    return call.createReply();
}

// ---- lifetime ---------------------------------------------------------------------------

void AutomationServer::CheckLifetime() {
    if (m_app.DocManager().HasClientDocuments())
        return;
    // A visible main window is the user's: it ends when the user closes it.
    const CMainFrame* frame = m_app.MainFrame();
    if (frame == nullptr || !frame->isVisible())
        quit(0);
}

void AutomationServer::quit(int exitCode) {
    if (exitCode < 0 || m_quitting)
        return;
    m_quitting = true;
    qCDebug(lcApp) << "no client and no window left: ending with" << exitCode;
    userInteraction().quit(exitCode);
}

}  // namespace zentiq
