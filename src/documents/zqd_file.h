// The poll document file (.zqd): written as version 4201, or 4202 (4201 plus
// the row types) for a document whose rows have types of their own; read in
// versions 3500, 4000, 4200, 4201 and 4202. Loading parses the whole file into ZqdContents
// first and applies it only when everything was read and checked, so a short
// or damaged file changes nothing.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>

#include "documents/doc_font.h"
#include "documents/grid_layout_data.h"
#include "documents/poll_definition.h"
#include "documents/window_placement.h"
#include "values/row_type.h"

namespace zentiq {

class PollDocumentModel;

// Everything a .zqd file holds; the has* flags say which parts its version
// carries.
struct ZqdContents {
    static constexpr int kStoredValueBytes = 256;

    qint32 version = 0;
    PollDefinition def;  // RowsDialog/HideAlias from 4000, DisplayAddr from 4201
    qint32 textColour = 0;
    qint32 reservedColour = 0;
    DocFont font;
    WindowPlacement placement;

    bool hasValues = false;  // 4200 and later
    std::array<quint8, kStoredValueBytes> values{};

    bool hasGrid = false;  // 4000 and later
    qint32 valueColumns = 0;
    qint32 rowsPerColumn = 0;
    GridLayoutData grid;  // includes the scroll and focus state of 4201

    bool hasViewState = false;  // 4201 and later
    RowTypes rowTypes;           // 4202; empty before
};

enum class ZqdStatus {
    Ok,
    UnknownVersion,  // nothing read beyond the version; the document keeps its defaults
    Damaged,         // short or inconsistent file: the document is not opened
    IoError,         // the file could not be opened, read or written
};

struct ZqdResult {
    ZqdStatus status = ZqdStatus::Ok;
    QString message;  // text for the user; empty when Ok
    bool ok() const { return status == ZqdStatus::Ok; }
};

class ZqdFile {
public:
    static constexpr qint32 kWrittenVersion = 4201;
    static constexpr qint32 kRowTypesVersion = 4202;  // written only with row types
    // Bounds on counts read from a file, checked before anything is sized.
    static constexpr qint32 kMaxValueColumns = 402;  // 2 * ceil((9 + 2000) / 10)
    static constexpr qint32 kMaxRowsPerColumn = 100;
    static constexpr qint32 kMaxCellExtent = 32767;  // column width / row height in pixels
    static constexpr qsizetype kMaxCellTextChars = 8192;
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

    static QString FormatErrorText();  // "File format error"
    // Why a FIFO, device or folder is not opened as a document.
    static QString NotRegularFileText(const QString& path);

    // The bytes of a version 4201 file, or 4202 when the document has row
    // types. `grid` gives the column and row
    // counts, sizes, cells and the current scroll and focus state; cells the
    // grid does not have are written as defaults, texts longer than
    // kMaxCellTextChars are cut so that the file always reads back.
    static QByteArray Serialize(const PollDocumentModel& doc, const GridLayoutData& grid);

    // Parses a whole file. On UnknownVersion `out.version` holds the version
    // found; on any failure `out` must not be applied.
    static ZqdResult Parse(const QByteArray& bytes, ZqdContents& out);

    // Puts parsed contents into the document and, for files with a grid, into
    // `grid`. A 3500 file runs ComputeGridSize instead (and leaves `grid`
    // alone; the caller sizes its grid from the document).
    static void Apply(const ZqdContents& contents, PollDocumentModel& doc, GridLayoutData& grid);

    // Parse + Apply from a file. UnknownVersion leaves the document as it was.
    static ZqdResult Load(const QString& path, PollDocumentModel& doc, GridLayoutData& grid);
    // Writes through QSaveFile, so a failed save never replaces a good file.
    // Copies the grid's focus cell into the document's focusRow/focusColumn.
    static ZqdResult Save(const QString& path, PollDocumentModel& doc, const GridLayoutData& grid);
};

}  // namespace zentiq
