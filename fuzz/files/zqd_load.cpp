// Feeds arbitrary bytes to the poll document file reader. A file that reads
// must apply cleanly, and what is then written must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "documents/grid_layout_data.h"
#include "documents/poll_document_model.h"
#include "documents/zqd_file.h"

using namespace zentiq;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     static_cast<qsizetype>(size));
    ZqdContents contents;
    if (!ZqdFile::Parse(bytes, contents).ok())
        return 0;

    PollDocumentModel doc;
    GridLayoutData grid;
    ZqdFile::Apply(contents, doc, grid);

    // Every cell of the loaded geometry maps without trouble.
    const GridSize size_ = doc.gridSize();
    for (int c = 0; c < size_.columns; ++c) {
        for (int r = 0; r < size_.rows; ++r) {
            const int item = doc.ItemAtCell(r, c);
            int row = 0, column = 0;
            if (item >= 0 && (!doc.CellOfItem(item, row, column) || row != r || column != c))
                std::abort();
        }
    }

    const QByteArray again = ZqdFile::Serialize(doc, grid);
    ZqdContents reread;
    if (!ZqdFile::Parse(again, reread).ok() || !(reread.def == doc.def) ||
        !(reread.font == doc.font) || reread.valueColumns != doc.valueColumns ||
        reread.rowTypes != doc.rowTypes)
        std::abort();
    return 0;
}
