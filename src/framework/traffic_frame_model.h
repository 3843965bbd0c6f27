// The traffic monitor's frames: a ring of the newest captures with the time
// each was taken and the gap since the one before, as a table model (time,
// gap, numbered hex line). The text of a row is made only when asked for, so
// a frame costs the same however many the ring keeps.
//
// Frames are taken at once; the rows follow with Publish(), so that a view
// lays itself out once per batch rather than once per frame.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/engine_types.h"
#include "framework/traffic_lines.h"

namespace zentiq {

class TrafficFrameModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TimeColumn, GapColumn, LineColumn, ColumnCount };
    // On every column of a row: the frame's slave ID and function code
    // (see FrameAddress), -1 when the frame does not say.
    enum Role { SlaveRole = Qt::UserRole + 1, FunctionRole };

    static constexpr int kMaxFrames = 10000;

    // `counter` numbers the lines as for TrafficLines.
    TrafficFrameModel(int numberDigits, unsigned* counter, int maxFrames = kMaxFrames,
                      QObject* parent = nullptr);

    // Takes a capture taken at `msecsSinceEpoch` (wall clock) and the next
    // line number; an empty capture adds nothing and takes no number.
    bool Add(TrafficLines::Direction direction, TransmissionMode mode, const std::uint8_t* bytes,
             std::size_t count, qint64 msecsSinceEpoch);
    // Frames taken but not yet rows.
    int Pending() const { return static_cast<int>(m_total - m_first - static_cast<quint64>(m_rows)); }
    // Makes the rows the newest maxFrames frames taken; returns whether they changed.
    bool Publish();

    int MaxFrames() const { return m_max; }
    // Characters of the longest line taken so far.
    int LongestLineChars() const { return m_longestChars; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The header texts follow the interface language.
    void Retranslate();

    // Of a row: "HH:mm:ss.zzz" in local time, the gap in ms ("" for the first
    // frame this model took), "<number>-Tx:<hex bytes>".
    QString TimeText(int row) const;
    QString GapText(int row) const;
    QString LineText(int row) const;
    qint64 TimeMs(int row) const;
    // Empty for the first frame taken.
    std::optional<qint64> GapMs(int row) const;
    // What Copy and Save write for a row: time, gap and line, tab-separated.
    QString RowText(int row) const;
    QStringList RowTexts(const QList<int>& rows) const;

    // The slave IDs and function codes among the rows, ascending.
    QList<int> Slaves() const;
    QList<int> Functions() const;

private:
    struct Frame {
        QByteArray bytes;
        qint64 timeMs = 0;
        std::optional<qint64> gapMs;  // none for the first frame taken
        unsigned number = 0;
        TrafficLines::Direction direction = TrafficLines::Direction::Tx;
        std::int16_t slave = -1;
        std::int16_t function = -1;
    };
    const Frame& frame(int row) const;
    QList<int> distinct(std::int16_t Frame::*member) const;

    int m_digits;
    unsigned m_ownCounter = 0;
    unsigned* m_counter;
    int m_max;
    // Frames beyond the rows that may be taken before the oldest row would
    // be overwritten; reaching it publishes at once.
    int m_slack;
    std::vector<Frame> m_ring;
    quint64 m_total = 0;  // frames taken; frame n lives at n % ring size
    quint64 m_first = 0;  // frame number of row 0
    int m_rows = 0;
    qint64 m_lastTimeMs = 0;
    bool m_anyFrame = false;
    int m_longestChars = 0;
};

}  // namespace zentiq
