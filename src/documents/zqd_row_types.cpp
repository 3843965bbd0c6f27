#include "documents/zqd_row_types.h"

#include <bit>

namespace zentiq::zqd_row_types {

namespace {

constexpr qint32 kLastKind = qint32(DecodeKind::Text);
constexpr qint32 kLastOrder = qint32(ByteOrder::DCBA);
// Address, kind, order, text registers, two doubles, an empty unit (one
// count byte) and decimals.
constexpr qint64 kMinRowBytes = 4 * 4 + 2 * 8 + 1 + 4;

}  // namespace

void Write(BinaryWriter& w, const RowTypes& types) {
    w.writeI32(qint32(types.size()));
    for (const auto& [address, type] : types) {
        w.writeI32(address);
        w.writeI32(qint32(type.reading.kind));
        w.writeI32(qint32(type.reading.order));
        w.writeI32(type.reading.kind == DecodeKind::Text ? type.textRegisters : 1);
        w.writeU64(std::bit_cast<quint64>(type.scale));
        w.writeU64(std::bit_cast<quint64>(type.offset));
        w.writeString(type.unit);
        w.writeI32(type.decimals);
    }
}

bool Read(BinaryReader& r, RowTypes& out, QString& why) {
    qint32 count = 0;
    if (!r.readI32(count)) {
        why = QStringLiteral("row types cut short");
        return false;
    }
    if (count < 0 || count > kMaxRows || r.remaining() < kMinRowBytes * count) {
        why = QStringLiteral("row type count %1 out of range").arg(count);
        return false;
    }
    RowTypes types;
    qint32 previous = -1;
    for (qint32 i = 0; i < count; ++i) {
        qint32 address = 0, kind = 0, order = 0, textRegisters = 0, decimals = 0;
        quint64 scale = 0, offset = 0;
        RowType type;
        if (!(r.readI32(address) && r.readI32(kind) && r.readI32(order) &&
              r.readI32(textRegisters) && r.readU64(scale) && r.readU64(offset) &&
              r.readString(type.unit, kMaxUnitChars) && r.readI32(decimals))) {
            why = QStringLiteral("row type %1 cut short or invalid").arg(i);
            return false;
        }
        // Written in rising order: anything else is no file of ours.
        if (address <= previous || address > 0xFFFF) {
            why = QStringLiteral("row type address %1 out of order or range").arg(address);
            return false;
        }
        if (kind < 0 || kind > kLastKind || order < 0 || order > kLastOrder) {
            why = QStringLiteral("row type at %1 of unknown kind or order").arg(address);
            return false;
        }
        type.reading = {DecodeKind(kind), ByteOrder(order)};
        type.textRegisters = textRegisters;
        type.scale = std::bit_cast<double>(scale);
        type.offset = std::bit_cast<double>(offset);
        type.decimals = decimals;
        // Only text spans a count of its own; the writer puts 1 for every other kind.
        const bool countFits = kind == qint32(DecodeKind::Text)
                                   ? textRegisters >= 1 && textRegisters <= RowType::kMaxTextRegisters
                                   : textRegisters == 1;
        if (!countFits || !type.Valid()) {
            why = QStringLiteral("row type at %1 invalid").arg(address);
            return false;
        }
        types.emplace_hint(types.end(), address, std::move(type));
        previous = address;
    }
    out = std::move(types);
    return true;
}

}  // namespace zentiq::zqd_row_types
