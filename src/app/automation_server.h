// The automation server on the session bus: owns the name Zentiq.Document,
// hands out a new poll document for each CreateDocument call, keeps each
// document's object until its client releases it or leaves the bus, and ends
// a program that was started for automation when its last document is gone.
// At a normal start of the user's own program it also refreshes the
// activation file through which the bus starts the program for a client.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QDBusMessage>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "app/activation_file.h"

class QDBusServiceWatcher;
class QTimer;

namespace zentiq {

class AutomationBusObject;
class AutomationBusState;
class AutomationConnection;
class AutomationConnections;
class ConnectionController;
class CZentiqApp;
class CZentiqDoc;
class CZentiqDocAutomation;

class AutomationServer : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "Zentiq.Document";
    static constexpr const char* kApplicationPath = "/Zentiq";
    static constexpr const char* kDocumentsPath = "/Zentiq/Documents";
    // A program started for automation that has had no document for this
    // long (a client that activated it and never asked for one) ends.
    static constexpr int kIdleExitMs = 60000;
    // Documents one connection may hold (detached documents count together,
    // as those of one client), and all clients' together: each is a window
    // and its memory, and a runaway script must not take the program down.
    static constexpr int kDocumentsPerClient = 256;
    static constexpr int kDocumentsInAll = 1024;

    // Starts serving for `app`. `startKind.automation`: the program was
    // started by the bus for a client (no window, no document of its own);
    // `startKind` also decides what becomes of the activation file. Problems
    // (no session bus, the name owned by another program, an activation
    // file that cannot be written) are reported once on stderr and never
    // stop a normal start; an automation start that cannot serve ends.
    AutomationServer(CZentiqApp& app, const activation_file::StartKind& startKind,
                     QObject* parent = nullptr);
    ~AutomationServer() override;

    // Whether the environment says where the session bus is. Connecting
    // without an address would make the bus library launch a bus of its own.
    static bool SessionBusAnnounced();

    // True while the name is ours.
    bool IsServing() const { return m_serving; }
    // The connections' methods and properties on the bus; nullptr while not
    // serving. Connection(): the first one's (Connect, Disconnect).
    AutomationConnections* Connections() const { return m_connections.get(); }
    AutomationConnection* Connection() const;
    // Whether a client waits for `connection` to open: a failure is then
    // the client's to hear, not the user's.
    bool ClientAwaitsOpen(const ConnectionController& connection) const;
    // Another start of the program hands itself over (Activate): the main
    // window is shown and `files` opened. A D-Bus error reply when this
    // program cannot take it, else the reply; the files open afterwards.
    QDBusMessage TakeOver(const QDBusMessage& call);
    // What was reported on stderr, empty when all went well.
    QString Problem() const { return m_problem; }
    int DocumentCount() const { return static_cast<int>(m_documents.size()); }

    // ---- for the bus object ------------------------------------------------------
    // Why `owner` may not have another document (it or all clients together
    // hold the most there may be); empty when it may.
    QString CreationRefusal(const QString& owner) const;
    // A new poll document whose object goes with `owner` (the client's unique
    // name; empty: kept until released). Its path, empty on failure.
    QString CreateDocument(const QString& owner);
    // Whether the connection `caller` may use document `id`: the one that
    // created it, or anyone for a detached document.
    bool MayUse(int id, const QString& caller) const;
    // The automation object at /Zentiq/Documents/<id>, nullptr when there is
    // none (released, its client gone, or its document closed).
    CZentiqDocAutomation* Find(int id) const;
    // The ids of the live objects, in creation order.
    QList<int> DocumentIds() const;
    // Drops the client's hold on the document: one it still owns closes, one
    // shown to the user stays open as the user's. false when there was none.
    bool Release(int id);
    // Ends the program once no client owns a document and the main frame
    // is not shown (never shown, or closed by the user).
    void CheckLifetime();

    static QString DocumentPath(int id);

private:
    struct Entry {
        std::unique_ptr<CZentiqDocAutomation> object;
        QString owner;
    };
    // The bus object lives on the bus library's thread and is deleted there.
    struct DeleteOnItsThread {
        void operator()(AutomationBusObject* object) const;
    };

    void start();
    void report(const QString& problem);
    void ownerLeft(const QString& owner);
    void watchOwner(const QString& owner);
    void forget(int id);
    // Drops the object of `id`; false when there was none.
    bool drop(int id);
    void closeWhenNoDialogIsOpen(QPointer<CZentiqDoc> doc);
    void quit(int exitCode);

    CZentiqApp& m_app;
    const activation_file::StartKind m_start;
    const bool m_automationStart;
    bool m_serving = false;
    bool m_objectRegistered = false;
    QString m_problem;
    const std::shared_ptr<AutomationBusState> m_busState;
    std::unique_ptr<AutomationBusObject, DeleteOnItsThread> m_busObject;
    std::unique_ptr<AutomationConnections> m_connections;
    QDBusServiceWatcher* m_watcher = nullptr;
    QTimer* m_idleTimer = nullptr;
    std::map<int, Entry> m_documents;
    QHash<QString, int> m_documentsOf;  // by owner, "" for the detached ones
    int m_nextId = 1;
    bool m_quitting = false;
};

}  // namespace zentiq
