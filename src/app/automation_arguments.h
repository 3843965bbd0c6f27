// The arguments of automation calls that the protocol can carry: slave,
// function, address range, length, count, scan rate and display format.
// A call outside them is refused on the bus with InvalidArgs and a text
// that names the limit, instead of reaching the document, which would only
// answer 0 or false. Indexes of the value members are not checked here:
// outside their range a read gives 0 and a write is ignored, as always.
#pragma once

#include <QString>
#include <QVariant>

namespace zentiq::automation_arguments {

// Why a call of method `member` with `args` (their signature already
// checked) cannot be served; empty when it can or the member has no limits.
QString MethodProblem(const QString& member, const QVariantList& args);

// The same for a write of property `property`.
QString PropertyProblem(const QString& property, const QVariant& value);

}  // namespace zentiq::automation_arguments
