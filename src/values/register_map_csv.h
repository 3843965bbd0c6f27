// Register maps as CSV: the tables of device manuals (address, name,
// optionally type, byte order, scale, offset, unit, decimals and
// description) read into the aliases and row types of a poll window, and a
// window's aliases and types written out with their addresses and current
// values. No window needed.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <bitset>
#include <vector>

#include "values/csv_text.h"
#include "values/log_line.h"
#include "values/row_type.h"

namespace zentiq {

class RegisterMapCsv {
    Q_DECLARE_TR_FUNCTIONS(RegisterMapCsv)
public:
    struct Entry {
        int line = 0;         // 1-based line of the file
        QString addressText;  // as the file has it
        int address = -1;     // 0-based protocol address
        QString name;         // the alias: the name, with the unit in brackets when untyped
        // The map has a type column (register windows only): the row's type
        // replaces the one its address had; nullopt, none (the display format).
        bool saysType = false;
        std::optional<RowType> type;
        // A text type without a length: it spans up to the next address of
        // the map (ResolveOpenText).
        bool openText = false;
    };
    struct Parsed {
        QString error;  // empty when the file is usable; then nothing else counts
        std::vector<Entry> entries;
    };
    // Where the entries of a map go in one poll window.
    struct Placement {
        std::vector<std::pair<int, QString>> aliases;  // poll item, alias
        // Protocol address, type (nullopt: none), in address order; only
        // rows the poll covers, only from maps with a type column.
        std::vector<std::pair<int, std::optional<RowType>>> types;
        std::vector<Entry> outside;                    // addresses the poll does not cover
        std::size_t outsideCount = 0;                  // all of them; `outside` may keep fewer
    };
    // A map file read into one poll window.
    struct Imported {
        QString error;          // empty when the file is usable; then nothing else counts
        std::size_t named = 0;  // rows with a name
        std::size_t typed = 0;  // rows with a type
        Placement placement;
    };

    // The address of item `item` of the poll as the window shows it: the
    // protocol address, or in PLC style the table digit and the one-based
    // number ("40001"); without the " = " of the cell prefix.
    static QString ShownAddress(const LogLine::Poll& poll, int item);

    enum class AddressCheck { Ok, NotAnAddress, OutOfRange, OtherTable };
    // An address as the user would write it for the window: protocol style
    // "0".."65535"; PLC style "1".."65536", or led by the table digit of the
    // poll's function ("40001", "400001", "4x0001"). OtherTable: a PLC
    // address of another table (a coil in a register window).
    static AddressCheck ParseAddress(const QString& text, int function, int oneBased, int& address);

    // Checks the whole table first: a bad file gives an error and no entries.
    // A first row whose address is no address is a header; its column names
    // (English or Chinese) place the columns, otherwise they go in the order
    // address, name, type, unit, description. Rows with neither a name nor a
    // type are left out. In a register window a type word names the row's
    // type (an unknown one refuses the file with its line), with the order,
    // scale, offset, unit and decimals of its row; the name of the window's
    // own display format (`displayFormat`; -1: none) alone, as exports
    // write untyped rows, and the words of coils mean no type. Without a type
    // the unit goes into the alias in brackets and the other columns count
    // for nothing, as before maps had types.
    static Parsed Parse(const CsvText::Table& table, int function, int oneBased,
                        int displayFormat = -1);

    // Items of the poll for each entry (the last entry of an address wins);
    // entries outside the poll are listed, not dropped. Texts without a
    // length are resolved against all entries first.
    static Placement Place(const std::vector<Entry>& entries, int address, int length);

    // The registers of a text without a length at `address`: up to the next
    // mapped address, at most RowType::kMaxTextRegisters, 1 at the end.
    using MappedAddresses = std::bitset<65536>;
    static int OpenTextRegisters(int address, const MappedAddresses& mapped);

    // Parse and Place in one pass over the file, record by record: what is
    // kept is the poll's aliases and the first `listed` rows outside it (the
    // others are counted), so that a map of many rows costs a few times the
    // file's size, not many times. The same answers as Parse and Place.
    static Imported Import(const QString& path, int function, int oneBased, int address,
                           int length, std::size_t listed, int displayFormat = -1);

    // "Address,Name,Type,Order,Scale,Offset,Unit,Decimals,Description,Value",
    // then one row per item of the poll: the shown address, the alias, the
    // row's type (from `poll.rowTypes`) with its columns, or else the
    // display format of a register value (Bit for coils), and the value as
    // the window shows it, without its unit (empty, as is an untyped row's
    // type, while the poll has read none). An import of it gives the same
    // aliases and types back. `otherAliases` (by protocol address, outside
    // the poll) follow as rows without a value.
    static QByteArray Export(const LogLine::Poll& poll,
                             const std::function<QString(int item)>& aliasOf,
                             const std::map<int, QString>& otherAliases = {});

private:
    // The next record and the line it starts on; false at the end.
    using NextRecord = std::function<bool(QStringList& fields, int& line)>;
    // The reader's fault as the user reads it.
    static QString tableError(CsvText::Error error, int line);
    // Hands the named entries of the records `next` gives to `take`, in
    // order; the fault of the first bad row, if any, after which the rest is
    // only read through (a fault of the file itself is said first). `any`:
    // there was a record at all.
    static QString readEntries(const NextRecord& next, int function, int oneBased,
                               int displayFormat, const std::function<void(Entry&&)>& take,
                               bool& any);
};

}  // namespace zentiq
