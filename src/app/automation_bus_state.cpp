#include "app/automation_bus_state.h"

#include <utility>

namespace zentiq {

void AutomationBusState::AddDocument(int id, std::shared_ptr<const PolledValuesCopy> values,
                                     const QString& owner) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_documents[id] = Entry{std::move(values), owner};
}

void AutomationBusState::RemoveDocument(int id) {
    std::shared_ptr<const PolledValuesCopy> gone;  // let go of outside the lock
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (const auto it = m_documents.find(id); it != m_documents.end()) {
        gone = std::move(it->second.values);
        m_documents.erase(it);
    }
}

std::shared_ptr<const PolledValuesCopy> AutomationBusState::Document(int id) const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_documents.find(id);
    return it != m_documents.end() ? it->second.values : nullptr;
}

std::shared_ptr<const PolledValuesCopy> AutomationBusState::DocumentFor(
    int id, const QString& caller) const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_documents.find(id);
    if (it == m_documents.end() || (!it->second.owner.isEmpty() && it->second.owner != caller))
        return nullptr;
    return it->second.values;
}

QList<int> AutomationBusState::DocumentIds() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    QList<int> ids;
    for (const auto& entry : m_documents)
        ids << entry.first;
    return ids;
}

void AutomationBusState::Serve(QObject* receiver, Answer answer) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver = receiver;
    m_answer = std::move(answer);
}

void AutomationBusState::StopServing() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver = nullptr;
}

bool AutomationBusState::Forward(const QDBusMessage& call, const QDBusConnection& connection) {
    // Held while posting, so the receiver cannot be destroyed in between:
    // it stops serving under this lock before it goes.
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_receiver == nullptr)
        return false;
    m_pending.fetch_add(1, std::memory_order_acq_rel);
    // Dropped with the receiver, unrun, if it goes first.
    QMetaObject::invokeMethod(
        m_receiver,
        [self = shared_from_this(), answer = m_answer, call, connection] {
            const QDBusMessage reply = answer(call);
            // Whatever the call changed is in place (the copies of the values
            // included): calls behind it may be answered on the bus thread
            // again, even before this answer goes out.
            self->m_pending.fetch_sub(1, std::memory_order_acq_rel);
            // An invalid message: the answer comes later (a Connect waits
            // for its host).
            if (call.isReplyRequired() && reply.type() != QDBusMessage::InvalidMessage)
                connection.send(reply);
        },
        Qt::QueuedConnection);
    return true;
}

}  // namespace zentiq
