// Row types of every reading, plain and with engineering columns, and texts
// of several lengths in both byte orders: what the file tests carry through
// their round trips.
#pragma once

#include <ostream>
#include <vector>

#include "values/row_type.h"

namespace zentiq {

inline RowType MakeRowType(DecodeReading reading, double scale = 1, double offset = 0,
                           const char* unit = "", int decimals = -1, int textRegisters = 1) {
    return {reading, textRegisters, scale, offset, QString::fromUtf8(unit), decimals};
}

// How a failing check shows a type.
inline void PrintTo(const RowType& t, std::ostream* os) {
    *os << RowTypeLabel(t).toStdString() << " [" << TypeWord(t).toStdString() << ' '
        << OrderWord(t.reading.order).toStdString() << ' ' << t.scale << ' ' << t.offset << ' '
        << t.decimals << ']';
}

namespace test {

inline std::vector<RowType> EveryRowType() {
    std::vector<RowType> types;
    for (const DecodeReading& r : AllReadings()) {
        if (r.kind == DecodeKind::Text)
            continue;
        types.push_back(MakeRowType(r));
        types.push_back(MakeRowType(r, 1, 0, "kWh"));
        if (MakeRowType(r).Numeric()) {
            types.push_back(MakeRowType(r, 0.1, -40, "°C", 2));
            // No short decimal text: must come back bit for bit.
            types.push_back(MakeRowType(r, 1.0 / 3, 1e-7, "", 0));
        }
    }
    for (const ByteOrder order : {ByteOrder::ABCD, ByteOrder::BADC})
        for (const int registers : {1, 8, RowType::kMaxTextRegisters})
            types.push_back(MakeRowType({DecodeKind::Text, order}, 1, 0, "", -1, registers));
    return types;
}

// The types by protocol address from `first`, each with room for its
// registers and a gap, so that none covers the next.
inline RowTypes Spaced(const std::vector<RowType>& types, int first) {
    RowTypes spaced;
    for (const RowType& type : types) {
        spaced[first] = type;
        first += type.Registers() + 1;
    }
    return spaced;
}

}  // namespace test
}  // namespace zentiq
