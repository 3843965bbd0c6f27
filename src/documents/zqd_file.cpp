#include "documents/zqd_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include "framework/atomic_save.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "documents/binary_io.h"
#include "documents/poll_document_model.h"
#include "documents/zqd_row_types.h"

namespace zentiq {

namespace {

constexpr qint32 kVersion3500 = 3500;
constexpr qint32 kVersion4000 = 4000;
constexpr qint32 kVersion4200 = 4200;
constexpr qint32 kVersion4201 = 4201;
constexpr qint32 kVersion4202 = ZqdFile::kRowTypesVersion;

// Smallest number of bytes one stored cell can take: two colours, the 28-byte
// font record and an empty face name (one count byte).
constexpr qint64 kMinCellBytes = 4 + 4 + 28 + 1;

bool isKnownVersion(qint32 v) {
    return v == kVersion3500 || v == kVersion4000 || v == kVersion4200 || v == kVersion4201 ||
           v == kVersion4202;
}

bool isRowChoice(qint32 rows) {
    for (int r : PollDefinition::kRowChoices)
        if (r == rows)
            return true;
    return false;
}

ZqdResult damaged(const QString& detail) {
    return {ZqdStatus::Damaged,
            QStringLiteral("Failed to open document. The file is damaged or incomplete (%1).")
                .arg(detail)};
}

void writePlacement(BinaryWriter& w, const WindowPlacement& p) {
    w.writeI32(WindowPlacement::kRecordLength);
    for (qint32 v :
         {p.flags, p.showCmd, p.minX, p.minY, p.maxX, p.maxY, p.left, p.top, p.right, p.bottom})
        w.writeI32(v);
}

bool readPlacement(BinaryReader& r, WindowPlacement& p) {
    return r.readI32(p.length) && r.readI32(p.flags) && r.readI32(p.showCmd) && r.readI32(p.minX) &&
           r.readI32(p.minY) && r.readI32(p.maxX) && r.readI32(p.maxY) && r.readI32(p.left) &&
           r.readI32(p.top) && r.readI32(p.right) && r.readI32(p.bottom);
}

bool readCell(BinaryReader& r, GridCellData& cell, bool withText) {
    qint32 background = 0;
    qint32 textColour = 0;
    if (!r.readI32(background) || !r.readI32(textColour) || !cell.font.read(r))
        return false;
    cell.background = static_cast<quint32>(background);
    cell.textColour = static_cast<quint32>(textColour);
    if (withText && !r.readString(cell.text, ZqdFile::kMaxCellTextChars))
        return false;
    return true;
}

}  // namespace

QString ZqdFile::NotRegularFileText(const QString& path) {
    return QCoreApplication::translate(
               "ZqdFile", "%1 不是普通文件（可能是管道、设备或文件夹），不能作为文档打开。")
        .arg(QDir::toNativeSeparators(path));
}

QString ZqdFile::FormatErrorText() {
    return QCoreApplication::translate("zentiq::ZqdFile", "文件格式错误");
}

QByteArray ZqdFile::Serialize(const PollDocumentModel& doc, const GridLayoutData& grid) {
    BinaryWriter w;
    const PollDefinition& d = doc.def;
    // A document without row types is written exactly as before them.
    const bool typed = !doc.rowTypes.empty();
    w.writeI32(typed ? kRowTypesVersion : kWrittenVersion);
    for (qint32 v : {d.Address, d.FunctionValue, d.Length, d.ScanRate, d.SlaveID, d.DisplayFormat,
                     d.bEnable, d.OneBased, doc.textColour, doc.reservedColour})
        w.writeI32(v);
    doc.font.write(w);
    writePlacement(w, doc.placement);
    w.writeBytes(reinterpret_cast<const char*>(doc.values.data()), ZqdContents::kStoredValueBytes);
    w.writeI32(d.RowsDialog);
    w.writeI32(d.HideAlias);

    // A grid that was never sized is written with the document's geometry.
    const bool useGrid = grid.columnCount() > 0 && grid.rowCount() > 0;
    const GridSize size = useGrid ? GridSize{grid.rowCount(), grid.columnCount()} : doc.gridSize();
    const int columns = std::max(size.columns, 1);
    const int rows = std::max(size.rows, 1);
    w.writeI32(columns - 1);
    w.writeI32(rows - 1);
    const auto extent = [](const QVector<qint32>& sizes, int i) {
        return i < sizes.size() ? std::clamp(sizes[i], 0, kMaxCellExtent) : 0;
    };
    for (int c = 0; c < columns; ++c)
        w.writeI32(extent(grid.columnWidths, c));
    for (int r = 0; r < rows; ++r)
        w.writeI32(extent(grid.rowHeights, r));
    const GridCellData defaultCell{GridCellData::kDefaultColour, GridCellData::kDefaultColour,
                                   doc.font, QString()};
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            const GridCellData* cell = grid.cell(r, c);
            if (!cell)
                cell = &defaultCell;
            w.writeI32(static_cast<qint32>(cell->background));
            w.writeI32(static_cast<qint32>(cell->textColour));
            cell->font.write(w);
            if (c % 2 == 1)
                w.writeString(cell->text.left(kMaxCellTextChars));
        }
    }
    w.writeI32(useGrid ? grid.scrollV : doc.scrollV);
    w.writeI32(useGrid ? grid.scrollH : doc.scrollH);
    w.writeI32(d.DisplayAddr);
    w.writeI32(useGrid ? grid.focusRow : doc.focusRow);
    w.writeI32(useGrid ? grid.focusColumn : doc.focusColumn);
    if (typed)
        zqd_row_types::Write(w, doc.rowTypes);
    return w.data();
}

ZqdResult ZqdFile::Parse(const QByteArray& bytes, ZqdContents& out) {
    BinaryReader r(bytes);
    ZqdContents c;
    if (!r.readI32(c.version))
        return damaged(QStringLiteral("no version"));
    if (!isKnownVersion(c.version)) {
        out = ZqdContents();
        out.version = c.version;
        return {ZqdStatus::UnknownVersion, FormatErrorText()};
    }

    PollDefinition& d = c.def;
    if (!(r.readI32(d.Address) && r.readI32(d.FunctionValue) && r.readI32(d.Length) &&
          r.readI32(d.ScanRate) && r.readI32(d.SlaveID) && r.readI32(d.DisplayFormat) &&
          r.readI32(d.bEnable) && r.readI32(d.OneBased) && r.readI32(c.textColour) &&
          r.readI32(c.reservedColour)))
        return damaged(QStringLiteral("poll definition cut short"));
    if (!c.font.read(r))
        return damaged(QStringLiteral("font cut short or invalid"));
    if (!readPlacement(r, c.placement))
        return damaged(QStringLiteral("window placement cut short"));

    if (c.version >= kVersion4200) {
        if (!r.readBytes(reinterpret_cast<char*>(c.values.data()), ZqdContents::kStoredValueBytes))
            return damaged(QStringLiteral("values cut short"));
        c.hasValues = true;
    }

    if (c.version >= kVersion4000) {
        if (!(r.readI32(d.RowsDialog) && r.readI32(d.HideAlias) && r.readI32(c.valueColumns) &&
              r.readI32(c.rowsPerColumn)))
            return damaged(QStringLiteral("grid header cut short"));
        // Checked before anything is sized by them.
        if (c.valueColumns < 0 || c.valueColumns > kMaxValueColumns)
            return damaged(QStringLiteral("column count %1 out of range").arg(c.valueColumns));
        if (!isRowChoice(c.rowsPerColumn))
            return damaged(QStringLiteral("row count %1 out of range").arg(c.rowsPerColumn));
        const int columns = c.valueColumns + 1;
        const int rows = c.rowsPerColumn + 1;
        const qint64 minimum = 4 * qint64(columns + rows) + kMinCellBytes * columns * rows;
        if (r.remaining() < minimum)
            return damaged(QStringLiteral("grid cut short"));

        GridLayoutData& g = c.grid;
        g.reset(rows, columns);
        for (qint32& width : g.columnWidths)
            if (!r.readI32(width) || width < 0 || width > kMaxCellExtent)
                return damaged(QStringLiteral("column width invalid"));
        for (qint32& height : g.rowHeights)
            if (!r.readI32(height) || height < 0 || height > kMaxCellExtent)
                return damaged(QStringLiteral("row height invalid"));
        for (int col = 0; col < columns; ++col)
            for (int row = 0; row < rows; ++row)
                if (!readCell(r, *g.cell(row, col), col % 2 == 1))
                    return damaged(
                        QStringLiteral("cell %1,%2 cut short or invalid").arg(row).arg(col));
        c.hasGrid = true;
    }

    if (c.version >= kVersion4201) {
        if (!(r.readI32(c.grid.scrollV) && r.readI32(c.grid.scrollH) && r.readI32(d.DisplayAddr) &&
              r.readI32(c.grid.focusRow) && r.readI32(c.grid.focusColumn)))
            return damaged(QStringLiteral("view state cut short"));
        c.hasViewState = true;
    }

    if (c.version >= kVersion4202) {
        QString why;
        if (!zqd_row_types::Read(r, c.rowTypes, why))
            return damaged(why);
    }

    // The program never writes values outside these limits, and the grid
    // arithmetic and the 2000-byte value buffer rely on them.
    if (!d.IsSound())
        return damaged(QStringLiteral("poll definition out of range"));

    out = std::move(c);
    return {};
}

void ZqdFile::Apply(const ZqdContents& c, PollDocumentModel& doc, GridLayoutData& grid) {
    PollDefinition& d = doc.def;
    d.Address = c.def.Address;
    d.FunctionValue = c.def.FunctionValue;
    d.Length = c.def.Length;
    d.ScanRate = c.def.ScanRate;
    d.SlaveID = c.def.SlaveID;
    d.DisplayFormat = c.def.DisplayFormat;
    d.bEnable = c.def.bEnable;
    d.OneBased = c.def.OneBased;
    doc.textColour = c.textColour;
    doc.reservedColour = c.reservedColour;
    doc.font = c.font;
    doc.placement = c.placement;
    doc.rowTypes = c.rowTypes;

    if (!c.hasGrid) {
        // Oldest files carry no grid: it follows from the definition and the
        // document's own rows setting.
        doc.ComputeGridSize();
        return;
    }
    if (c.hasValues) {
        doc.values.fill(0);
        std::copy(c.values.begin(), c.values.end(), doc.values.begin());
    }
    d.RowsDialog = c.def.RowsDialog;
    d.HideAlias = c.def.HideAlias;
    doc.valueColumns = c.valueColumns;
    doc.rowsPerColumn = c.rowsPerColumn;
    const qint32 scrollV = grid.scrollV, scrollH = grid.scrollH;
    const qint32 focusRow = grid.focusRow, focusColumn = grid.focusColumn;
    grid = c.grid;
    if (c.hasViewState) {
        doc.scrollV = c.grid.scrollV;
        doc.scrollH = c.grid.scrollH;
        d.DisplayAddr = c.def.DisplayAddr;
        doc.focusRow = c.grid.focusRow;
        doc.focusColumn = c.grid.focusColumn;
    } else {
        grid.scrollV = scrollV;
        grid.scrollH = scrollH;
        grid.focusRow = focusRow;
        grid.focusColumn = focusColumn;
    }
}

ZqdResult ZqdFile::Load(const QString& path, PollDocumentModel& doc, GridLayoutData& grid) {
    // Opened without blocking and checked before reading: a FIFO or a
    // device given as a document would otherwise hang the program in
    // open() or read().
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {ZqdStatus::IoError, QStringLiteral("Cannot open %1: %2")
                                        .arg(path, QString::fromLocal8Bit(std::strerror(errno)))};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {ZqdStatus::IoError, NotRegularFileText(path)};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {ZqdStatus::IoError,
                QStringLiteral("Cannot open %1: %2").arg(path, file.errorString())};
    }
    if (file.size() > kMaxFileBytes)
        return damaged(QStringLiteral("file too large"));
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {ZqdStatus::IoError,
                QStringLiteral("Cannot read %1: %2").arg(path, file.errorString())};
    if (bytes.size() > kMaxFileBytes)
        return damaged(QStringLiteral("file too large"));
    ZqdContents contents;
    ZqdResult result = Parse(bytes, contents);
    if (result.ok())
        Apply(contents, doc, grid);
    return result;
}

ZqdResult ZqdFile::Save(const QString& path, PollDocumentModel& doc, const GridLayoutData& grid) {
    if (grid.columnCount() > 0 && grid.rowCount() > 0) {
        doc.focusRow = grid.focusRow;
        doc.focusColumn = grid.focusColumn;
    }
    const QByteArray bytes = Serialize(doc, grid);
    QString error;
    if (SaveAtomically(path, bytes, &error) != SaveResult::Ok)
        return {ZqdStatus::IoError, QStringLiteral("Cannot save %1: %2").arg(path, error)};
    return {};
}

}  // namespace zentiq
