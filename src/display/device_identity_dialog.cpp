#include "display/device_identity_dialog.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "framework/device_identity_reader.h"
#include "framework/dialog_data_exchange.h"
#include "framework/function_support_scan.h"
#include "framework/one_shot_request.h"
#include "values/function_support_text.h"
#include "values/status_texts.h"

namespace zentiq {

DeviceIdentityDialog::DeviceIdentityDialog(ModbusLine& line, int slaveId, QWidget* parent)
    : QDialog(parent),
      m_line(line),
      m_report(new OneShotRequest(this)),
      m_echo(new OneShotRequest(this)),
      m_reader(new DeviceIdentityReader(line, this)),
      m_support(new FunctionSupportScan(line, this)) {
    BuildUi();
    m_slaveEdit->setValue(std::clamp(slaveId, m_slaveEdit->minimum(), m_slaveEdit->maximum()));
    connect(m_report, &OneShotRequest::Finished, this, &DeviceIdentityDialog::OnReport);
    connect(m_echo, &OneShotRequest::Finished, this, &DeviceIdentityDialog::OnEcho);
    connect(m_reader, &DeviceIdentityReader::Finished, this, &DeviceIdentityDialog::OnIdentity);
    connect(m_support, &FunctionSupportScan::probed, this, &DeviceIdentityDialog::OnProbe);
    connect(m_support, &FunctionSupportScan::finished, this, &DeviceIdentityDialog::OnSupportDone);
    connect(m_slaveEdit, &QSpinBox::valueChanged, this, [this] { ShowTitles(); });
    ShowTitles();
    UpdateButtons();
}

DeviceIdentityDialog::~DeviceIdentityDialog() = default;

DeviceIdentityDialog* DeviceIdentityDialog::Open(ModbusLine& line, int slaveId, QWidget* owner) {
    auto* window = new DeviceIdentityDialog(line, slaveId, owner);
    // A window of its own beside the others (with its own minimise and
    // maximise buttons), not a dialog box over its owner.
    window->setWindowFlags(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void DeviceIdentityDialog::BuildUi() {
    setObjectName(QStringLiteral("deviceIdentityDialog"));
    auto* layout = new QVBoxLayout(this);

    auto* slaveRow = new QHBoxLayout;
    m_slaveEdit = new QSpinBox(this);
    m_slaveEdit->setObjectName(QStringLiteral("slaveIdEdit"));
    // 248..255 are reserved, but a scan may find a device there.
    m_slaveEdit->setRange(1, 255);
    slaveRow->addWidget(new QLabel(tr("从站 ID:"), this));
    slaveRow->addWidget(m_slaveEdit);
    slaveRow->addStretch();
    layout->addLayout(slaveRow);

    auto* reportBox = m_reportBox = new QGroupBox(this);
    reportBox->setObjectName(QStringLiteral("reportBox"));
    auto* reportForm = new QFormLayout(reportBox);
    m_reportHex = new QLineEdit(reportBox);
    m_reportHex->setObjectName(QStringLiteral("reportHexEdit"));
    m_reportText = new QLineEdit(reportBox);
    m_reportText->setObjectName(QStringLiteral("reportTextEdit"));
    for (QLineEdit* e : {m_reportHex, m_reportText})
        e->setReadOnly(true);
    m_reportButton = new QPushButton(tr("读取"), reportBox);
    m_reportButton->setObjectName(QStringLiteral("reportButton"));
    reportForm->addRow(tr("十六进制:"), m_reportHex);
    reportForm->addRow(tr("文本:"), m_reportText);
    reportForm->addRow(QString(), m_reportButton);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    columns->addLayout(left, 3);
    layout->addLayout(columns, 1);
    left->addWidget(reportBox);

    auto* identityBox = m_identityBox = new QGroupBox(this);
    identityBox->setObjectName(QStringLiteral("identityBox"));
    auto* identityLayout = new QVBoxLayout(identityBox);
    auto* identityRow = new QHBoxLayout;
    m_codeCombo = new QComboBox(identityBox);
    m_codeCombo->setObjectName(QStringLiteral("readCodeCombo"));
    m_codeCombo->addItem(tr("1: 基本"), 1);
    m_codeCombo->addItem(tr("2: 常规"), 2);
    m_codeCombo->addItem(tr("3: 扩展"), 3);
    m_codeCombo->addItem(tr("4: 单个对象"), 4);
    m_codeCombo->setCurrentIndex(2);
    m_objectEdit = new QSpinBox(identityBox);
    m_objectEdit->setObjectName(QStringLiteral("objectIdEdit"));
    m_objectEdit->setRange(0, 255);
    m_objectEdit->setDisplayIntegerBase(16);
    m_objectEdit->setPrefix(QStringLiteral("0x"));
    m_identityButton = new QPushButton(tr("读取"), identityBox);
    m_identityButton->setObjectName(QStringLiteral("identityButton"));
    identityRow->addWidget(new QLabel(tr("读取代码:"), identityBox));
    identityRow->addWidget(m_codeCombo);
    identityRow->addWidget(new QLabel(tr("对象 ID:"), identityBox));
    identityRow->addWidget(m_objectEdit);
    identityRow->addStretch();
    identityRow->addWidget(m_identityButton);
    identityLayout->addLayout(identityRow);
    m_objectTable = new QTableWidget(0, 3, identityBox);
    m_objectTable->setObjectName(QStringLiteral("objectTable"));
    m_objectTable->setHorizontalHeaderLabels({tr("ID"), tr("名称"), tr("值")});
    m_objectTable->verticalHeader()->hide();
    m_objectTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_objectTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_objectTable->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_objectTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_objectTable->setMinimumHeight(160);
    identityLayout->addWidget(m_objectTable);
    left->addWidget(identityBox, 1);

    auto* loopBox = m_loopBox = new QGroupBox(this);
    loopBox->setObjectName(QStringLiteral("loopbackBox"));
    auto* loopLayout = new QVBoxLayout(loopBox);
    auto* loopRow = new QHBoxLayout;
    m_countEdit = new QSpinBox(loopBox);
    m_countEdit->setObjectName(QStringLiteral("echoCountEdit"));
    m_countEdit->setRange(1, kMaxEchoes);
    m_countEdit->setValue(kDefaultEchoes);
    m_patternEdit = new QLineEdit(QStringLiteral("A5 37"), loopBox);
    m_patternEdit->setObjectName(QStringLiteral("patternEdit"));
    m_loopbackButton = new QPushButton(loopBox);
    m_loopbackButton->setObjectName(QStringLiteral("loopbackButton"));
    loopRow->addWidget(new QLabel(tr("次数:"), loopBox));
    loopRow->addWidget(m_countEdit);
    loopRow->addWidget(new QLabel(tr("数据 (十六进制):"), loopBox));
    loopRow->addWidget(m_patternEdit, 1);
    loopRow->addWidget(m_loopbackButton);
    loopLayout->addLayout(loopRow);
    m_countsLabel = new QLabel(loopBox);
    m_countsLabel->setObjectName(QStringLiteral("countsLabel"));
    m_roundTripLabel = new QLabel(loopBox);
    m_roundTripLabel->setObjectName(QStringLiteral("roundTripLabel"));
    loopLayout->addWidget(m_countsLabel);
    loopLayout->addWidget(m_roundTripLabel);
    left->addWidget(loopBox);

    m_supportBox = new QGroupBox(this);
    m_supportBox->setObjectName(QStringLiteral("supportBox"));
    auto* supportLayout = new QVBoxLayout(m_supportBox);
    auto* supportRow = new QHBoxLayout;
    m_supportButton = new QPushButton(m_supportBox);
    m_supportButton->setObjectName(QStringLiteral("supportButton"));
    supportRow->addWidget(new QLabel(tr("每个功能一个不改变设备的请求。"), m_supportBox), 1);
    supportRow->addWidget(m_supportButton);
    supportLayout->addLayout(supportRow);
    const auto& functions = FunctionSupportScan::Functions();
    m_supportTable = new QTableWidget(static_cast<int>(functions.size()), 4, m_supportBox);
    m_supportTable->setObjectName(QStringLiteral("supportTable"));
    m_supportTable->setHorizontalHeaderLabels(FunctionSupportText::Header());
    m_supportTable->verticalHeader()->hide();
    m_supportTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_supportTable->setWordWrap(false);
    for (int row = 0; row < m_supportTable->rowCount(); ++row) {
        const auto& [function, sub] = functions[static_cast<std::size_t>(row)];
        m_supportTable->setItem(
            row, 0, new QTableWidgetItem(FunctionSupportText::FunctionName(function, sub)));
    }
    m_supportTable->resizeColumnsToContents();
    m_supportTable->horizontalHeader()->setStretchLastSection(true);
    m_supportTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    supportLayout->addWidget(m_supportTable, 1);
    columns->addWidget(m_supportBox, 4);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setWordWrap(true);
    layout->addWidget(m_statusLabel);

    auto* buttons = new QDialogButtonBox(this);
    auto* copyButton = buttons->addButton(tr("复制文本"), QDialogButtonBox::ActionRole);
    copyButton->setObjectName(QStringLiteral("copyButton"));
    auto* closeButton = buttons->addButton(tr("关闭"), QDialogButtonBox::RejectRole);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    layout->addWidget(buttons);

    connect(m_reportButton, &QPushButton::clicked, this, [this] { ReadSlaveId(); });
    connect(m_identityButton, &QPushButton::clicked, this, [this] { ReadIdentity(); });
    connect(m_loopbackButton, &QPushButton::clicked, this, [this] {
        if (m_echoesLeft > 0)
            StopLoopback();
        else
            StartLoopback();
    });
    connect(m_supportButton, &QPushButton::clicked, this, [this] {
        if (m_support->IsRunning())
            StopSupportScan();
        else
            StartSupportScan();
    });
    connect(copyButton, &QPushButton::clicked, this, &DeviceIdentityDialog::CopyText);
    // Closed, not hidden: the window goes with its requests.
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    connect(m_codeCombo, &QComboBox::currentIndexChanged, this, [this] { UpdateButtons(); });
    resize(1040, 640);
}

QString DeviceIdentityDialog::NotConnectedText() {
    return tr("没有连接。请先连接（通讯 → 连接），再读取从站的设备信息。");
}

QString DeviceIdentityDialog::BadPatternText() {
    return tr("数据请输入 1 到 %1 个十六进制字节，以空格分隔（例如 A5 37）。").arg(kMaxEchoBytes);
}

bool DeviceIdentityDialog::IsBusy() const {
    return m_report->IsPending() || m_reader->IsRunning() || m_echoesLeft > 0 ||
           m_support->IsRunning();
}

void DeviceIdentityDialog::ShowTitles() {
    const auto title = [](const QString& base, int slave) {
        return slave != 0 ? DeviceIdentityText::Section(base, slave) : base;
    };
    m_reportBox->setTitle(title(tr("报告从站 ID (17)"), m_findings.reportSlave));
    m_identityBox->setTitle(title(tr("设备识别 (43/14)"), m_findings.identitySlave));
    m_loopBox->setTitle(title(tr("回环测试 (08/00)"), m_findings.loopbackSlave));
    m_supportBox->setTitle(title(tr("功能支持"), m_findings.supportSlave));
    setWindowTitle(tr("设备信息 - 从站 %1").arg(m_slaveEdit->value()));
}

void DeviceIdentityDialog::UpdateButtons() {
    const bool busy = IsBusy();
    m_reportButton->setEnabled(!busy);
    m_identityButton->setEnabled(!busy);
    m_slaveEdit->setEnabled(!busy);
    m_loopbackButton->setEnabled(!busy || m_echoesLeft > 0);
    m_loopbackButton->setText(m_echoesLeft > 0 ? tr("停止") : tr("开始"));
    m_supportButton->setEnabled(!busy || m_support->IsRunning());
    m_supportButton->setText(m_support->IsRunning() ? tr("停止") : tr("检测"));
    m_objectEdit->setEnabled(m_codeCombo->currentData().toInt() == 4);
}

bool DeviceIdentityDialog::Connected() {
    if (m_line.IsConnected() != 0)
        return true;
    DialogDataExchange::ShowWarning(this, NotConnectedText());
    return false;
}

QString DeviceIdentityDialog::FailureText(int status) const {
    if (status == DeviceIdentityReader::kNotSent)
        return OneShotRequest::RefusedText();
    if (status == DeviceIdentityReader::kRequestLimit)
        return DeviceIdentityText::CutText();
    return StatusText(static_cast<EngineStatus>(status), StatusFlavour::WriteResult);
}

// ---- report slave ID ---------------------------------------------------------------------

bool DeviceIdentityDialog::ReadSlaveId() {
    if (IsBusy() || !Connected())
        return false;
    m_activeSlave = m_slaveEdit->value();
    OneShotArgs args;
    args.slaveId = static_cast<std::uint16_t>(m_activeSlave);
    args.function = Code(FunctionCode::ReportSlaveId);
    if (!m_report->Submit(m_line, args, {})) {
        DialogDataExchange::ShowWarning(this, m_report->FailureText());
        return false;
    }
    m_statusLabel->setText(tr("正在读取从站 ID…"));
    UpdateButtons();
    return true;
}

void DeviceIdentityDialog::OnReport(int status) {
    const OneShotAnswer* answer = m_report->Answer();
    std::optional<std::vector<std::uint8_t>> bytes;
    if (status == status::Ok && answer != nullptr)
        bytes = ParseSlaveIdReport(answer->data, answer->answerLength);
    m_findings.reportSlave = m_activeSlave;
    m_findings.report = bytes;
    m_findings.reportFailure = bytes ? QString() : FailureText(status);
    m_reportHex->setText(bytes ? DeviceIdentityText::Hex(*bytes) : QString());
    m_reportText->setText(bytes ? DeviceIdentityText::Printable(*bytes) : QString());
    m_statusLabel->setText(bytes ? tr("从站 ID 已读取。")
                                 : tr("报告从站 ID 失败：%1").arg(m_findings.reportFailure));
    ShowTitles();
    UpdateButtons();
}

// ---- device identification ---------------------------------------------------------------

bool DeviceIdentityDialog::ReadIdentity() {
    if (IsBusy() || !Connected())
        return false;
    m_activeSlave = m_slaveEdit->value();
    const int code = m_codeCombo->currentData().toInt();
    const auto object = static_cast<std::uint8_t>(code == 4 ? m_objectEdit->value() : 0);
    if (!m_reader->Start(static_cast<std::uint16_t>(m_activeSlave), static_cast<DeviceIdCode>(code),
                         object)) {
        DialogDataExchange::ShowWarning(this, m_reader->FailureText());
        return false;
    }
    m_findings.identitySlave = m_activeSlave;
    m_findings.readCode = code;
    m_findings.objects.clear();
    m_findings.identityFailure.clear();
    m_findings.identityCut = false;
    m_objectTable->setRowCount(0);
    ShowTitles();
    m_statusLabel->setText(tr("正在读取设备识别…"));
    UpdateButtons();
    return true;
}

void DeviceIdentityDialog::OnIdentity(int status) {
    m_findings.objects = m_reader->Objects();
    // A list cut at the request limit is shown as far as it came, and said so.
    m_findings.identityCut = status == DeviceIdentityReader::kRequestLimit;
    m_findings.identityFailure =
        status == status::Ok || m_findings.identityCut ? QString() : FailureText(status);
    m_objectTable->setRowCount(static_cast<int>(m_findings.objects.size()));
    int row = 0;
    for (const DeviceIdObject& o : m_findings.objects) {
        const char* name = DeviceIdObjectName(o.id);
        const QString cells[] = {
            QStringLiteral("0x") + QString::number(o.id, 16).toUpper().rightJustified(2, u'0'),
            name ? QString::fromLatin1(name) : QString(), DeviceIdentityText::ObjectValue(o.value)};
        for (int column = 0; column < 3; ++column)
            m_objectTable->setItem(row, column, new QTableWidgetItem(cells[column]));
        ++row;
    }
    if (status == status::Ok)
        m_statusLabel->setText(tr("设备识别已读取：%1 个对象，%2 次请求。")
                                   .arg(m_findings.objects.size())
                                   .arg(m_reader->Requests()));
    else if (m_findings.identityCut)
        m_statusLabel->setText(tr("设备识别已读取 %1 个对象。%2")
                                   .arg(m_findings.objects.size())
                                   .arg(DeviceIdentityText::CutText()));
    else
        m_statusLabel->setText(tr("设备识别失败：%1").arg(m_findings.identityFailure));
    UpdateButtons();
}

// ---- loopback ----------------------------------------------------------------------------

bool DeviceIdentityDialog::StartLoopback() {
    if (IsBusy() || !Connected())
        return false;
    const auto pattern = DeviceIdentityText::ParsePattern(m_patternEdit->text());
    if (!pattern) {
        DialogDataExchange::ShowWarning(this, BadPatternText());
        m_patternEdit->setFocus();
        return false;
    }
    m_activeSlave = m_slaveEdit->value();
    m_findings.loopbackSlave = m_activeSlave;
    m_findings.pattern = *pattern;
    m_findings.loopback = LoopbackTally{};
    m_echoesLeft = m_countEdit->value();
    m_stopping = false;
    if (!SendEcho()) {
        m_echoesLeft = 0;
        DialogDataExchange::ShowWarning(this, m_echo->FailureText());
        UpdateButtons();
        return false;
    }
    ShowLoopback();
    ShowTitles();
    UpdateButtons();
    return true;
}

void DeviceIdentityDialog::StopLoopback() { m_stopping = true; }

bool DeviceIdentityDialog::SendEcho() {
    OneShotArgs args;
    args.slaveId = static_cast<std::uint16_t>(m_activeSlave);
    args.function = Code(FunctionCode::Diagnostics);
    args.writeQuantity = static_cast<std::uint16_t>(m_findings.pattern.size());
    const auto& pattern = m_findings.pattern;
    return m_echo->Submit(m_line, args, [&pattern](ModbusLine& line) {
        return line.SetWriteBytes(0, static_cast<int>(pattern.size()), pattern.data());
    });
}

void DeviceIdentityDialog::OnEcho(int status) {
    // The engine's time of the transaction itself: a clock around the
    // request would add the wait for the worker's turn and the poll delay.
    const OneShotAnswer* answer = m_echo->Answer();
    const std::int64_t us = answer != nullptr ? answer->responseUs : 0;
    if (m_findings.loopback)
        m_findings.loopback->Add(status, us);
    --m_echoesLeft;
    if (m_stopping || m_echoesLeft <= 0 || !SendEcho())
        m_echoesLeft = 0;
    ShowLoopback();
    UpdateButtons();
}

void DeviceIdentityDialog::ShowLoopback() {
    if (!m_findings.loopback)
        return;
    m_countsLabel->setText(DeviceIdentityText::Counts(*m_findings.loopback));
    m_roundTripLabel->setText(tr("往返时间 最小 / 平均 / 最大: %1")
                                  .arg(DeviceIdentityText::RoundTrips(*m_findings.loopback)));
    m_statusLabel->setText(m_echoesLeft > 0 ? tr("回环测试进行中…") : tr("回环测试结束。"));
}

// ---- function support --------------------------------------------------------------------

bool DeviceIdentityDialog::StartSupportScan() {
    if (IsBusy() || !Connected())
        return false;
    m_activeSlave = m_slaveEdit->value();
    if (!m_support->Start(m_activeSlave)) {
        DialogDataExchange::ShowWarning(this, OneShotRequest::RefusedText());
        return false;
    }
    m_findings.supportSlave = m_activeSlave;
    m_findings.support.clear();
    for (int row = 0; row < m_supportTable->rowCount(); ++row)
        for (int column = 1; column < m_supportTable->columnCount(); ++column)
            m_supportTable->setItem(row, column, nullptr);
    m_statusLabel->setText(tr("正在检测功能支持…"));
    ShowTitles();
    UpdateButtons();
    return true;
}

void DeviceIdentityDialog::StopSupportScan() { m_support->Cancel(); }

void DeviceIdentityDialog::OnProbe(const FunctionProbe& probe) {
    m_findings.support.push_back(probe);
    const int row = static_cast<int>(m_findings.support.size()) - 1;
    if (row >= m_supportTable->rowCount())
        return;
    const QStringList cells = FunctionSupportText::Row(probe);
    for (int column = 1; column < cells.size(); ++column)
        m_supportTable->setItem(row, column, new QTableWidgetItem(cells[column]));
    // The verdict column stretches to the table's edge.
    for (int column = 0; column + 1 < m_supportTable->columnCount(); ++column)
        m_supportTable->resizeColumnToContents(column);
}

void DeviceIdentityDialog::OnSupportDone() {
    const QString& failure = m_support->Failure();
    const bool stopped = m_support->Results().size() < FunctionSupportScan::Functions().size();
    m_statusLabel->setText(!failure.isEmpty() ? failure
                           : stopped          ? tr("功能检测已停止。")
                                              : tr("功能检测结束。"));
    UpdateButtons();
}

void DeviceIdentityDialog::CopyText() {
    QGuiApplication::clipboard()->setText(DeviceIdentityText::Report(m_findings));
}

}  // namespace zentiq
