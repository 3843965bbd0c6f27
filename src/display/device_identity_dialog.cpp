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

#include "engine/engine.h"
#include "engine/modbus_function.h"
#include "framework/device_identity_reader.h"
#include "framework/dialog_data_exchange.h"
#include "framework/one_shot_request.h"
#include "framework/user_interaction.h"
#include "values/status_texts.h"

namespace zentiq {

DeviceIdentityDialog::DeviceIdentityDialog(int slaveId, QWidget* parent)
    : QDialog(parent),
      m_report(new OneShotRequest(this)),
      m_echo(new OneShotRequest(this)),
      m_reader(new DeviceIdentityReader(this)) {
    BuildUi();
    m_slaveEdit->setValue(slaveId);
    TakeSlaveId();
    connect(m_report, &OneShotRequest::Finished, this, &DeviceIdentityDialog::OnReport);
    connect(m_echo, &OneShotRequest::Finished, this, &DeviceIdentityDialog::OnEcho);
    connect(m_reader, &DeviceIdentityReader::Finished, this, &DeviceIdentityDialog::OnIdentity);
    UpdateButtons();
}

DeviceIdentityDialog::~DeviceIdentityDialog() = default;

void DeviceIdentityDialog::Open(int slaveId, QWidget* parent) {
    DeviceIdentityDialog dialog(slaveId, parent);
    userInteraction().runModal(dialog);
}

void DeviceIdentityDialog::BuildUi() {
    setWindowTitle(tr("设备信息"));
    setObjectName(QStringLiteral("deviceIdentityDialog"));
    auto* layout = new QVBoxLayout(this);

    auto* slaveRow = new QHBoxLayout;
    m_slaveEdit = new QSpinBox(this);
    m_slaveEdit->setObjectName(QStringLiteral("slaveIdEdit"));
    m_slaveEdit->setRange(1, 247);
    slaveRow->addWidget(new QLabel(tr("从站 ID:"), this));
    slaveRow->addWidget(m_slaveEdit);
    slaveRow->addStretch();
    layout->addLayout(slaveRow);

    auto* reportBox = new QGroupBox(tr("报告从站 ID (17)"), this);
    auto* reportForm = new QFormLayout(reportBox);
    m_reportHex = new QLineEdit(reportBox);
    m_reportHex->setObjectName(QStringLiteral("reportHexEdit"));
    m_reportText = new QLineEdit(reportBox);
    m_reportText->setObjectName(QStringLiteral("reportTextEdit"));
    for (QLineEdit* e : {m_reportHex, m_reportText}) e->setReadOnly(true);
    m_reportButton = new QPushButton(tr("读取"), reportBox);
    m_reportButton->setObjectName(QStringLiteral("reportButton"));
    reportForm->addRow(tr("十六进制:"), m_reportHex);
    reportForm->addRow(tr("文本:"), m_reportText);
    reportForm->addRow(QString(), m_reportButton);
    layout->addWidget(reportBox);

    auto* identityBox = new QGroupBox(tr("设备识别 (43/14)"), this);
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
    m_objectTable->horizontalHeader()->setStretchLastSection(true);
    m_objectTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_objectTable->setMinimumHeight(160);
    identityLayout->addWidget(m_objectTable);
    layout->addWidget(identityBox);

    auto* loopBox = new QGroupBox(tr("回环测试 (08/00)"), this);
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
    layout->addWidget(loopBox);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setWordWrap(true);
    layout->addWidget(m_statusLabel);

    auto* buttons = new QDialogButtonBox(this);
    auto* copyButton = buttons->addButton(tr("复制文本"), QDialogButtonBox::ActionRole);
    copyButton->setObjectName(QStringLiteral("copyButton"));
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);

    connect(m_reportButton, &QPushButton::clicked, this, [this] { ReadSlaveId(); });
    connect(m_identityButton, &QPushButton::clicked, this, [this] { ReadIdentity(); });
    connect(m_loopbackButton, &QPushButton::clicked, this, [this] {
        if (m_echoesLeft > 0)
            StopLoopback();
        else
            StartLoopback();
    });
    connect(copyButton, &QPushButton::clicked, this, &DeviceIdentityDialog::CopyText);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_codeCombo, &QComboBox::currentIndexChanged, this, [this] { UpdateButtons(); });
    resize(560, 600);
}

QString DeviceIdentityDialog::NotConnectedText() {
    return tr("没有连接。请先连接（通讯 → 连接），再读取从站的设备信息。");
}

QString DeviceIdentityDialog::BadPatternText() {
    return tr("数据请输入 1 到 %1 个十六进制字节，以空格分隔（例如 A5 37）。").arg(kMaxEchoBytes);
}

bool DeviceIdentityDialog::IsBusy() const {
    return m_report->IsPending() || m_reader->IsRunning() || m_echoesLeft > 0;
}

void DeviceIdentityDialog::UpdateButtons() {
    const bool busy = IsBusy();
    m_reportButton->setEnabled(!busy);
    m_identityButton->setEnabled(!busy);
    m_slaveEdit->setEnabled(!busy);
    m_loopbackButton->setEnabled(!busy || m_echoesLeft > 0);
    m_loopbackButton->setText(m_echoesLeft > 0 ? tr("停止") : tr("开始"));
    m_objectEdit->setEnabled(m_codeCombo->currentData().toInt() == 4);
}

void DeviceIdentityDialog::TakeSlaveId() { m_findings.slaveId = m_slaveEdit->value(); }

bool DeviceIdentityDialog::Connected() {
    if (IsConnected() != 0) return true;
    DialogDataExchange::ShowWarning(this, NotConnectedText());
    return false;
}

QString DeviceIdentityDialog::FailureText(int status) const {
    if (status == DeviceIdentityReader::kNotSent) return OneShotRequest::RefusedText();
    return StatusText(static_cast<EngineStatus>(status), StatusFlavour::WriteResult);
}

// ---- report slave ID ---------------------------------------------------------------------

bool DeviceIdentityDialog::ReadSlaveId() {
    if (IsBusy() || !Connected()) return false;
    TakeSlaveId();
    OneShotArgs args;
    args.slaveId = static_cast<std::uint16_t>(m_findings.slaveId);
    args.function = Code(FunctionCode::ReportSlaveId);
    if (!m_report->Submit(args, {})) {
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
    m_findings.report = bytes;
    m_findings.reportFailure = bytes ? QString() : FailureText(status);
    m_reportHex->setText(bytes ? DeviceIdentityText::Hex(*bytes) : QString());
    m_reportText->setText(bytes ? DeviceIdentityText::Printable(*bytes) : QString());
    m_statusLabel->setText(bytes ? tr("从站 ID 已读取。")
                                 : tr("报告从站 ID 失败：%1").arg(m_findings.reportFailure));
    UpdateButtons();
}

// ---- device identification ---------------------------------------------------------------

bool DeviceIdentityDialog::ReadIdentity() {
    if (IsBusy() || !Connected()) return false;
    TakeSlaveId();
    const int code = m_codeCombo->currentData().toInt();
    const auto object = static_cast<std::uint8_t>(code == 4 ? m_objectEdit->value() : 0);
    if (!m_reader->Start(static_cast<std::uint16_t>(m_findings.slaveId),
                         static_cast<DeviceIdCode>(code), object)) {
        DialogDataExchange::ShowWarning(this, m_reader->FailureText());
        return false;
    }
    m_findings.readCode = code;
    m_findings.objects.clear();
    m_findings.identityFailure.clear();
    m_objectTable->setRowCount(0);
    m_statusLabel->setText(tr("正在读取设备识别…"));
    UpdateButtons();
    return true;
}

void DeviceIdentityDialog::OnIdentity(int status) {
    m_findings.objects = m_reader->Objects();
    m_findings.identityFailure = status == status::Ok ? QString() : FailureText(status);
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
    m_objectTable->resizeColumnsToContents();
    m_objectTable->horizontalHeader()->setStretchLastSection(true);
    m_statusLabel->setText(status == status::Ok
                               ? tr("设备识别已读取：%1 个对象，%2 次请求。")
                                     .arg(m_findings.objects.size())
                                     .arg(m_reader->Requests())
                               : tr("设备识别失败：%1").arg(m_findings.identityFailure));
    UpdateButtons();
}

// ---- loopback ----------------------------------------------------------------------------

bool DeviceIdentityDialog::StartLoopback() {
    if (IsBusy() || !Connected()) return false;
    const auto pattern = DeviceIdentityText::ParsePattern(m_patternEdit->text());
    if (!pattern) {
        DialogDataExchange::ShowWarning(this, BadPatternText());
        m_patternEdit->setFocus();
        return false;
    }
    TakeSlaveId();
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
    UpdateButtons();
    return true;
}

void DeviceIdentityDialog::StopLoopback() { m_stopping = true; }

bool DeviceIdentityDialog::SendEcho() {
    OneShotArgs args;
    args.slaveId = static_cast<std::uint16_t>(m_findings.slaveId);
    args.function = Code(FunctionCode::Diagnostics);
    args.writeQuantity = static_cast<std::uint16_t>(m_findings.pattern.size());
    const auto& pattern = m_findings.pattern;
    const bool sent = m_echo->Submit(args, [&pattern] {
        return SetWriteBytes(0, static_cast<int>(pattern.size()), pattern.data());
    });
    m_echoClock.start();
    return sent;
}

void DeviceIdentityDialog::OnEcho(int status) {
    const std::int64_t us = m_echoClock.nsecsElapsed() / 1000;
    if (m_findings.loopback) m_findings.loopback->Add(status, us);
    --m_echoesLeft;
    if (m_stopping || m_echoesLeft <= 0 || !SendEcho()) m_echoesLeft = 0;
    ShowLoopback();
    UpdateButtons();
}

void DeviceIdentityDialog::ShowLoopback() {
    if (!m_findings.loopback) return;
    m_countsLabel->setText(DeviceIdentityText::Counts(*m_findings.loopback));
    m_roundTripLabel->setText(tr("往返时间 最小 / 平均 / 最大: %1")
                                  .arg(DeviceIdentityText::RoundTrips(*m_findings.loopback)));
    m_statusLabel->setText(m_echoesLeft > 0 ? tr("回环测试进行中…") : tr("回环测试结束。"));
}

void DeviceIdentityDialog::CopyText() {
    QGuiApplication::clipboard()->setText(DeviceIdentityText::Report(m_findings));
}

}  // namespace zentiq
