// Row types of every reading, plain and with engineering columns, and texts
// of several lengths in both byte orders: what the file tests carry through
// their round trips.
#pragma once

#include <ostream>
#include <vector>

#include "values/row_type.h"

namespace zentiq::test {

inline std::vector<RowType> EveryRowType() {
    std::vector<RowType> types;
    for (const DecodeReading& reading : AllReadings()) {
        if (reading.kind == DecodeKind::Text)
            continue;
        RowType plain;
        plain.reading = reading;
        types.push_back(plain);
        RowType unit = plain;
        unit.unit = QStringLiteral("kWh");
        types.push_back(unit);
        if (!plain.Numeric())
            continue;
        RowType scaled = plain;
        scaled.scale = 0.1;
        scaled.offset = -40;
        scaled.unit = QString::fromUtf8("°C");
        scaled.decimals = 2;
        types.push_back(scaled);
        RowType fine = plain;
        fine.scale = 1.0 / 3;  // no short decimal text: must come back bit for bit
        fine.offset = 1e-7;
        fine.decimals = 0;
        types.push_back(fine);
    }
    for (const ByteOrder order : {ByteOrder::ABCD, ByteOrder::BADC}) {
        for (const int registers : {1, 8, RowType::kMaxTextRegisters}) {
            RowType text;
            text.reading = {DecodeKind::Text, order};
            text.textRegisters = registers;
            types.push_back(text);
        }
    }
    return types;
}

// The types spaced out by protocol address from `first`, each with room for
// its registers and a gap, so that none covers the next.
inline RowTypes Spaced(const std::vector<RowType>& types, int first) {
    RowTypes spaced;
    int address = first;
    for (const RowType& type : types) {
        spaced[address] = type;
        address += type.Registers() + 1;
    }
    return spaced;
}

}  // namespace zentiq::test

namespace zentiq {
// How a failing check shows a type.
inline void PrintTo(const RowType& type, std::ostream* os) {
    *os << RowTypeLabel(type).toStdString() << " [" << TypeWord(type).toStdString() << ' '
        << OrderWord(type.reading.order).toStdString() << " scale " << type.scale << " offset "
        << type.offset << " decimals " << type.decimals << ']';
}
}  // namespace zentiq
