#include "framework/connection_directory.h"

#include "engine/modbus_line.h"

namespace zentiq {
namespace {

ConnectionDirectory* g_active = nullptr;

}  // namespace

ConnectionDirectory::ConnectionDirectory(QObject* parent)
    : QObject(parent), m_previous(g_active) {
    g_active = this;
}

ConnectionDirectory::~ConnectionDirectory() {
    if (g_active == this)
        g_active = m_previous;
}

ConnectionDirectory* ConnectionDirectory::Active() { return g_active; }

ModbusLine& ConnectionDirectory::LineForNewWindow() {
    return g_active != nullptr ? g_active->CurrentLine() : DefaultLine();
}

QString ConnectionDirectory::NameOfLine(const ModbusLine& line) {
    return g_active != nullptr ? g_active->NameOf(line) : QString();
}

bool ConnectionDirectory::SeveralConnections() {
    return g_active != nullptr && g_active->Entries().size() > 1;
}

void ConnectionDirectory::SetEntries(const QList<Entry>& entries, int current) {
    m_entries = entries;
    m_current = entries.isEmpty() ? -1 : qBound(0, current, int(entries.size()) - 1);
    emit changed();
}

ModbusLine& ConnectionDirectory::CurrentLine() const {
    return m_current >= 0 ? *m_entries[m_current].line : DefaultLine();
}

int ConnectionDirectory::IndexOf(const ModbusLine& line) const {
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].line == &line)
            return i;
    return -1;
}

QString ConnectionDirectory::NameOf(const ModbusLine& line) const {
    const int i = IndexOf(line);
    return i >= 0 ? m_entries[i].name : QString();
}

ModbusLine* ConnectionDirectory::Find(const QString& name) const {
    for (const Entry& e : m_entries)
        if (e.name == name)
            return e.line;
    return nullptr;
}

}  // namespace zentiq

// Compiled here rather than with the folder's other meta-objects, so that
// zentiq-headless links this class without the windows beside it.
#include "moc_connection_directory.cpp"
