#include "framework/traffic_table_view.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <numeric>

#include "framework/dialog_data_exchange.h"
#include "framework/traffic_filter_model.h"
#include "framework/traffic_frame_model.h"

namespace zentiq {

TrafficTableView::TrafficTableView(int numberDigits, unsigned* counter, QWidget* parent)
    : QTableView(parent),
      m_frames(new TrafficFrameModel(numberDigits, counter, TrafficFrameModel::kMaxFrames, this)),
      m_filter(new TrafficFilterModel(this)) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setWeight(QFont::Normal);
    setFont(font);
    setModel(m_frames);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    sizeColumns();
    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &TrafficTableView::refresh);
}

TrafficTableView::~TrafficTableView() = default;

bool TrafficTableView::Add(TrafficLines::Direction direction, TransmissionMode mode,
                           const std::uint8_t* bytes, std::size_t count, qint64 msecsSinceEpoch) {
    if (!m_frames->Add(direction, mode, bytes, count, msecsSinceEpoch))
        return false;
    if (!m_refreshClock.isValid() || m_refreshClock.elapsed() >= kRefreshMs)
        refresh();
    else if (!m_refreshTimer.isActive())
        m_refreshTimer.start(static_cast<int>(kRefreshMs - m_refreshClock.elapsed()));
    return true;
}

void TrafficTableView::Flush() {
    if (m_frames->Pending() > 0)
        refresh();
}

void TrafficTableView::refresh() {
    m_refreshTimer.stop();
    m_refreshClock.restart();
    m_frames->Publish();
    // With a fixed font a line is only wider when it has more characters.
    if (m_frames->LongestLineChars() > m_lineChars)
        sizeColumns();
    const int rows = model()->rowCount();
    // The scroll range must know the new rows before the view scrolls to them.
    updateGeometries();
    if (rows > 0)
        scrollTo(model()->index(std::max(0, rows - 2), TrafficFrameModel::LineColumn),
                 QAbstractItemView::PositionAtTop);
}

void TrafficTableView::sizeColumns() {
    m_lineChars = m_frames->LongestLineChars();
    const QFontMetrics cells = fontMetrics();
    const QFontMetrics header = horizontalHeader()->fontMetrics();
    const int pad = 2 * cells.horizontalAdvance(QLatin1Char('0')) + 6;
    const auto width = [&](int column, const QString& sample) {
        const QString title = m_frames->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        return std::max(cells.horizontalAdvance(sample), header.horizontalAdvance(title)) + pad;
    };
    horizontalHeader()->resizeSection(TrafficFrameModel::TimeColumn,
                                      width(TrafficFrameModel::TimeColumn, QStringLiteral("00:00:00.000")));
    horizontalHeader()->resizeSection(TrafficFrameModel::GapColumn,
                                      width(TrafficFrameModel::GapColumn, QStringLiteral("000000")));
    horizontalHeader()->resizeSection(TrafficFrameModel::LineColumn,
                                      width(TrafficFrameModel::LineColumn, QString(m_lineChars, QLatin1Char('0'))));
}

bool TrafficTableView::IsFiltering() const { return model() == m_filter; }

void TrafficTableView::SetFilter(int slave, int function) {
    Flush();
    QItemSelection selected = selectionModel()->selection();
    if (IsFiltering())
        selected = m_filter->mapSelectionToSource(selected);
    const bool filtering = slave != TrafficFilterModel::kAll || function != TrafficFilterModel::kAll;
    // The filter model follows the frames only while it is shown.
    if (filtering && m_filter->sourceModel() != m_frames)
        m_filter->setSourceModel(m_frames);
    m_filter->SetFilter(slave, function);
    showModel(filtering ? static_cast<QAbstractItemModel*>(m_filter) : m_frames, selected);
    if (!filtering)
        m_filter->setSourceModel(nullptr);
}

void TrafficTableView::showModel(QAbstractItemModel* shown, const QItemSelection& sourceSelection) {
    if (model() == shown)
        return;
    QItemSelectionModel* old = selectionModel();
    setModel(shown);
    delete old;
    sizeColumns();
    // The headers learn the new rows now, so that the scrolling below has
    // the right range.
    doItemsLayout();
    const QItemSelection selection =
        shown == m_filter ? m_filter->mapSelectionFromSource(sourceSelection) : sourceSelection;
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // The selected lines stay in sight, else the newest ones, as while capturing.
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        scrollToBottom();
    else
        scrollTo(*std::min_element(selected.begin(), selected.end()));
}

QList<int> TrafficTableView::ShownRows() {
    Flush();
    QList<int> rows;
    const int count = model()->rowCount();
    rows.reserve(count);
    for (int row = 0; row < count; ++row)
        rows.append(IsFiltering() ? m_filter->mapToSource(m_filter->index(row, 0)).row() : row);
    return rows;
}

QList<int> TrafficTableView::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.append(IsFiltering() ? m_filter->mapToSource(index).row() : index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QString TrafficTableView::CopyText() {
    Flush();  // the selected rows are rows of the frames themselves
    const QStringList texts = m_frames->RowTexts(SelectedRows().mid(0, TrafficLines::kMaxCopiedLines));
    QList<int> all(texts.size());
    std::iota(all.begin(), all.end(), 0);
    return TrafficLines::CopyText(texts, all);
}

void TrafficTableView::CopySelectedLines() {
    const QString text = CopyText();
    if (text.isEmpty()) {
        DialogDataExchange::ShowWarning(window(), QStringLiteral("No string selected"));
        return;
    }
    QGuiApplication::clipboard()->setText(text);
}

void TrafficTableView::keyPressEvent(QKeyEvent* e) {
    // The item view's own copy would put only the current cell on the clipboard.
    if (e->matches(QKeySequence::Copy)) {
        e->accept();
        emit copyRequested();
        return;
    }
    QTableView::keyPressEvent(e);
}

void TrafficTableView::changeEvent(QEvent* e) {
    QTableView::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) {
        m_frames->Retranslate();
        sizeColumns();
    }
}

}  // namespace zentiq
