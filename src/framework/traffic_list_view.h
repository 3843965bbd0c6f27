// The list of numbered traffic lines that the test center shows (the
// monitor's table of timed frames is TrafficTableView): extended selection, the system's fixed font, a horizontal extent
// as wide as the widest line so far, and the line before the last added one
// scrolled to the top.
//
// Lines are kept in a TrafficLines at once; the view follows at once too,
// or, while lines come faster than one per 40 ms, with the next refresh at
// most 40 ms later, so that a busy connection costs the GUI little drawing.
#pragma once

#include <QElapsedTimer>
#include <QListView>
#include <QTimer>

#include <cstddef>
#include <cstdint>

#include "framework/traffic_lines.h"

namespace zentiq {

class TrafficListView : public QListView {
    Q_OBJECT
public:
    // `counter` as for TrafficLines (shared or, when null, the list's own).
    TrafficListView(int numberDigits, unsigned* counter, QWidget* parent = nullptr);
    ~TrafficListView() override;

    bool Add(TrafficLines::Direction direction, const std::uint8_t* bytes, std::size_t count);
    const TrafficLines& Lines() const { return m_lines; }
    // The view shows every line added so far (pending refresh done now).
    void Flush();

    // Rows of the selected lines, and the clipboard text of them.
    QList<int> SelectedRows() const;
    QString CopyText();
    // Copy: the selected lines to the clipboard, or "No string selected".
    void CopySelectedLines();
    // Width of the widest line so far in the list's font, in pixels.
    int WidestLine() const { return m_widest; }

signals:
    // The copy key (Ctrl+C) was pressed: the window decides whether and what
    // its Copy command copies. The list itself copies nothing.
    void copyRequested();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    class Model;
    void refresh();

    TrafficLines m_lines;
    Model* m_model;
    int m_widest = 0;
    qsizetype m_longestChars = 0;
    int m_addedSinceRefresh = 0;
    int m_droppedSinceRefresh = 0;
    static constexpr qint64 kRefreshMs = 40;
    QElapsedTimer m_refreshClock;
    QTimer m_refreshTimer;
};

}  // namespace zentiq
