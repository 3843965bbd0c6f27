#include "display/communication.h"

#include <QComboBox>
#include <QDateTime>
#include <QSignalBlocker>

#include "values/status_texts.h"
#include "framework/file_dialog.h"
#include "framework/traffic_filter_model.h"
#include "framework/traffic_frame_model.h"
#include "framework/traffic_table_view.h"
#include "engine/modbus_line.h"
#include "framework/dialog_data_exchange.h"
#include "framework/window_registry.h"
#include "ui_communication.h"

namespace zentiq {

CCommunication::CCommunication(ModbusLine& line, QWidget* parent)
    : QDialog(parent), m_line(line), m_ui(std::make_unique<Ui::CCommunication>()) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    m_list =
        new TrafficTableView(TrafficLines::kMonitorDigits, &TrafficLines::MonitorCounter(), this);
    m_list->setObjectName(QStringLiteral("lineList"));
    m_list->setProperty("controlId", kListControlId);
    m_ui->mainLayout->addWidget(m_list, 1);

    connect(m_ui->stopButton, &QPushButton::clicked, this, &CCommunication::ToggleStop);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_ui->saveButton, &QPushButton::clicked, this, &CCommunication::Save);
    connect(m_ui->copyButton, &QPushButton::clicked, this, &CCommunication::Copy);
    // Ctrl+C copies as the Copy button does, and only when it could be pressed.
    connect(m_list, &TrafficTableView::copyRequested, this, [this] {
        if (m_stopped)
            Copy();
    });
    connect(m_ui->stopOnErrorCheck, &QCheckBox::toggled, this,
            [this](bool on) { m_stopOnError = on; });
    for (QComboBox* box : {m_ui->slaveFilter, m_ui->functionFilter})
        connect(box, &QComboBox::currentIndexChanged, this, &CCommunication::applyFilterBoxes);

    setStopped(false);
    InstallEnginePoster(m_line);
    m_handle = RegisterWindow(this);
    m_line.SetMonitorWindow(m_handle);
}

CCommunication::~CCommunication() { m_line.SetMonitorWindow(0); }

QString CCommunication::SaveFilter() { return QStringLiteral("modbus comm. data (*.txt)"); }

bool CCommunication::event(QEvent* e) {
    if (e->type() != EngineMessageEvent::Type())
        return QDialog::event(e);
    const auto* message = static_cast<const EngineMessageEvent*>(e);
    if (message->message == WM_POLL_RESULT)
        OnPollResult(static_cast<EngineStatus>(message->wParam), static_cast<int>(message->lParam));
    return true;
}

void CCommunication::OnPollResult(EngineStatus status, int slot) {
    // A slot outside the table has no captures (the accessor would answer
    // with a status where a length is expected).
    if (m_stopped || slot < 0 || slot >= kSlotCount)
        return;
    // The captures belong to the slot's latest transaction, which may
    // already be newer than the one announced; that one is shown.
    // Each frame carries the moment it went out or came in, as the engine
    // took it; the moment the result reached the monitor where it has none.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::int64_t sentMs = 0, answeredMs = 0;
    m_line.GetCaptureMoments(slot, &sentMs, &answeredMs);
    const auto mode = static_cast<TransmissionMode>(m_line.GetTransmissionMode());
    std::uint8_t request[kRequestCaptureSize];
    std::uint8_t response[kResponseCaptureSize];
    const int requestLength = m_line.GetRequestCapture(slot, request);
    if (requestLength > 0)
        m_list->Add(TrafficLines::Direction::Tx, mode, request,
                    static_cast<std::size_t>(requestLength), sentMs != 0 ? sentMs : now);
    const int responseLength = m_line.GetResponseCapture(slot, response);
    if (responseLength > 0)
        m_list->Add(TrafficLines::Direction::Rx, mode, response,
                    static_cast<std::size_t>(responseLength), answeredMs != 0 ? answeredMs : now);
    if (m_stopOnError && status != status::Ok) {
        setStopped(true);
        DialogDataExchange::ShowWarning(this, StatusText(status, StatusFlavour::Monitor));
    }
}

void CCommunication::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showStopState();
        if (m_ui->slaveFilter->count() > 0) {
            m_ui->slaveFilter->setItemText(0, tr("全部"));
            m_ui->functionFilter->setItemText(0, tr("全部"));
        }
    }
}

void CCommunication::ToggleStop() { setStopped(!m_stopped); }

void CCommunication::setStopped(bool stopped) {
    m_stopped = stopped;
    if (stopped)
        m_list->Flush();
    // Capturing shows every frame, as the boxes then say.
    fillFilterBoxes();
    applyFilterBoxes();
    showStopState();
}

void CCommunication::fillFilterBoxes() {
    const TrafficFrameModel* frames = m_list->Frames();
    const auto fill = [this](QComboBox* box, const QList<int>& values, int width) {
        const QSignalBlocker blocker(box);
        box->clear();
        box->addItem(tr("全部"), TrafficFilterModel::kAll);
        if (!m_stopped)
            return;
        for (int value : values)
            box->addItem(QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')), value);
    };
    fill(m_ui->slaveFilter, frames->Slaves(), 1);
    fill(m_ui->functionFilter, frames->Functions(), 2);
}

void CCommunication::applyFilterBoxes() {
    m_list->SetFilter(m_ui->slaveFilter->currentData().toInt(),
                      m_ui->functionFilter->currentData().toInt());
}

void CCommunication::SetFilter(int slave, int function) {
    if (!m_stopped)
        return;
    const auto choose = [](QComboBox* box, int value) {
        const int index = box->findData(value);
        box->setCurrentIndex(index < 0 ? 0 : index);
    };
    const QSignalBlocker slaves(m_ui->slaveFilter), functions(m_ui->functionFilter);
    choose(m_ui->slaveFilter, slave);
    choose(m_ui->functionFilter, function);
    applyFilterBoxes();
}

void CCommunication::showStopState() {
    m_ui->stopButton->setText(m_stopped ? tr("继续(&C)") : tr("停止(&S)"));
    m_ui->saveButton->setEnabled(m_stopped);
    m_ui->copyButton->setEnabled(m_stopped);
    m_ui->slaveFilter->setEnabled(m_stopped);
    m_ui->functionFilter->setEnabled(m_stopped);
}

void CCommunication::Save() {
    const QString path = FileDialog::Ask(this, {true, QStringLiteral("commdata"), SaveFilter()});
    if (path.isEmpty())
        return;
    const TrafficLines::SaveStatus status =
        TrafficLines::SaveLines(path, m_list->Frames()->RowTexts(m_list->ShownRows()));
    if (status != TrafficLines::SaveStatus::Ok)
        DialogDataExchange::ShowWarning(this, TrafficLines::SaveStatusText(status));
}

void CCommunication::Copy() { m_list->CopySelectedLines(); }

}  // namespace zentiq
