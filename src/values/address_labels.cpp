#include "values/address_labels.h"

#include <array>
#include <climits>
#include <cstdio>

#include "engine/engine_types.h"

namespace zentiq {
namespace {

struct LabelRow {
    FunctionCode function;  // not looked at in the protocol row
    const char* header;
    const char* prefix;
    const char* header5;  // when the poll reaches past address 9999
    const char* prefix5;
};

// PLC style: the table digit of the function, then the address.
// "0x" is the coil table, not a hexadecimal mark.
constexpr std::array<LabelRow, 8> kPlcRows = {{
    {FunctionCode::ReadCoils, "0x%04i", "0%04i = ", "0x%05i", "0%05i = "},
    {FunctionCode::WriteSingleCoil, "0x%04i", "0%04i = ", "0x%05i", "0%05i = "},
    {FunctionCode::WriteMultipleCoils, "0x%04i", "0%04i = ", "0x%05i", "0%05i = "},
    {FunctionCode::ReadDiscreteInputs, "1x%04i", "1%04i = ", "1x%05i", "1%05i = "},
    {FunctionCode::ReadInputRegisters, "3x%04i", "3%04i = ", "3x%05i", "3%05i = "},
    {FunctionCode::ReadHoldingRegisters, "4x%04i", "4%04i = ", "4x%05i", "4%05i = "},
    {FunctionCode::WriteSingleRegister, "4x%04i", "4%04i = ", "4x%05i", "4%05i = "},
    {FunctionCode::WriteMultipleRegisters, "4x%04i", "4%04i = ", "4x%05i", "4%05i = "},
}};

constexpr LabelRow kProtocolRow = {FunctionCode::RawFrame, "%05i", "%i = ", "%05i", "%i = "};

constexpr int kLastFourDigitAddress = 9999;

QString Apply(const char* format, long long number) {
    if (number < INT_MIN || number > INT_MAX)
        return QString();
    char buffer[48];
    const int n = std::snprintf(buffer, sizeof buffer, format, static_cast<int>(number));
    return n < 0 ? QString() : QString::fromLatin1(buffer);
}

}  // namespace

AddressLabelFormats AddressLabelFormats::For(int function, int oneBased, int address, int length) {
    if (oneBased == 0)
        return AddressLabelFormats(kProtocolRow.header, kProtocolRow.prefix);
    const bool fiveDigits = static_cast<long long>(address) + length > kLastFourDigitAddress;
    for (const LabelRow& row : kPlcRows) {
        if (row.function == function) {
            return fiveDigits ? AddressLabelFormats(row.header5, row.prefix5)
                              : AddressLabelFormats(row.header, row.prefix);
        }
    }
    // A function without a table digit is labelled by its protocol address.
    return AddressLabelFormats(kProtocolRow.header, kProtocolRow.prefix);
}

long long AddressLabelFormats::BlockStart(int address, int rowsPerColumn, int block) {
    if (rowsPerColumn <= 0)
        return 0;
    const long long r = rowsPerColumn;
    long long quotient = address / r;
    if (address % r != 0 && address < 0)
        --quotient;  // floor, also below 0
    return r * quotient + static_cast<long long>(block) * r;
}

QString AddressLabelFormats::HeaderLabel(int address, int rowsPerColumn, int block) const {
    return Apply(m_header, BlockStart(address, rowsPerColumn, block));
}

QString AddressLabelFormats::HeaderText(int number) const { return Apply(m_header, number); }

QString AddressLabelFormats::CellPrefix(int oneBased, int address, int item) const {
    return Apply(m_cellPrefix, static_cast<long long>(oneBased) + address + item);
}

QString AddressLabelFormats::RowLabel(int oneBased, int row) {
    return Apply("%d", static_cast<long long>(oneBased) + row - 1);
}

}  // namespace zentiq
