// The bus statistics window: one line per poll window with its requested
// and achieved rate, response times and failures, and the line's busy share
// and transaction rate, refreshed while the window is shown. Reset zeroes
// the figures; Copy and Save CSV take them as they stand.
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "engine/engine_types.h"
#include "values/bus_statistics.h"

class QLabel;
class QPushButton;
class QTableView;

namespace zentiq {

class ModbusLine;

class BusStatisticsTableModel;
class CZentiqDoc;

class BusStatisticsWindow : public QWidget {
    Q_OBJECT
public:
    // Often enough to watch, rare enough to cost nothing at any poll rate.
    static constexpr int kRefreshMs = 500;
    // The poll windows in the order they were created.
    using RequestSource = std::function<std::vector<PollWindowRequest>()>;
    // The connection's settings, nothing while unconnected.
    using ConnectionSource = std::function<std::optional<ConnectionSettings>()>;

    // A top-level window owned by `owner` (deleted with it, and on close).
    // Shows the figures of line for the poll windows source lists.
    BusStatisticsWindow(ModbusLine& line, RequestSource source, QWidget* owner);
    ~BusStatisticsWindow() override;

    // What a poll document asks of the line.
    static PollWindowRequest RequestOf(const CZentiqDoc& doc, const ModbusLine& line);
    // The connection whose figures it shows.
    ModbusLine& Bus() const { return m_modbusLine; }

    // Named in the CSV file's header.
    void SetConnectionSource(ConnectionSource source) { m_connection = std::move(source); }
    // When the figures began, if before the window (the program's start).
    void SetFiguresSince(const QDateTime& since) { m_since = since; }
    const QDateTime& FiguresSince() const { return m_since; }
    // The CSV file's header as it stands now.
    BusStatisticsSource Source() const;

    // Reads the engine's figures now.
    void Refresh();
    // Zeroes the figures of every poll window's slot and of the line.
    void Reset();
    void CopyToClipboard() const;
    // Asks for a file name; false when cancelled or the file was not written.
    bool SaveCsv();

    const BusStatisticsTableModel& Table() const { return *m_model; }
    QTableView* TableView() const { return m_table; }
    const BusLineFigures& Line() const { return m_line; }
    QString LineLabelText() const;
    bool Refreshing() const { return m_timer.isActive(); }

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void fitColumns();
    bool m_sized = false;
    void buildControls();
    void retranslate();

    ModbusLine& m_modbusLine;
    RequestSource m_source;
    ConnectionSource m_connection;
    QDateTime m_since = QDateTime::currentDateTime();
    BusLineFigures m_line;
    BusStatisticsTableModel* m_model = nullptr;
    QLabel* m_lineLabel = nullptr;
    QTableView* m_table = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_save = nullptr;
    QTimer m_timer;
};

}  // namespace zentiq
