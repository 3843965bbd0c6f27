// Feeds arbitrary bytes to the workspace reader. Whatever it accepts must
// survive being written and read back unchanged.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "app/workspace_file.h"

using zentiq::WorkspaceFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     static_cast<qsizetype>(size));
    WorkspaceFile::Contents first;
    if (WorkspaceFile::Decode(bytes, zentiq::ConnectionSettings{}, &first) != WorkspaceFile::Status::Ok)
        return 0;
    const QByteArray written = WorkspaceFile::Encode(first);
    WorkspaceFile::Contents second;
    if (WorkspaceFile::Decode(written, zentiq::ConnectionSettings{}, &second) != WorkspaceFile::Status::Ok)
        std::abort();
    const zentiq::ConnectionSettings& a = first.settings;
    const zentiq::ConnectionSettings& b = second.settings;
    if (a.Port != b.Port || a.BaudRate != b.BaudRate || a.Serial != b.Serial || a.TcpFraming != b.TcpFraming ||
        a.ConnectionTimeout != b.ConnectionTimeout || a.IPAddress != b.IPAddress ||
        a.DelayBetweenPolls != b.DelayBetweenPolls || first.connected != second.connected ||
        first.legacyAddress != second.legacyAddress || !(first.mainFrame == second.mainFrame) ||
        first.documents.size() != second.documents.size())
        std::abort();
    for (qsizetype i = 0; i < first.documents.size(); ++i) {
        if (!(first.documents[i].placement == second.documents[i].placement) ||
            first.documents[i].storedPath != second.documents[i].storedPath)
            std::abort();
    }
    if (WorkspaceFile::Encode(second) != written) std::abort();
    return 0;
}
