// The traffic monitor's table of frames: time, gap and numbered hex line per
// row, extended selection of whole rows, the system's fixed font, and the
// line before the last added one scrolled to the top.
//
// Frames go into the model at once; the rows follow at once too, or, while
// frames come faster than one per 40 ms, with the next refresh at most 40 ms
// later, so that a busy connection costs the GUI one layout per batch.
// With a filter set the view shows the filter model over the same frames;
// without one it shows the frames directly, so that capturing never pays
// for filtering.
#pragma once

#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

#include <cstddef>
#include <cstdint>

#include "engine/engine_types.h"
#include "framework/traffic_lines.h"

namespace zentiq {

class TrafficFilterModel;
class TrafficFrameModel;

class TrafficTableView : public QTableView {
    Q_OBJECT
public:
    // `counter` as for TrafficLines (shared or, when null, the view's own).
    TrafficTableView(int numberDigits, unsigned* counter, QWidget* parent = nullptr);
    ~TrafficTableView() override;

    bool Add(TrafficLines::Direction direction, TransmissionMode mode, const std::uint8_t* bytes,
             std::size_t count, qint64 msecsSinceEpoch);
    // The view shows every frame added so far (pending refresh done now).
    void Flush();

    TrafficFrameModel* Frames() const { return m_frames; }
    // Only the frames of `slave` and of `function` (TrafficFilterModel::kAll
    // for any); a selection stays on the lines still shown.
    void SetFilter(int slave, int function);
    bool IsFiltering() const;

    // Frame-model rows of the lines shown (pending refresh done first), and
    // of the lines with any cell selected, ascending.
    QList<int> ShownRows();
    QList<int> SelectedRows() const;
    // The clipboard text of the selected lines (time, gap, line each).
    QString CopyText();
    // Copy: the selected lines to the clipboard, or "No string selected".
    void CopySelectedLines();

signals:
    // The copy key (Ctrl+C) was pressed: the window decides whether and what
    // its Copy command copies. The view itself copies nothing.
    void copyRequested();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void refresh();
    // Shows the frames or the filter over them; the selection (in frame rows)
    // stays on the lines still shown.
    void showModel(QAbstractItemModel* model, const QItemSelection& sourceSelection);
    void sizeColumns();

    TrafficFrameModel* m_frames;
    TrafficFilterModel* m_filter;
    int m_lineChars = 0;
    static constexpr qint64 kRefreshMs = 40;
    QElapsedTimer m_refreshClock;
    QTimer m_refreshTimer;
};

}  // namespace zentiq
