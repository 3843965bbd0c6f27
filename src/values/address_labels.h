// Address labels of a poll window: the column headers, the row labels and the
// "address = " prefix of a value cell, in protocol style (from 0) and in PLC
// style (from 1, led by the table digit of the function).
#pragma once

#include <QString>

namespace zentiq {

class AddressLabelFormats {
public:
    // The formats for a poll of `length` items from the 0-based `address`.
    // PLC style (`oneBased` non-zero) switches to five digits once the poll
    // reaches past address 9999.
    static AddressLabelFormats For(int function, int oneBased, int address, int length);

    // printf formats (one int each), kept as strings so a view can store them.
    const char* headerFormat() const { return m_header; }
    const char* cellPrefixFormat() const { return m_cellPrefix; }

    // Header of value-column block k of a grid with `rowsPerColumn` rows:
    // the number R·⌊address/R⌋ + k·R, without the one-based offset.
    QString HeaderLabel(int address, int rowsPerColumn, int block) const;
    // The header format applied to `number` as it stands.
    QString HeaderText(int number) const;
    // Prefix of item i: the cell prefix format of oneBased + address + i.
    QString CellPrefix(int oneBased, int address, int item) const;

    // Label of grid row r (1..R): oneBased + r − 1.
    static QString RowLabel(int oneBased, int row);
    // First protocol address of block k; 0 for a non-positive row count.
    static long long BlockStart(int address, int rowsPerColumn, int block);

private:
    AddressLabelFormats(const char* header, const char* cellPrefix)
        : m_header(header), m_cellPrefix(cellPrefix) {}

    const char* m_header;
    const char* m_cellPrefix;
};

}  // namespace zentiq
