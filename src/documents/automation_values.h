// Typed reads and writes of a document's 2000-byte value buffers in the
// engine value layout, as the automation interface offers them: registers,
// 32-bit longs and floats over two registers, doubles over four, and coils
// one byte each. Every index is checked against the member's limit and the
// buffer; an index outside reads 0 and a write there changes nothing.
#pragma once

#include <QtGlobal>
#include <array>

#include "engine/engine_types.h"

namespace zentiq::automation_values {

using Buffer = std::array<quint8, kDataSize>;

// How many registers one value covers, the last index a client may use, and
// whether the words run highest first ("Inv").
struct WideKind {
    int words;
    int maxIndex;
    bool inverse;
};

inline constexpr int kMaxRegisterIndex = 126;
inline constexpr int kMaxCoilIndex = static_cast<int>(kDataSize) - 1;
inline constexpr WideKind kLong{2, 62, false};
inline constexpr WideKind kLongInv{2, 62, true};
inline constexpr WideKind kDouble{4, 30, false};
// Inverse doubles keep the index range of the 32-bit members; registers up
// to 251 still lie inside the buffer.
inline constexpr WideKind kDoubleInv{4, 62, true};

qint16 Register(const Buffer& buffer, int index);
void SetRegister(Buffer& buffer, int index, qint16 value);

// The raw bits of value `index` (2 or 4 registers); 0 outside the range.
quint64 WideBits(const Buffer& buffer, const WideKind& kind, int index);
void SetWideBits(Buffer& buffer, const WideKind& kind, int index, quint64 bits);

qint32 Long(const Buffer& buffer, const WideKind& kind, int index);
void SetLong(Buffer& buffer, const WideKind& kind, int index, qint32 value);
// A 32-bit float, widened for the caller.
double Float(const Buffer& buffer, const WideKind& kind, int index);
// Narrowed to a 32-bit float; magnitudes beyond its range become infinity.
void SetFloat(Buffer& buffer, const WideKind& kind, int index, double value);
double Double(const Buffer& buffer, const WideKind& kind, int index);
void SetDouble(Buffer& buffer, const WideKind& kind, int index, double value);

qint16 Coil(const Buffer& buffer, int index);
// Stores 1 for any non-zero value.
void SetCoil(Buffer& buffer, int index, qint16 value);

}  // namespace zentiq::automation_values
