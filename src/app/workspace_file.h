// The workspace file (.zqw): connection settings, the main frame's placement
// and, per open poll window, its document path and frame placement. With
// several connections each one is stored with its name and each window with
// the connection it polls on. This is only the codec; the application
// closes and opens the windows.
#pragma once

#include <array>
#include <cstdint>

#include <QByteArray>
#include <QList>
#include <QString>

#include "documents/window_placement.h"
#include "engine/engine_types.h"

namespace zentiq {

class WorkspaceFile {
public:
    static constexpr std::int32_t kWrittenVersion = 4200;
    // Written only for a workspace with more than one connection, so that a
    // workspace of one connection stays readable by every older program.
    static constexpr std::int32_t kSeveralConnectionsVersion = 4300;
    static constexpr int kMaxConnections = 16;
    // A longer name would not fit the connection menu or a window's title.
    static constexpr qsizetype kMaxNameChars = 40;
    static constexpr int kSettingsBlockSize = 92;
    static constexpr int kShortSettingsBlockSize = 72;  // versions 3500 and 3501
    static constexpr int kLegacyAddressSize = 16;
    static constexpr int kPlacementSize = 44;
    static constexpr int kRecordSize = 560;
    static constexpr int kRecordPathOffset = 300;  // old 8-bit path inside a record
    static constexpr int kRecordPathSize = 260;
    // Longest string accepted for the address and the document paths.
    static constexpr qsizetype kMaxStringChars = 32 * 1024;

    // A frame's placement in the 44-byte form of the document files.
    using Placement = WindowPlacement;

    struct Document {
        Placement placement;
        // As stored: relative to the workspace's folder, or absolute.
        QString storedPath;
        // The connection it polls on: 0 the first, n the entry n - 1 of
        // Contents::moreConnections.
        int connection = 0;
    };

    struct Connection {
        QString name;
        ConnectionSettings settings;
        bool connected = false;
        std::array<std::uint8_t, kLegacyAddressSize> legacyAddress{};
    };

    struct Contents {
        // As read; Encode writes 4200, or 4300 when there are more connections.
        std::int32_t version = kWrittenVersion;
        // The first connection (the only one before 4300).
        ConnectionSettings settings;
        bool connected = false;
        // Kept only to be written back as it was read.
        std::array<std::uint8_t, kLegacyAddressSize> legacyAddress{};
        // The first connection's name; 4300 only (empty from older files,
        // and not written in a workspace of one connection).
        QString name;
        // The connections after the first, each with a name of its own.
        QList<Connection> moreConnections;
        Placement mainFrame;
        QList<Document> documents;
        // Document entries the file breaks off in the middle of (0 or 1):
        // windows that cannot be restored.
        int cutEntries = 0;

        int ConnectionCount() const { return 1 + int(moreConnections.size()); }
        // Connection `index` (0 the first) as one record.
        Connection ConnectionAt(int index) const;
    };

    enum class Status {
        Ok,
        NotFound,        // the file cannot be opened for reading ("<path> was not found")
        CreateFailed,    // the file cannot be created for saving ("File open error")
        BadVersion,      // an unknown version ("File format error")
        Truncated,       // ends inside the settings or the address ("File format error")
        BadSettings,     // a setting outside what the connection can take ("File format error")
        BadConnections,  // a connection count, name or window's connection that cannot be ("File format error")
        ShortPlacement,  // ends inside the main frame placement: the load stops
        WriteFailed,     // saving could not write ("Disk full or disk error")
    };

    // Reads a workspace. Version 4300 holds a count of connections (1 to 16),
    // each with its name (not empty, at most 40 characters, each name once),
    // settings block and address, and an index of its connection after each
    // document's path. Versions 3500 and 3501 hold only the first 72 bytes of
    // the settings block: the fields from DelayBetweenPolls on are taken from
    // `current`. A ConnectionTimeout below 100 becomes 3000; before 3700 a
    // Port of 8 meant Modbus/TCP. The TCP framing (the reserved field at 88)
    // is read from version 4200 only; older files are Modbus/TCP. Document entries are read while a whole
    // record (and, for 4200, its path) is left; a cut-off last entry is
    // ignored. `*out` is written only when the result is Ok.
    static Status Decode(const QByteArray& bytes, const ConnectionSettings& current, Contents* out);
    // 4200 when there is one connection (the name and the documents'
    // connections are then not written), else 4300, whose connections must
    // have names as Decode takes them.
    static QByteArray Encode(const Contents& contents);

    // Reads at most kMaxFileSize bytes: no workspace comes near it.
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;
    static Status Load(const QString& path, const ConnectionSettings& current, Contents* out);
    static Status Save(const QString& path, const Contents& contents);

    // The message for a failed Load or Save of `path`; empty for ShortPlacement,
    // which stops the load silently.
    static QString StatusText(Status status, const QString& path);

    // What keeps an existing path from being read as a workspace (a
    // folder, a special file, no permission), in words; empty when the path
    // does not exist or can be read.
    static QString UnreadableCause(const QString& path);
    // Said after the windows of a workspace that ends inside a document
    // entry have opened: `notRestored` windows of it are missing.
    static QString CutShortText(int notRestored);

    // Whether a chosen name has the extension "zqw" (any letter case).
    static bool HasWorkspaceExtension(const QString& path);

    // The folder of a workspace file: its path up to and including the last "/".
    static QString FolderOf(const QString& workspacePath);
    // The path to store for a document: the part after `folder` when the
    // document lies in that folder or below it, otherwise the whole path.
    // Letter case matters, and the folder must end at a path component.
    static QString StoredPath(const QString& documentPath, const QString& folder);
    // The path to open for a stored one: an old path with a drive letter
    // ("C:...") and an absolute path are used as they are; anything else is
    // taken relative to `folder`, with backslashes read as separators so that
    // workspaces written on other systems still find their documents.
    static QString ResolvePath(const QString& storedPath, const QString& folder);
    // Where else to look when the resolved path does not exist: the stored
    // path's file name (after the last "/" or "\\", as Windows paths have it)
    // in `folder`; empty when that is the same place or there is no name.
    static QString FallbackPath(const QString& storedPath, const QString& folder);
    // The document to open for a stored path: the resolved path, or the
    // fallback when only that one exists as a file.
    static QString PathToOpen(const QString& storedPath, const QString& folder);
};

}  // namespace zentiq
