// Follows what the poll windows read of one block for a write dialog: reads
// it again when the dialog points it elsewhere, and when a window reads new
// values of it, at most once per kRefreshMs however fast the windows poll.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>
#include <vector>

#include "documents/polled_value_lookup.h"

namespace zentiq {

class CurrentValueWatch final : public QObject {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 250;

    explicit CurrentValueWatch(QObject* parent);

    // The connection the dialog writes to: only windows polling on it read
    // the block (the default line until set). Reads again.
    void SetLine(const ModbusLine& line);
    // The block to follow, on the watch's line; none (fields that do not
    // name one) shows nothing read. Reads at once.
    void SetRange(std::optional<PolledRange> range);
    const std::optional<PolledRange>& Range() const { return m_range; }
    // Item i of the block as last read (none: not polled or not read).
    const std::vector<PolledItem>& Items() const { return m_items; }

signals:
    // Items() changed, or the block did.
    void changed();

private:
    void schedule();
    void refresh();

    const ModbusLine* m_line;
    std::optional<PolledRange> m_range;
    std::vector<PolledItem> m_items;
    QElapsedTimer m_lastRefresh;
    QTimer m_timer;
};

}  // namespace zentiq
