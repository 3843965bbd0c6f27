// The automation object of one poll document: the seventeen members that
// another program uses to define what the document polls, read the polled
// values in every word order, fill the buffer of values to write and send
// one-off writes through the engine's one-shot slot. The bus glue (src/app)
// dispatches calls to it through Members(); everything runs on the GUI thread,
// but the reads of polled values also have a form that works on a copy of
// the values (PolledValuesCopy), which any thread may use.
#pragma once

#include <QPointer>
#include <QVariant>
#include <memory>
#include <span>

#include "documents/polled_values_copy.h"
#include "documents/zentiq_doc.h"
#include "framework/one_shot_request.h"

namespace zentiq {

class CZentiqDocAutomation;

// Why a property write was not taken: the D-Bus error's name and its words.
// No name: it was taken.
struct AutomationRefusal {
    const char* error = nullptr;
    QString text;
    explicit operator bool() const { return error != nullptr; }
};

// One member of the interface, in the order clients see them (the members
// added later come after the original ones).
struct AutomationMember {
    enum class Kind { Property, ReadOnlyProperty, Method };
    const char* name;
    Kind kind;
    const char* in;        // a method's argument signature; a property's type
    const char* out;       // a method's result signature, "" for none
    const char* argNames;  // a method's argument names, comma-separated
    // A method call (arguments match `in`) or a property read (no arguments).
    QVariant (*call)(CZentiqDocAutomation& object, const QVariantList& args);
    // A property write; nullptr for read-only properties and methods.
    AutomationRefusal (*set)(CZentiqDocAutomation& object, const QVariant& value);
    // For a member that reads nothing but the polled values: the same result
    // as `call` from a copy of them. nullptr for every other member.
    QVariant (*read)(const PolledValuesCopy::Data& values, const QVariantList& args) = nullptr;
};

class CZentiqDocAutomation {
public:
    static constexpr int kNoConnection = 6;
    static constexpr int kMinScanRate = 20;
    static constexpr int kMaxScanRate = 60000;
    // What one request of the protocol carries, as the poll definition
    // dialog allows it: a read of 2000 coils or 125 registers, a write of
    // 1968 coils or 123 registers, and nothing past address 65535.
    static constexpr int kMaxReadCoils = 2000;
    static constexpr int kMaxReadRegisters = 125;
    static constexpr int kMaxWriteCoils = 1968;
    static constexpr int kMaxWriteRegisters = 123;
    static constexpr int kAddressCount = 65536;
    // The longest read of a read function (1..4), 0 for any other.
    static int MaxReadLength(int function);
    // Refusals of a Connection write.
    static constexpr const char* kUnknownConnectionError = "Zentiq.Error.UnknownConnection";
    static constexpr const char* kNoFreeSlotError = "Zentiq.Error.NoFreeSlot";

    explicit CZentiqDocAutomation(CZentiqDoc* doc);

    // The document, nullptr once it has been closed; every member then does
    // nothing and reads 0.
    CZentiqDoc* Document() const { return m_doc; }

    // ---- 1..3: properties --------------------------------------------------
    qint32 DisplayFormat() const;
    // 0..9 are taken (views updated, document modified); others ignored.
    void SetDisplayFormat(qint32 format);
    // Status of the last one-off request; 6 without a connection.
    qint16 WriteResult() const;
    // Status of the document's last poll; 6 without a connection.
    qint16 ReadResult() const;

    // ---- 4..9: methods -----------------------------------------------------
    // A read poll (functions 1..4) switched on; 0 and nothing changed for
    // arguments out of range (the bus refuses those before they get here).
    // Also 0 when the engine has no slot left for it (the definition is then
    // kept, as after the poll definition dialog).
    qint32 CreateRequest(qint32 slave, qint32 function, qint32 address, qint32 length,
                         qint32 scanRate);
    // Shows the document's window and the main window.
    void ShowWindow();
    // One-off writes of the write buffer; true when the one-shot slot took
    // the request. They name no window, so no result is posted: the client
    // reads WriteResult.
    bool PresetMultipleRegisters(qint32 slave, qint32 address, qint32 count);
    bool ForceSingleCoil(qint32 slave, qint32 address);
    bool PresetSingleRegister(qint32 slave, qint32 address);
    bool ForceMultipleCoils(qint32 slave, qint32 address, qint32 count);

    // ---- 10..17: indexed properties (reads from the polled values, writes to
    // the write buffer) ------------------------------------------------------
    // A value the poll has not read yet reads 0, as the interface has no
    // "none"; ReadResult says whether the last poll succeeded (10 before
    // the first one; after a failure the values are the last good ones).
    qint16 GetRegister(qint16 index) const;
    void SetRegister(qint16 index, qint16 value);
    qint32 GetLong(qint16 index) const;
    void SetLong(qint16 index, qint32 value);
    qint32 GetLongInv(qint16 index) const;
    void SetLongInv(qint16 index, qint32 value);
    double GetFloat(qint16 index) const;
    void SetFloat(qint16 index, double value);
    double GetFloatInv(qint16 index) const;
    void SetFloatInv(qint16 index, double value);
    double GetDouble(qint16 index) const;
    void SetDouble(qint16 index, double value);
    double GetDoubleInv(qint16 index) const;
    void SetDoubleInv(qint16 index, double value);
    qint16 GetCoil(qint16 index) const;
    void SetCoil(qint16 index, qint16 value);

    // ---- the connection ------------------------------------------------------
    // The name of the connection the document polls on; empty where the
    // program keeps no named connections.
    QString Connection() const;
    // Moves the poll to the connection named `name`. Refused, with nothing
    // changed, for a name no connection has and for a connection whose
    // slots are all taken while the document holds one.
    AutomationRefusal SetConnection(const QString& name);

    // ---- values as the window shows them ------------------------------------
    // Item `index` of the poll (0-based, as GetRegister counts) as the window
    // shows it: a row with a type of its own gives its engineering value
    // (raw × scale + offset) and text with its unit, every other item its
    // display format's number and text (a coil 0 or 1). NaN and an empty
    // text where the window shows no number or no text: a text row (its
    // number), a register a typed value or a 32/64-bit value also spans,
    // an index outside the poll, a value not read yet.
    double GetValue(qint16 index) const;
    QString GetValueText(qint16 index) const;
    // The same from any poll (the bus thread's copy).
    static double ValueOf(const LogLine::Poll& poll, int index);
    static QString ValueTextOf(const LogLine::Poll& poll, int index);

    static std::span<const AutomationMember> Members();
    // The member of that name, nullptr for none.
    static const AutomationMember* FindMember(const QString& name);

private:
    bool submitWrite(FunctionCode function, qint32 slave, qint32 address, qint32 count);

    QPointer<CZentiqDoc> m_doc;
    // The object's one-off writes, the way every write goes; made at the
    // first one.
    std::unique_ptr<OneShotRequest> m_write;
};

}  // namespace zentiq
