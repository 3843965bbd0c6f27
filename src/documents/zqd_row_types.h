// The row-type section of a poll document file: the types single register
// rows carry (see values/row_type.h), after everything a 4201 file holds.
// Only documents that have row types write it, under version 4202, so that
// programs that do not know them refuse only the files that use them.
#pragma once

#include <QString>

#include "documents/binary_io.h"
#include "values/row_type.h"

namespace zentiq {

namespace zqd_row_types {

// Bounds a file is held to before anything is sized by it.
constexpr qint32 kMaxRows = 65536;  // one per protocol address
constexpr qsizetype kMaxUnitChars = 32;

// The count, then per row in address order: address, reading kind and byte
// order (their enum values), text registers, scale and offset (IEEE 754
// doubles), unit, decimals.
void Write(BinaryWriter& w, const RowTypes& types);

// Reads the section into `out` only when all of it is sound: addresses
// rising within 0..65535, known kinds and orders, and every type Valid().
// Otherwise `why` says what is wrong and `out` is untouched.
bool Read(BinaryReader& r, RowTypes& out, QString& why);

}  // namespace zqd_row_types

}  // namespace zentiq
