#include "display/decode_table_model.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

#include "framework/contrast.h"
#include "values/register_decode.h"

namespace zentiq {

namespace {

// The mark of a doubtful reading: a light red, or a dark red on dark palettes.
CellMark doubtfulMark() { return MarkOnPalette(QColor(255, 218, 218), QColor(110, 35, 35)); }

}  // namespace

DecodeTableModel::DecodeTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void DecodeTableModel::SetLayout(std::vector<std::uint16_t> words, std::vector<int> starts,
                                 QStringList titles) {
    beginResetModel();
    m_words = std::move(words);
    m_starts = std::move(starts);
    m_titles = std::move(titles);
    endResetModel();
}

bool DecodeTableModel::SetWords(const std::vector<std::uint16_t>& words) {
    if (words == m_words)
        return false;
    const bool sameSize = words.size() == m_words.size();
    m_words = words;
    if (!sameSize) {
        beginResetModel();
        endResetModel();
        return true;
    }
    // The view repaints only the part of the range it shows.
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
    return true;
}

int DecodeTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(AllReadings().size());
}

int DecodeTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_starts.size());
}

int DecodeTableModel::textRegisters(int column) const {
    if (m_starts.empty())
        return 1;
    return std::clamp(m_starts.back() - m_starts[std::size_t(column)] + 1, 1, kMaxTextRegisters);
}

QVariant DecodeTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::BackgroundRole &&
        role != Qt::ForegroundRole)
        return QVariant();
    const DecodeReading& reading = AllReadings()[std::size_t(index.row())];
    const DecodedValue v = DecodeAt(m_words, m_starts[std::size_t(index.column())], reading,
                                    textRegisters(index.column()));
    switch (role) {
    case Qt::DisplayRole: return v.available ? v.text : QStringLiteral("—");
    case Qt::ToolTipRole: return DoubtText(v.doubt);
    case Qt::BackgroundRole:
        return v.available && v.doubt != Doubt::None ? QVariant(QBrush(doubtfulMark().background))
                                                     : QVariant();
    case Qt::ForegroundRole:
        // The mark brings its own text colour: the palette's would not
        // always read on it.
        return v.available && v.doubt != Doubt::None ? QVariant(QBrush(doubtfulMark().text))
                                                     : QVariant();
    default: return QVariant();
    }
}

QVariant DecodeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_titles.size() ? m_titles[section] : QVariant();
    if (section < 0 || section >= rowCount())
        return QVariant();
    return ReadingName(AllReadings()[std::size_t(section)]);
}

int DecodeTableModel::RowOf(const DecodeReading& reading) {
    const std::span<const DecodeReading> readings = AllReadings();
    const auto it = std::find(readings.begin(), readings.end(), reading);
    return it == readings.end() ? -1 : int(it - readings.begin());
}

}  // namespace zentiq
