#include "framework/traffic_frame_model.h"

#include <QDateTime>

#include <algorithm>
#include <set>

#include "framework/frame_address.h"

namespace zentiq {

TrafficFrameModel::TrafficFrameModel(int numberDigits, unsigned* counter, int maxFrames,
                                     QObject* parent)
    : QAbstractTableModel(parent),
      m_digits(std::clamp(numberDigits, 1, 10)),
      m_counter(counter ? counter : &m_ownCounter),
      m_max(std::max(1, maxFrames)),
      m_slack(std::max(64, m_max / 8)) {}

bool TrafficFrameModel::Add(TrafficLines::Direction direction, TransmissionMode mode,
                            const std::uint8_t* bytes, std::size_t count, qint64 msecsSinceEpoch) {
    if (bytes == nullptr || count == 0)
        return false;
    const auto ringSize = static_cast<quint64>(m_max + m_slack);
    if (m_total - m_first >= ringSize)
        Publish();  // the new frame would take the place of row 0's
    Frame f;
    f.bytes = QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(count));
    f.timeMs = msecsSinceEpoch;
    if (m_anyFrame)
        f.gapMs = msecsSinceEpoch - m_lastTimeMs;
    f.number = (*m_counter)++;
    f.direction = direction;
    const FrameAddress address = FrameAddressOf(mode, bytes, count);
    f.slave = static_cast<std::int16_t>(address.slave);
    f.function = static_cast<std::int16_t>(address.function);
    const int chars = std::max(m_digits, static_cast<int>(QString::number(f.number).size())) + 4 +
                      3 * static_cast<int>(count);
    m_longestChars = std::max(m_longestChars, chars);
    if (m_ring.size() < ringSize)
        m_ring.push_back(std::move(f));
    else
        m_ring[m_total % ringSize] = std::move(f);
    ++m_total;
    m_lastTimeMs = msecsSinceEpoch;
    m_anyFrame = true;
    return true;
}

bool TrafficFrameModel::Publish() {
    const quint64 wantedFirst = m_total > quint64(m_max) ? m_total - quint64(m_max) : 0;
    const int wantedRows = static_cast<int>(m_total - wantedFirst);
    if (wantedFirst == m_first && wantedRows == m_rows)
        return false;
    const quint64 dropped = wantedFirst - m_first;
    if (dropped >= quint64(m_rows)) {
        if (m_rows > 0) {
            beginRemoveRows(QModelIndex(), 0, m_rows - 1);
            m_rows = 0;
            endRemoveRows();
        }
        m_first = wantedFirst;
    } else if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, static_cast<int>(dropped) - 1);
        m_first = wantedFirst;
        m_rows -= static_cast<int>(dropped);
        endRemoveRows();
    }
    if (wantedRows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, wantedRows - 1);
        m_rows = wantedRows;
        endInsertRows();
    }
    return true;
}

const TrafficFrameModel::Frame& TrafficFrameModel::frame(int row) const {
    return m_ring[(m_first + static_cast<quint64>(row)) % m_ring.size()];
}

int TrafficFrameModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int TrafficFrameModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficFrameModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TimeColumn: return TimeText(index.row());
        case GapColumn: return GapText(index.row());
        case LineColumn: return LineText(index.row());
        default: return QVariant();
        }
    case Qt::TextAlignmentRole:
        if (index.column() == GapColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case SlaveRole: return frame(index.row()).slave;
    case FunctionRole: return frame(index.row()).function;
    default: return QVariant();
    }
}

QVariant TrafficFrameModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TimeColumn: return tr("时间");
    case GapColumn: return tr("间隔(ms)");
    case LineColumn: return tr("报文");
    default: return QVariant();
    }
}

void TrafficFrameModel::Retranslate() { emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1); }

QString TrafficFrameModel::TimeText(int row) const {
    return QDateTime::fromMSecsSinceEpoch(frame(row).timeMs).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString TrafficFrameModel::GapText(int row) const {
    const std::optional<qint64> gap = GapMs(row);
    return gap ? QString::number(*gap) : QString();
}

QString TrafficFrameModel::LineText(int row) const {
    const Frame& f = frame(row);
    return TrafficLines::FormatLine(m_digits, f.number, f.direction,
                                    reinterpret_cast<const std::uint8_t*>(f.bytes.constData()),
                                    static_cast<std::size_t>(f.bytes.size()));
}

qint64 TrafficFrameModel::TimeMs(int row) const { return frame(row).timeMs; }

std::optional<qint64> TrafficFrameModel::GapMs(int row) const { return frame(row).gapMs; }

QString TrafficFrameModel::RowText(int row) const {
    return TimeText(row) + QLatin1Char('\t') + GapText(row) + QLatin1Char('\t') + LineText(row);
}

QStringList TrafficFrameModel::RowTexts(const QList<int>& rows) const {
    QStringList texts;
    texts.reserve(rows.size());
    for (int row : rows)
        if (row >= 0 && row < m_rows)
            texts.append(RowText(row));
    return texts;
}

QList<int> TrafficFrameModel::distinct(std::int16_t Frame::*member) const {
    std::set<int> values;
    for (int row = 0; row < m_rows; ++row)
        if (const int v = frame(row).*member; v >= 0)
            values.insert(v);
    return QList<int>(values.begin(), values.end());
}

QList<int> TrafficFrameModel::Slaves() const { return distinct(&Frame::slave); }
QList<int> TrafficFrameModel::Functions() const { return distinct(&Frame::function); }

}  // namespace zentiq
