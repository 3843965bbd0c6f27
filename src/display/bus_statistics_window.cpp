#include "display/bus_statistics_window.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "display/bus_statistics_table_model.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/modbus_line.h"
#include "framework/atomic_save.h"
#include "framework/dialog_data_exchange.h"
#include "framework/file_dialog.h"
#include "resources/strings.h"
#include "values/connection_text.h"

namespace zentiq {

BusStatisticsWindow::BusStatisticsWindow(ModbusLine& line, RequestSource source, QWidget* owner)
    : QWidget(owner, Qt::Window), m_modbusLine(line), m_source(std::move(source)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("busStatisticsWindow"));
    m_model = new BusStatisticsTableModel(this);
    buildControls();
    retranslate();
    m_timer.setInterval(kRefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &BusStatisticsWindow::Refresh);
    resize(1100, 320);
    Refresh();
}

BusStatisticsWindow::~BusStatisticsWindow() = default;

PollWindowRequest BusStatisticsWindow::RequestOf(const CZentiqDoc& doc, const ModbusLine& line) {
    const PollDocumentModel& m = doc.Model();
    PollWindowRequest r;
    r.name = doc.GetTitle();
    r.slot = m.slotIndex;
    r.slaveId = m.def.SlaveID;
    r.function = m.def.FunctionValue;
    r.address = m.def.Address;
    r.quantity = m.def.Length;
    r.oneBased = m.def.OneBased;
    r.scanRate = m.def.ScanRate;
    r.polling = m.def.bEnable != 0 && m.slotIndex >= 0 && line.IsConnected() != 0;
    return r;
}

void BusStatisticsWindow::buildControls() {
    m_lineLabel = new QLabel(this);
    m_lineLabel->setObjectName(QStringLiteral("lineLabel"));
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("statisticsTable"));
    m_table->setModel(m_model);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(false);

    m_reset = new QPushButton(this);
    m_reset->setObjectName(QStringLiteral("resetButton"));
    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("copyButton"));
    m_save = new QPushButton(this);
    m_save->setObjectName(QStringLiteral("saveCsvButton"));
    connect(m_reset, &QPushButton::clicked, this, &BusStatisticsWindow::Reset);
    connect(m_copy, &QPushButton::clicked, this, &BusStatisticsWindow::CopyToClipboard);
    connect(m_save, &QPushButton::clicked, this, &BusStatisticsWindow::SaveCsv);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_lineLabel, 1);
    buttons->addWidget(m_reset);
    buttons->addWidget(m_copy);
    buttons->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_table, 1);
}

void BusStatisticsWindow::retranslate() {
    setWindowTitle(tr("总线统计"));
    m_reset->setText(tr("重置"));
    m_reset->setToolTip(tr("所有窗口和总线的统计从零开始"));
    m_copy->setText(tr("复制"));
    m_save->setText(tr("保存 CSV..."));
    m_model->Retranslate();
    m_lineLabel->setText(LineLabelText());
}

void BusStatisticsWindow::Refresh() {
    std::vector<BusStatisticsRow> rows;
    if (m_source) {
        const std::vector<PollWindowRequest> requests = m_source();
        rows.reserve(requests.size());
        for (const PollWindowRequest& request : requests) {
            SlotTiming timing;
            // A window without a slot has nothing measured: zeros.
            if (request.slot >= kFirstPollSlot)
                m_modbusLine.GetSlotTiming(request.slot, &timing);
            rows.push_back(BusStatistics::Row(request, timing));
        }
    }
    LineTiming line;
    m_modbusLine.GetLineTiming(&line);
    m_line = BusStatistics::Line(line);
    m_model->SetRows(std::move(rows));
    m_lineLabel->setText(LineLabelText());
}

void BusStatisticsWindow::Reset() {
    if (m_source)
        for (const PollWindowRequest& request : m_source())
            if (request.slot >= kFirstPollSlot)
                m_modbusLine.ResetSlotTiming(request.slot);
    m_modbusLine.ResetLineTiming();
    m_since = QDateTime::currentDateTime();
    Refresh();
}

BusStatisticsSource BusStatisticsWindow::Source() const {
    BusStatisticsSource source;
    const std::optional<ConnectionSettings> settings = m_connection ? m_connection() : std::nullopt;
    source.connection = settings ? ConnectionText::Describe(*settings, m_modbusLine) : tr("未连接");
    source.start = m_since;
    source.end = QDateTime::currentDateTime();
    source.version = QCoreApplication::applicationVersion();
    return source;
}

QString BusStatisticsWindow::LineLabelText() const { return BusStatistics::LineText(m_line); }

void BusStatisticsWindow::CopyToClipboard() const {
    QGuiApplication::clipboard()->setText(BusStatistics::CopyText(m_model->Rows(), m_line));
}

bool BusStatisticsWindow::SaveCsv() {
    const QString path =
        FileDialog::Ask(this, {true, QStringLiteral("bus_statistics"),
                               QStringLiteral("CSV (*.csv)"), QStringLiteral("csv")});
    if (path.isEmpty())
        return false;
    QString error;
    if (SaveAtomically(path, BusStatistics::Csv(Source(), m_model->Rows(), m_line), &error) ==
        SaveResult::Ok)
        return true;
    DialogDataExchange::ShowWarning(this, error.isEmpty() ? DiskErrorText() : error);
    return false;
}

void BusStatisticsWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

// The figures are read only while someone can see them.
void BusStatisticsWindow::showEvent(QShowEvent* event) {
    Refresh();
    m_timer.start();
    if (!m_sized) {
        m_sized = true;
        fitColumns();
    }
    QWidget::showEvent(event);
}

// Wide enough at first for every column whole (the English headers are the
// longer ones), within the screen.
void BusStatisticsWindow::fitColumns() {
    const QHeaderView* header = m_table->horizontalHeader();
    const QAbstractItemView* view = m_table;
    int columns = 0;
    for (int c = 0; c < header->count(); ++c)
        columns += std::max(header->sectionSizeHint(c), view->sizeHintForColumn(c));
    const QMargins margins = layout() != nullptr ? layout()->contentsMargins() : QMargins();
    int wanted = columns + 2 * m_table->frameWidth() + margins.left() + margins.right();
    if (const QScreen* s = screen())
        wanted = std::min(wanted, s->availableGeometry().width());
    if (wanted > width())
        resize(wanted, height());
}

void BusStatisticsWindow::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QWidget::hideEvent(event);
}

}  // namespace zentiq
