// Register maps as CSV: the tables of device manuals (address, name,
// optionally type, unit and description) read into the aliases of a poll
// window, and a window's aliases written out with their addresses and
// current values. No window needed.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "values/csv_text.h"
#include "values/log_line.h"

namespace zentiq {

class RegisterMapCsv {
    Q_DECLARE_TR_FUNCTIONS(RegisterMapCsv)
public:
    struct Entry {
        int line = 0;         // 1-based line of the file
        QString addressText;  // as the file has it
        int address = -1;     // 0-based protocol address
        QString name;         // the alias: the name, with the unit in brackets when given
    };
    struct Parsed {
        QString error;  // empty when the file is usable; then nothing else counts
        std::vector<Entry> entries;
    };
    // Where the entries of a map go in one poll window.
    struct Placement {
        std::vector<std::pair<int, QString>> aliases;  // poll item, alias
        std::vector<Entry> outside;                    // addresses the poll does not cover
        std::size_t outsideCount = 0;                  // all of them; `outside` may keep fewer
    };
    // A map file read into one poll window.
    struct Imported {
        QString error;          // empty when the file is usable; then nothing else counts
        std::size_t named = 0;  // rows with a name
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
    // address, name, type, unit, description. Rows without a name are left out.
    static Parsed Parse(const CsvText::Table& table, int function, int oneBased);

    // Items of the poll for each entry (the last entry of an address wins);
    // entries outside the poll are listed, not dropped.
    static Placement Place(const std::vector<Entry>& entries, int address, int length);

    // Parse and Place in one pass over the file, record by record: what is
    // kept is the poll's aliases and the first `listed` rows outside it (the
    // others are counted), so that a map of many rows costs a few times the
    // file's size, not many times. The same answers as Parse and Place.
    static Imported Import(const QString& path, int function, int oneBased, int address,
                           int length, std::size_t listed);

    // "Address,Name,Type,Unit,Description,Value", then one row per item of
    // the poll: the shown address, the alias, the display format of a
    // register value (Bit for coils), and the value as the window shows it
    // (empty, as is the type, while the poll has read none).
    // An import of it gives the same aliases back. `otherAliases` (by
    // protocol address, outside the poll) follow as rows without a value.
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
                               const std::function<void(Entry&&)>& take, bool& any);
};

}  // namespace zentiq
