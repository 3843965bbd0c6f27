#include "display/communication.h"

#include "values/status_texts.h"
#include "framework/file_dialog.h"
#include "framework/traffic_list_view.h"
#include "engine/engine.h"
#include "framework/dialog_data_exchange.h"
#include "framework/window_registry.h"
#include "ui_communication.h"

namespace zentiq {

CCommunication::CCommunication(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CCommunication>()) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    m_list =
        new TrafficListView(TrafficLines::kMonitorDigits, &TrafficLines::MonitorCounter(), this);
    m_list->setObjectName(QStringLiteral("lineList"));
    m_list->setProperty("controlId", kListControlId);
    m_ui->mainLayout->addWidget(m_list, 1);

    connect(m_ui->stopButton, &QPushButton::clicked, this, &CCommunication::ToggleStop);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_ui->saveButton, &QPushButton::clicked, this, &CCommunication::Save);
    connect(m_ui->copyButton, &QPushButton::clicked, this, &CCommunication::Copy);
    // Ctrl+C copies as the Copy button does, and only when it could be pressed.
    connect(m_list, &TrafficListView::copyRequested, this, [this] {
        if (m_stopped)
            Copy();
    });
    connect(m_ui->stopOnErrorCheck, &QCheckBox::toggled, this,
            [this](bool on) { m_stopOnError = on; });

    setStopped(false);
    InstallEnginePoster();
    m_handle = RegisterWindow(this);
    SetMonitorWindow(m_handle);
}

CCommunication::~CCommunication() { SetMonitorWindow(0); }

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
    std::uint8_t request[kRequestCaptureSize];
    std::uint8_t response[kResponseCaptureSize];
    const int requestLength = GetRequestCapture(slot, request);
    if (requestLength > 0)
        m_list->Add(TrafficLines::Direction::Tx, request, static_cast<std::size_t>(requestLength));
    const int responseLength = GetResponseCapture(slot, response);
    if (responseLength > 0)
        m_list->Add(TrafficLines::Direction::Rx, response,
                    static_cast<std::size_t>(responseLength));
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
    }
}

void CCommunication::ToggleStop() { setStopped(!m_stopped); }

void CCommunication::setStopped(bool stopped) {
    m_stopped = stopped;
    if (stopped)
        m_list->Flush();
    showStopState();
}

void CCommunication::showStopState() {
    m_ui->stopButton->setText(m_stopped ? tr("继续(&C)") : tr("停止(&S)"));
    m_ui->saveButton->setEnabled(m_stopped);
    m_ui->copyButton->setEnabled(m_stopped);
}

void CCommunication::Save() {
    const QString path = FileDialog::Ask(this, {true, QStringLiteral("commdata"), SaveFilter()});
    if (path.isEmpty())
        return;
    const TrafficLines::SaveStatus status = TrafficLines::SaveLines(path, m_list->Lines().lines());
    if (status != TrafficLines::SaveStatus::Ok)
        DialogDataExchange::ShowWarning(this, TrafficLines::SaveStatusText(status));
}

void CCommunication::Copy() { m_list->CopySelectedLines(); }

}  // namespace zentiq
