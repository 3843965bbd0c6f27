#include "app/connection_set.h"


#include "app/connection_controller.h"
#include "app/connection_settings_store.h"
#include "engine/modbus_line.h"
#include "framework/settings_store.h"

namespace zentiq {
namespace {

// The named connections beyond the first: how many, and per connection its
// name and the section that holds its settings.
const QString kConnections = QStringLiteral("Connections");
const QString kCount = QStringLiteral("Count");

QString nameKey(int index) { return QStringLiteral("Name%1").arg(index); }
QString sectionKey(int index) { return QStringLiteral("Section%1").arg(index); }

}  // namespace

struct ConnectionSet::Entry {
    QString name;
    QString section;
    // Only the connections after the first own their line.
    std::unique_ptr<ModbusLine> ownLine;
    std::unique_ptr<ConnectionController> controller;
    bool kept = true;
};

ConnectionSet::ConnectionSet(SettingsStore& store, QObject* parent)
    : QObject(parent), m_store(store) {
    // Empty: the first connection's default name, in the language of the moment.
    addEntry(store.GetString(kConnections, nameKey(0), QString()).trimmed(), nullptr,
             ConnectionSettingsStore::Section());
    const int count = std::clamp(store.GetInt(kConnections, kCount, 0), 0, kMaxConnections - 1);
    for (int i = 1; i <= count; ++i) {
        const QString name = store.GetString(kConnections, nameKey(i), QString()).trimmed();
        const QString section = store.GetString(kConnections, sectionKey(i), QString());
        // A damaged entry is left out rather than shown under a clashing name.
        if (!NameRefusal(name).isEmpty() || section.isEmpty() ||
            section == ConnectionSettingsStore::Section())
            continue;
        addEntry(name, std::make_unique<ModbusLine>(), section);
    }
    publish();
}

ConnectionSet::~ConnectionSet() = default;

int ConnectionSet::addEntry(const QString& name, std::unique_ptr<ModbusLine> line,
                            const QString& section) {
    auto entry = std::make_unique<Entry>();
    entry->name = name;
    entry->section = section;
    entry->ownLine = std::move(line);
    ModbusLine& used = entry->ownLine ? *entry->ownLine : DefaultLine();
    entry->controller = std::make_unique<ConnectionController>(m_store, used, section);
    ConnectionController* controller = entry->controller.get();
    controller->SetOpenGate([this]() -> QString {
        if (OpenCount() < kMaxOpen)
            return {};
        return tr("已有 %1 个连接打开，请先断开其中一个").arg(kMaxOpen);
    });
    connect(controller, &ConnectionController::stateChanged, this, [this, controller] {
        for (int i = 0; i < Count(); ++i)
            if (&At(i) == controller)
                emit stateChanged(i);
    });
    m_entries.push_back(std::move(entry));
    return Count() - 1;
}

ConnectionController& ConnectionSet::At(int index) const { return *m_entries.at(index)->controller; }

QString ConnectionSet::NameAt(int index) const {
    const QString& name = m_entries.at(index)->name;
    return name.isEmpty() ? tr("连接 1") : name;
}

int ConnectionSet::IndexOf(const QString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (NameAt(i) == name)
            return i;
    return -1;
}

int ConnectionSet::IndexOfLine(const ModbusLine& line) const {
    for (int i = 0; i < Count(); ++i)
        if (&At(i).Line() == &line)
            return i;
    return -1;
}

ConnectionController* ConnectionSet::Find(const QString& name) const {
    const int i = IndexOf(name);
    return i >= 0 ? &At(i) : nullptr;
}

void ConnectionSet::SetCurrent(int index) {
    if (index < 0 || index >= Count() || index == m_current)
        return;
    m_current = index;
    publish();
}

int ConnectionSet::OpenCount() const {
    int open = 0;
    for (const auto& e : m_entries)
        open += e->controller->state() != ConnectionController::State::Unconnected ? 1 : 0;
    return open;
}

QString ConnectionSet::NameRefusal(const QString& name, int index) const {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return tr("连接名称不能为空");
    if (trimmed.size() > kMaxNameChars)
        return tr("连接名称最多 %1 个字符").arg(kMaxNameChars);
    const int other = IndexOf(trimmed);
    if (other >= 0 && other != index)
        return tr("已有名为“%1”的连接").arg(trimmed);
    return {};
}

QString ConnectionSet::ProposedName() const {
    for (int n = Count() + 1;; ++n) {
        const QString name = tr("连接 %1").arg(n);
        if (IndexOf(name) < 0)
            return name;
    }
}

QString ConnectionSet::sectionFor(int index) const {
    // A section no connection uses now; those of removed ones are reused.
    for (int n = index + 1;; ++n) {
        const QString section = QStringLiteral("CommSetup%1").arg(n);
        bool used = false;
        for (const auto& e : m_entries)
            used = used || e->section == section;
        if (!used)
            return section;
    }
}

int ConnectionSet::Add(const QString& name, const ConnectionSettings& settings, QString* why,
                       bool keep) {
    QString refusal = NameRefusal(name);
    if (refusal.isEmpty() && Count() >= kMaxConnections)
        refusal = tr("最多可以有 %1 个连接").arg(kMaxConnections);
    if (!refusal.isEmpty()) {
        if (why != nullptr)
            *why = refusal;
        return -1;
    }
    const int index =
        addEntry(name.trimmed(), std::make_unique<ModbusLine>(), sectionFor(Count()));
    At(index).SetSettings(settings);
    m_entries[index]->kept = keep;
    if (keep)
        ConnectionSettingsStore::Write(m_store, settings, m_entries[index]->section);
    storeNames();
    publish();
    emit added(At(index));
    return index;
}

bool ConnectionSet::Rename(int index, const QString& name, QString* why) {
    if (index < 0 || index >= Count())
        return false;
    if (const QString refusal = NameRefusal(name, index); !refusal.isEmpty()) {
        if (why != nullptr)
            *why = refusal;
        return false;
    }
    m_entries[index]->name = name.trimmed();
    storeNames();
    publish();
    return true;
}

bool ConnectionSet::Remove(int index, QString* why) {
    QString refusal;
    if (index <= 0 || index >= Count())
        refusal = tr("第一个连接不能删除");
    else if (At(index).state() != ConnectionController::State::Unconnected)
        refusal = tr("连接“%1”仍然打开，请先断开").arg(NameAt(index));
    if (!refusal.isEmpty()) {
        if (why != nullptr)
            *why = refusal;
        return false;
    }
    m_entries.erase(m_entries.begin() + index);
    if (m_current >= index)
        m_current = std::max(0, m_current - 1);
    storeNames();
    publish();
    return true;
}

QString ConnectionSet::MenuText(int index) const {
    using State = ConnectionController::State;
    const ConnectionController& c = At(index);
    QString state;
    switch (c.state()) {
    case State::Unconnected: state = tr("未连接"); break;
    case State::Connecting: state = tr("正在连接"); break;
    case State::Connected: state = tr("已连接"); break;
    case State::Closing: state = tr("正在断开"); break;
    }
    return tr("%1 — %2 (%3)").arg(NameAt(index), state, c.PaneText());
}

QString ConnectionSet::PaneText() const {
    const QString text = Current().PaneText();
    return Count() > 1 ? tr("%1: %2").arg(NameAt(m_current), text) : text;
}

void ConnectionSet::DisconnectAll() {
    for (const auto& e : m_entries)
        if (e->controller->state() != ConnectionController::State::Unconnected)
            e->controller->Disconnect();
}

void ConnectionSet::ShutdownAll() {
    for (const auto& e : m_entries)
        e->controller->Shutdown();
}

void ConnectionSet::storeNames() {
    // The first one's name is kept once it was given one, so that the
    // default still follows the language.
    if (!m_entries[0]->name.isEmpty())
        m_store.SetString(kConnections, nameKey(0), m_entries[0]->name);
    int kept = 0;
    for (int i = 1; i < Count(); ++i) {
        if (!m_entries[i]->kept)
            continue;
        ++kept;
        m_store.SetString(kConnections, nameKey(kept), m_entries[i]->name);
        m_store.SetString(kConnections, sectionKey(kept), m_entries[i]->section);
    }
    m_store.SetInt(kConnections, kCount, kept);
    m_store.Sync();
}

void ConnectionSet::LanguageChanged() { publish(); }

void ConnectionSet::publish() {
    QList<ConnectionDirectory::Entry> entries;
    for (int i = 0; i < Count(); ++i)
        entries.append({NameAt(i), &At(i).Line()});
    m_directory.SetEntries(entries, m_current);
    emit changed();
}

}  // namespace zentiq
