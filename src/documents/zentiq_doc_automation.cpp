#include "documents/zentiq_doc_automation.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "documents/automation_values.h"
#include "documents/poll_document_model.h"
#include "documents/register_map_commands.h"
#include "documents/zentiq_doc.h"
#include "engine/modbus_line.h"
#include "framework/connection_directory.h"
#include "values/typed_items.h"

namespace zentiq {

namespace {

namespace av = automation_values;
using Kind = AutomationMember::Kind;

bool inRange(qint64 v, qint64 lo, qint64 hi) { return v >= lo && v <= hi; }

// What the one-off write methods send, by function.
struct WriteShape {
    FunctionCode function;
    bool registers;  // 16-bit values (SetWriteRegisters), else one byte per coil
    int maxCount;    // the most the engine takes for the function
};
constexpr std::array<WriteShape, 4> kWriteShapes{{
    {FunctionCode::WriteSingleCoil, false, 1},
    {FunctionCode::WriteSingleRegister, true, 1},
    {FunctionCode::WriteMultipleCoils, false, CZentiqDocAutomation::kMaxWriteCoils},
    {FunctionCode::WriteMultipleRegisters, true, CZentiqDocAutomation::kMaxWriteRegisters},
}};

// Whether count items from address stay within the protocol's addresses.
bool fitsAddresses(qint64 address, qint64 count) {
    return address >= 0 && count >= 1 && address + count <= CZentiqDocAutomation::kAddressCount;
}

// Argument i of a call whose signature has been checked.
qint16 n(const QVariantList& a, int i) { return a.at(i).value<qint16>(); }
qint32 i32(const QVariantList& a, int i) { return a.at(i).value<qint32>(); }
double d(const QVariantList& a, int i) { return a.at(i).toDouble(); }

using A = CZentiqDocAutomation;
using Args = const QVariantList&;
using Values = const PolledValuesCopy::Data&;
constexpr const char* kIndex = "index";
constexpr const char* kIndexValue = "index,value";

// Clients see the members in this order; the first seventeen entries and the
// indexed pairs keep the order of the interface's dispatch ids.
const AutomationMember kMembers[] = {
    {"DisplayFormat", Kind::Property, "i", "", "",
     [](A& o, Args) { return QVariant::fromValue(o.DisplayFormat()); },
     [](A& o, const QVariant& v) {
         o.SetDisplayFormat(v.value<qint32>());
         return AutomationRefusal{};
     }},
    {"WriteResult", Kind::ReadOnlyProperty, "n", "", "",
     [](A& o, Args) { return QVariant::fromValue(o.WriteResult()); }, nullptr},
    {"ReadResult", Kind::ReadOnlyProperty, "n", "", "",
     [](A& o, Args) { return QVariant::fromValue(o.ReadResult()); }, nullptr},
    {"CreateRequest", Kind::Method, "iiiii", "i", "slave,function,address,length,scanRate",
     [](A& o, Args a) {
         return QVariant::fromValue(
             o.CreateRequest(i32(a, 0), i32(a, 1), i32(a, 2), i32(a, 3), i32(a, 4)));
     },
     nullptr},
    {"ShowWindow", Kind::Method, "", "", "",
     [](A& o, Args) {
         o.ShowWindow();
         return QVariant();
     },
     nullptr},
    {"PresetMultipleRegisters", Kind::Method, "iii", "b", "slave,address,count",
     [](A& o, Args a) {
         return QVariant(o.PresetMultipleRegisters(i32(a, 0), i32(a, 1), i32(a, 2)));
     },
     nullptr},
    {"ForceSingleCoil", Kind::Method, "ii", "b", "slave,address",
     [](A& o, Args a) { return QVariant(o.ForceSingleCoil(i32(a, 0), i32(a, 1))); }, nullptr},
    {"PresetSingleRegister", Kind::Method, "ii", "b", "slave,address",
     [](A& o, Args a) { return QVariant(o.PresetSingleRegister(i32(a, 0), i32(a, 1))); }, nullptr},
    {"ForceMultipleCoils", Kind::Method, "iii", "b", "slave,address,count",
     [](A& o, Args a) { return QVariant(o.ForceMultipleCoils(i32(a, 0), i32(a, 1), i32(a, 2))); },
     nullptr},
    {"GetRegister", Kind::Method, "n", "n", kIndex,
     [](A& o, Args a) { return QVariant::fromValue(o.GetRegister(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant::fromValue(av::Register(v.values, n(a, 0))); }},
    {"SetRegister", Kind::Method, "nn", "", kIndexValue,
     [](A& o, Args a) {
         o.SetRegister(n(a, 0), n(a, 1));
         return QVariant();
     },
     nullptr},
    {"GetLong", Kind::Method, "n", "i", kIndex,
     [](A& o, Args a) { return QVariant::fromValue(o.GetLong(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant::fromValue(av::Long(v.values, av::kLong, n(a, 0))); }},
    {"SetLong", Kind::Method, "ni", "", kIndexValue,
     [](A& o, Args a) {
         o.SetLong(n(a, 0), i32(a, 1));
         return QVariant();
     },
     nullptr},
    {"GetLongInv", Kind::Method, "n", "i", kIndex,
     [](A& o, Args a) { return QVariant::fromValue(o.GetLongInv(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant::fromValue(av::Long(v.values, av::kLongInv, n(a, 0))); }},
    {"SetLongInv", Kind::Method, "ni", "", kIndexValue,
     [](A& o, Args a) {
         o.SetLongInv(n(a, 0), i32(a, 1));
         return QVariant();
     },
     nullptr},
    {"GetFloat", Kind::Method, "n", "d", kIndex,
     [](A& o, Args a) { return QVariant(o.GetFloat(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant(av::Float(v.values, av::kLong, n(a, 0))); }},
    {"SetFloat", Kind::Method, "nd", "", kIndexValue,
     [](A& o, Args a) {
         o.SetFloat(n(a, 0), d(a, 1));
         return QVariant();
     },
     nullptr},
    {"GetFloatInv", Kind::Method, "n", "d", kIndex,
     [](A& o, Args a) { return QVariant(o.GetFloatInv(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant(av::Float(v.values, av::kLongInv, n(a, 0))); }},
    {"SetFloatInv", Kind::Method, "nd", "", kIndexValue,
     [](A& o, Args a) {
         o.SetFloatInv(n(a, 0), d(a, 1));
         return QVariant();
     },
     nullptr},
    {"GetDouble", Kind::Method, "n", "d", kIndex,
     [](A& o, Args a) { return QVariant(o.GetDouble(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant(av::Double(v.values, av::kDouble, n(a, 0))); }},
    {"SetDouble", Kind::Method, "nd", "", kIndexValue,
     [](A& o, Args a) {
         o.SetDouble(n(a, 0), d(a, 1));
         return QVariant();
     },
     nullptr},
    {"GetDoubleInv", Kind::Method, "n", "d", kIndex,
     [](A& o, Args a) { return QVariant(o.GetDoubleInv(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant(av::Double(v.values, av::kDoubleInv, n(a, 0))); }},
    {"SetDoubleInv", Kind::Method, "nd", "", kIndexValue,
     [](A& o, Args a) {
         o.SetDoubleInv(n(a, 0), d(a, 1));
         return QVariant();
     },
     nullptr},
    {"GetCoil", Kind::Method, "n", "n", kIndex,
     [](A& o, Args a) { return QVariant::fromValue(o.GetCoil(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant::fromValue(av::Coil(v.values, n(a, 0))); }},
    {"SetCoil", Kind::Method, "nn", "", kIndexValue,
     [](A& o, Args a) {
         o.SetCoil(n(a, 0), n(a, 1));
         return QVariant();
     },
     nullptr},
    {"GetValue", Kind::Method, "n", "d", kIndex,
     [](A& o, Args a) { return QVariant(o.GetValue(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant(A::ValueOf(v.Poll(), n(a, 0))); }},
    {"GetValueText", Kind::Method, "n", "s", kIndex,
     [](A& o, Args a) { return QVariant(o.GetValueText(n(a, 0))); }, nullptr,
     [](Values v, Args a) { return QVariant(A::ValueTextOf(v.Poll(), n(a, 0))); }},
    {"Connection", Kind::Property, "s", "", "",
     [](A& o, Args) { return QVariant(o.Connection()); },
     [](A& o, const QVariant& v) { return o.SetConnection(v.toString()); }},
};

}  // namespace

CZentiqDocAutomation::CZentiqDocAutomation(CZentiqDoc* doc) : m_doc(doc) {}

int CZentiqDocAutomation::MaxReadLength(int function) {
    if (!PollDefinition::IsReadFunction(function))
        return 0;
    return PollDefinition::IsCoilFunction(function) ? kMaxReadCoils : kMaxReadRegisters;
}

std::span<const AutomationMember> CZentiqDocAutomation::Members() { return kMembers; }

const AutomationMember* CZentiqDocAutomation::FindMember(const QString& name) {
    for (const AutomationMember& m : kMembers)
        if (name == QLatin1String(m.name))
            return &m;
    return nullptr;
}

// ---- properties ----------------------------------------------------------------------

qint32 CZentiqDocAutomation::DisplayFormat() const {
    return m_doc ? m_doc->Model().def.DisplayFormat : 0;
}

void CZentiqDocAutomation::SetDisplayFormat(qint32 format) {
    if (!m_doc || !inRange(format, 0, 9))
        return;
    m_doc->Model().def.DisplayFormat = format;
    m_doc->UpdateAndMarkModified();
}

qint16 CZentiqDocAutomation::WriteResult() const {
    if (!m_doc || m_doc->Line().IsConnected() == 0)
        return kNoConnection;
    return static_cast<qint16>(m_doc->Line().GetSlotStatus(0));
}

qint16 CZentiqDocAutomation::ReadResult() const {
    if (!m_doc || m_doc->Line().IsConnected() == 0)
        return kNoConnection;
    return static_cast<qint16>(m_doc->Model().lastStatus);
}

// ---- the connection ----------------------------------------------------------------

QString CZentiqDocAutomation::Connection() const {
    return m_doc ? ConnectionDirectory::NameOfLine(m_doc->Line()) : QString();
}

AutomationRefusal CZentiqDocAutomation::SetConnection(const QString& name) {
    const ConnectionDirectory* directory = ConnectionDirectory::Active();
    ModbusLine* line = directory != nullptr ? directory->Find(name) : nullptr;
    if (!m_doc || line == nullptr)
        return {kUnknownConnectionError,
                QStringLiteral("No connection is named \"%1\"").arg(name)};
    if (line == &m_doc->Line())
        return {};
    // A document that polls (or waits for a slot) needs one on the new line;
    // checked first so that a refusal leaves it polling where it was.
    const PollDocumentModel& m = m_doc->Model();
    const bool needsSlot =
        m.slotIndex != -1 || m.slotRefusal == PollDocumentModel::SlotRefusal::NoFreeSlot;
    if (needsSlot && line->FreePollSlots() == 0)
        return {kNoFreeSlotError,
                QStringLiteral("Connection \"%1\" has no free poll slot: all %2 are taken")
                    .arg(name)
                    .arg(kLastSlot - kFirstPollSlot + 1)};
    m_doc->SetLineQuietly(*line);
    return {};
}

// ---- methods -------------------------------------------------------------------------

qint32 CZentiqDocAutomation::CreateRequest(qint32 slave, qint32 function, qint32 address,
                                           qint32 length, qint32 scanRate) {
    if (!m_doc || !inRange(slave, 1, 255) || !PollDefinition::IsReadFunction(function) ||
        !fitsAddresses(address, length) || length > MaxReadLength(function) ||
        !inRange(scanRate, kMinScanRate, kMaxScanRate))
        return 0;
    PollDocumentModel& m = m_doc->Model();
    m.def.SlaveID = slave;
    m.def.FunctionValue = function;
    m.def.Address = address;
    m.def.Length = length;
    m.def.ScanRate = scanRate;
    m.def.bEnable = 1;
    m.ForgetValues();
    m_doc->ComputeGridSize();
    // Registered without the out-of-slots box: the client learns it from the
    // result, and a modal box would stall the call (and the hidden program).
    const bool registered = m_doc->RegisterQuietly();
    m_doc->UpdateAndMarkModified();
    return registered ? 1 : 0;
}

void CZentiqDocAutomation::ShowWindow() {
    if (!m_doc)
        return;
    m_doc->SetOwnedByClient(false);  // the user's from now on
    QWidget* view = m_doc->View();
    if (view == nullptr)
        return;
    QWidget* top = view->window();
    top->show();
    top->raise();
    top->activateWindow();
    for (QWidget* w = view->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            sub->show();
            if (QMdiArea* area = sub->mdiArea())
                area->setActiveSubWindow(sub);
            break;
        }
    }
}

bool CZentiqDocAutomation::submitWrite(FunctionCode function, qint32 slave, qint32 address,
                                       qint32 count) {
    const auto shape =
        std::find_if(kWriteShapes.begin(), kWriteShapes.end(),
                     [function](const WriteShape& s) { return s.function == function; });
    // Without a connection the request would wait in the one-shot slot and go
    // out whenever a connection opens next. A count the write-data operation
    // refuses would leave the slot claimed without data, blocking every later
    // one-off request; arguments beyond 16 bits would wrap to other addresses.
    if (!m_doc || shape == kWriteShapes.end() || m_doc->Line().IsConnected() == 0 ||
        !inRange(slave, 0, 255) || !fitsAddresses(address, count) || count > shape->maxCount)
        return false;
    if (!m_write)
        m_write = std::make_unique<OneShotRequest>();
    const auto& buffer = m_doc->Model().writeValues;
    const bool registers = shape->registers;
    // A refused load gives the slot back: it never stays claimed without data.
    return m_write->Submit(
        m_doc->Line(),
        {static_cast<std::uint16_t>(slave), Code(function), 0, 0,
         static_cast<std::uint16_t>(address), static_cast<std::uint16_t>(count)},
        [&buffer, registers, count](ModbusLine& line) {
            if (!registers)
                return line.SetWriteBytes(0, count, buffer.data());
            std::array<std::uint16_t, kDataSize / sizeof(std::uint16_t)> words{};
            std::memcpy(words.data(), buffer.data(),
                        sizeof(std::uint16_t) * static_cast<std::size_t>(count));
            return line.SetWriteRegisters(0, count, words.data());
        });
}

bool CZentiqDocAutomation::PresetMultipleRegisters(qint32 slave, qint32 address, qint32 count) {
    return submitWrite(FunctionCode::WriteMultipleRegisters, slave, address, count);
}

bool CZentiqDocAutomation::ForceSingleCoil(qint32 slave, qint32 address) {
    return submitWrite(FunctionCode::WriteSingleCoil, slave, address, 1);
}

bool CZentiqDocAutomation::PresetSingleRegister(qint32 slave, qint32 address) {
    return submitWrite(FunctionCode::WriteSingleRegister, slave, address, 1);
}

bool CZentiqDocAutomation::ForceMultipleCoils(qint32 slave, qint32 address, qint32 count) {
    return submitWrite(FunctionCode::WriteMultipleCoils, slave, address, count);
}

// ---- indexed properties ----------------------------------------------------------------

namespace {

const av::Buffer& polled(const CZentiqDoc* doc) {
    static const av::Buffer zeros{};
    return doc != nullptr ? doc->Model().values : zeros;
}

template <class F>
void toWrite(CZentiqDoc* doc, F&& write) {
    if (doc != nullptr)
        write(doc->Model().writeValues);
}

}  // namespace

qint16 CZentiqDocAutomation::GetRegister(qint16 index) const {
    return av::Register(polled(m_doc), index);
}
void CZentiqDocAutomation::SetRegister(qint16 index, qint16 value) {
    toWrite(m_doc, [&](av::Buffer& b) { av::SetRegister(b, index, value); });
}
qint32 CZentiqDocAutomation::GetLong(qint16 index) const {
    return av::Long(polled(m_doc), av::kLong, index);
}
void CZentiqDocAutomation::SetLong(qint16 index, qint32 value) {
    toWrite(m_doc, [&](av::Buffer& b) { av::SetLong(b, av::kLong, index, value); });
}
qint32 CZentiqDocAutomation::GetLongInv(qint16 index) const {
    return av::Long(polled(m_doc), av::kLongInv, index);
}
void CZentiqDocAutomation::SetLongInv(qint16 index, qint32 value) {
    toWrite(m_doc, [&](av::Buffer& b) { av::SetLong(b, av::kLongInv, index, value); });
}
double CZentiqDocAutomation::GetFloat(qint16 index) const {
    return av::Float(polled(m_doc), av::kLong, index);
}
void CZentiqDocAutomation::SetFloat(qint16 index, double value) {
    toWrite(m_doc, [&](av::Buffer& b) { av::SetFloat(b, av::kLong, index, value); });
}
double CZentiqDocAutomation::GetFloatInv(qint16 index) const {
    return av::Float(polled(m_doc), av::kLongInv, index);
}
void CZentiqDocAutomation::SetFloatInv(qint16 index, double value) {
    toWrite(m_doc, [&](av::Buffer& b) { av::SetFloat(b, av::kLongInv, index, value); });
}
double CZentiqDocAutomation::GetDouble(qint16 index) const {
    return av::Double(polled(m_doc), av::kDouble, index);
}
void CZentiqDocAutomation::SetDouble(qint16 index, double value) {
    toWrite(m_doc, [&](av::Buffer& b) { av::SetDouble(b, av::kDouble, index, value); });
}
double CZentiqDocAutomation::GetDoubleInv(qint16 index) const {
    return av::Double(polled(m_doc), av::kDoubleInv, index);
}
void CZentiqDocAutomation::SetDoubleInv(qint16 index, double value) {
    toWrite(m_doc, [&](av::Buffer& b) { av::SetDouble(b, av::kDoubleInv, index, value); });
}
qint16 CZentiqDocAutomation::GetCoil(qint16 index) const { return av::Coil(polled(m_doc), index); }

double CZentiqDocAutomation::GetValue(qint16 index) const {
    return m_doc ? ValueOf(RegisterMapCommands::PollOf(m_doc->Model()), index)
                 : std::numeric_limits<double>::quiet_NaN();
}

QString CZentiqDocAutomation::GetValueText(qint16 index) const {
    return m_doc ? ValueTextOf(RegisterMapCommands::PollOf(m_doc->Model()), index) : QString();
}

double CZentiqDocAutomation::ValueOf(const LogLine::Poll& poll, int index) {
    if (!poll.valuesRead)
        return std::numeric_limits<double>::quiet_NaN();
    return ItemNumber(poll, index).value_or(std::numeric_limits<double>::quiet_NaN());
}

QString CZentiqDocAutomation::ValueTextOf(const LogLine::Poll& poll, int index) {
    if (!poll.valuesRead || index < 0 || index >= poll.length)
        return QString();
    static const RowTypes none;
    const std::vector<ItemPlan> plan = PlanItems(poll.address, poll.length, poll.function,
                                                 poll.rowTypes != nullptr ? *poll.rowTypes : none);
    return PlannedShownText(poll, plan, index, true);
}
void CZentiqDocAutomation::SetCoil(qint16 index, qint16 value) {
    toWrite(m_doc, [&](av::Buffer& b) { av::SetCoil(b, index, value); });
}

}  // namespace zentiq
