// What the automation server (GUI thread) and its bus object (the bus
// library's thread) share, each side holding it by pointer: the documents'
// ids with the copies of their polled values, the way to the server for
// every call that has to run on the GUI thread, and how many such calls wait
// there. The bus object holds nothing else, so it may outlive the server
// and its documents until its own thread deletes it.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "documents/polled_values_copy.h"

namespace zentiq {

class AutomationBusState : public std::enable_shared_from_this<AutomationBusState> {
public:
    using Answer = std::function<QDBusMessage(const QDBusMessage& call)>;

    // ---- the documents (any thread) -----------------------------------------------
    // `owner`: the unique name of the only connection the document answers;
    // empty for one that answers every client.
    void AddDocument(int id, std::shared_ptr<const PolledValuesCopy> values, const QString& owner);
    void RemoveDocument(int id);
    // The values of document `id`, nullptr when there is none.
    std::shared_ptr<const PolledValuesCopy> Document(int id) const;
    // The same for a call from `caller`: nullptr too when the document is
    // another connection's.
    std::shared_ptr<const PolledValuesCopy> DocumentFor(int id, const QString& caller) const;
    // The ids of the documents, in creation order.
    QList<int> DocumentIds() const;

    // ---- calls for the GUI thread ---------------------------------------------------
    // From now on forwarded calls are answered by `answer`, run in the thread
    // of `receiver` while it lives. Called by the server as it starts.
    void Serve(QObject* receiver, Answer answer);
    // No call is forwarded any more; those on their way are dropped with the
    // receiver. Called by the server before it goes.
    void StopServing();
    // Queues `call` for the GUI thread, which answers it through
    // `connection` (when the caller wants an answer). false, and nothing
    // queued, once the server has stopped serving.
    bool Forward(const QDBusMessage& call, const QDBusConnection& connection);
    // Whether a forwarded call has not been answered yet. Calls of one
    // client are answered in their order only while a call that could have
    // waited behind one of these does not overtake it.
    bool CallsPending() const { return m_pending.load(std::memory_order_acquire) > 0; }

private:
    struct Entry {
        std::shared_ptr<const PolledValuesCopy> values;
        QString owner;
    };
    mutable std::mutex m_mutex;
    std::map<int, Entry> m_documents;
    QObject* m_receiver = nullptr;  // null once the server is gone
    Answer m_answer;
    std::atomic<int> m_pending{0};
};

}  // namespace zentiq
