#include "app/automation_arguments.h"

#include <initializer_list>

#include "documents/zentiq_doc_automation.h"
#include "values/value_format.h"

namespace zentiq::automation_arguments {

namespace {

using A = CZentiqDocAutomation;

qint64 arg(const QVariantList& args, int i) { return args.value(i).toLongLong(); }

// "<name> must be <lo>..<hi><what>, not <value>", or empty inside the range.
QString outside(const char* name, qint64 value, qint64 lo, qint64 hi, const QString& what = {}) {
    if (value >= lo && value <= hi)
        return {};
    return QStringLiteral("%1 must be %2..%3%4, not %5")
        .arg(QLatin1String(name))
        .arg(lo)
        .arg(hi)
        .arg(what)
        .arg(value);
}

// Addresses are 16 bits on the wire: a range past the last one would go out
// as a request the slave reads from elsewhere or refuses.
QString pastLastAddress(qint64 address, qint64 count, const char* countName) {
    const qint64 last = address + count - 1;
    if (last < A::kAddressCount)
        return {};
    return QStringLiteral("address + %1 must be at most %2: the last address would be %3, past %4")
        .arg(QLatin1String(countName))
        .arg(A::kAddressCount)
        .arg(last)
        .arg(A::kAddressCount - 1);
}

QString firstOf(std::initializer_list<QString> problems) {
    for (const QString& p : problems)
        if (!p.isEmpty())
            return p;
    return {};
}

QString createRequest(const QVariantList& a) {
    const qint64 slave = arg(a, 0), function = arg(a, 1), address = arg(a, 2), length = arg(a, 3),
                 scanRate = arg(a, 4);
    const int maxLength = A::MaxReadLength(static_cast<int>(function));
    if (maxLength == 0)
        return QStringLiteral("function must be 1, 2, 3 or 4 (a read), not %1").arg(function);
    return firstOf({
        outside("slave", slave, 1, 255, QStringLiteral(" for a read (0 is the broadcast address)")),
        outside("address", address, 0, A::kAddressCount - 1),
        outside("length", length, 1, maxLength, QStringLiteral(" for function %1").arg(function)),
        pastLastAddress(address, length, "length"),
        outside("scanRate", scanRate, A::kMinScanRate, A::kMaxScanRate, QStringLiteral(" ms")),
    });
}

QString writeProblem(const QVariantList& a, qint64 count, int maxCount, const char* unit) {
    const qint64 slave = arg(a, 0), address = arg(a, 1);
    return firstOf({
        outside("slave", slave, 0, 255),
        outside("address", address, 0, A::kAddressCount - 1),
        outside("count", count, 1, maxCount, QStringLiteral(" %1").arg(QLatin1String(unit))),
        pastLastAddress(address, count, "count"),
    });
}

struct Check {
    const char* member;
    QString (*problem)(const QVariantList& args);
};

const Check kChecks[] = {
    {"CreateRequest", createRequest},
    {"PresetMultipleRegisters",
     [](const QVariantList& a) {
         return writeProblem(a, arg(a, 2), A::kMaxWriteRegisters, "registers");
     }},
    {"ForceMultipleCoils",
     [](const QVariantList& a) { return writeProblem(a, arg(a, 2), A::kMaxWriteCoils, "coils"); }},
    {"PresetSingleRegister",
     [](const QVariantList& a) { return writeProblem(a, 1, 1, "register"); }},
    {"ForceSingleCoil", [](const QVariantList& a) { return writeProblem(a, 1, 1, "coil"); }},
};

}  // namespace

QString MethodProblem(const QString& member, const QVariantList& args) {
    for (const Check& c : kChecks) {
        if (member != QLatin1String(c.member))
            continue;
        const QString problem = c.problem(args);
        return problem.isEmpty() ? problem : QStringLiteral("%1: %2").arg(member, problem);
    }
    return {};
}

QString PropertyProblem(const QString& property, const QVariant& value) {
    if (property != QLatin1String("DisplayFormat"))
        return {};
    return outside("DisplayFormat", value.toLongLong(), 0, kDisplayFormatCount - 1);
}

}  // namespace zentiq::automation_arguments
