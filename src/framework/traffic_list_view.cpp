#include "framework/traffic_list_view.h"

#include <QAbstractListModel>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

#include "framework/dialog_data_exchange.h"

namespace zentiq {

// What the view shows: a copy of the lines as of the last refresh, changed
// by row insertions and removals so that a selection stays on its lines.
class TrafficListView::Model final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= m_shown.size())
            return QVariant();
        if (role == Qt::DisplayRole)
            return m_shown.at(index.row());
        if (role == Qt::SizeHintRole)
            return m_itemSize;  // every line as wide as the widest: one uniform size
        return QVariant();
    }

    void setItemSize(const QSize& size) { m_itemSize = size; }

    // Brings the copy up to `lines` after `added` appends that dropped
    // `dropped` lines from the front.
    void follow(const QStringList& lines, int added, int dropped) {
        const int kept = static_cast<int>(m_shown.size()) - dropped;
        if (kept < 0 || added > lines.size() || kept + added != lines.size()) {
            beginResetModel();
            m_shown = lines;
            endResetModel();
            return;
        }
        if (dropped > 0) {
            beginRemoveRows(QModelIndex(), 0, dropped - 1);
            m_shown.remove(0, dropped);
            endRemoveRows();
        }
        if (added > 0) {
            const int first = static_cast<int>(m_shown.size());
            beginInsertRows(QModelIndex(), first, first + added - 1);
            m_shown.append(lines.mid(first));
            endInsertRows();
        }
    }

private:
    QStringList m_shown;
    QSize m_itemSize;
};

TrafficListView::TrafficListView(int numberDigits, unsigned* counter, QWidget* parent)
    : QListView(parent), m_lines(numberDigits, counter), m_model(new Model(this)) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setWeight(QFont::Normal);
    setFont(font);
    setModel(m_model);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_model->setItemSize(QSize(0, fontMetrics().height()));
    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &TrafficListView::refresh);
}

TrafficListView::~TrafficListView() = default;

bool TrafficListView::Add(TrafficLines::Direction direction, const std::uint8_t* bytes,
                          std::size_t count) {
    if (!m_lines.Add(direction, bytes, count))
        return false;
    ++m_addedSinceRefresh;
    m_droppedSinceRefresh += m_lines.droppedByLastAdd();
    // With a fixed font a line is only wider when it has more characters,
    // so only those are measured.
    const QString& line = m_lines.lines().constLast();
    if (line.size() > m_longestChars) {
        m_longestChars = line.size();
        const int width = fontMetrics().horizontalAdvance(line) + 2 * frameWidth() + 8;
        if (width > m_widest) {
            m_widest = width;
            m_model->setItemSize(QSize(m_widest, fontMetrics().height()));
            scheduleDelayedItemsLayout();
        }
    }
    if (!m_refreshClock.isValid() || m_refreshClock.elapsed() >= kRefreshMs)
        refresh();
    else if (!m_refreshTimer.isActive())
        m_refreshTimer.start(static_cast<int>(kRefreshMs - m_refreshClock.elapsed()));
    return true;
}

void TrafficListView::Flush() {
    if (m_addedSinceRefresh > 0 || m_droppedSinceRefresh > 0)
        refresh();
}

void TrafficListView::refresh() {
    m_refreshTimer.stop();
    m_refreshClock.restart();
    m_model->follow(m_lines.lines(), m_addedSinceRefresh, m_droppedSinceRefresh);
    m_addedSinceRefresh = 0;
    m_droppedSinceRefresh = 0;
    if (m_lines.count() > 0)
        scrollTo(m_model->index(m_lines.topIndexAfterAdd()), QAbstractItemView::PositionAtTop);
}

void TrafficListView::keyPressEvent(QKeyEvent* e) {
    // The item view's own copy would put only the current line on the
    // clipboard, trailing blank included.
    if (e->matches(QKeySequence::Copy)) {
        e->accept();
        emit copyRequested();
        return;
    }
    QListView::keyPressEvent(e);
}

QList<int> TrafficListView::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString TrafficListView::CopyText() {
    Flush();  // the selected rows are rows of the lines themselves
    return TrafficLines::CopyText(m_lines.lines(), SelectedRows());
}

void TrafficListView::CopySelectedLines() {
    const QString text = CopyText();
    if (text.isEmpty()) {
        DialogDataExchange::ShowWarning(window(), QStringLiteral("No string selected"));
        return;
    }
    QGuiApplication::clipboard()->setText(text);
}

}  // namespace zentiq
