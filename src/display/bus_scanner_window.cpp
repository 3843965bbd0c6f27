#include "display/bus_scanner_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "display/device_identity_dialog.h"
#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "framework/address_map_scan.h"
#include "framework/atomic_save.h"
#include "framework/dialog_data_exchange.h"
#include "framework/file_dialog.h"
#include "framework/serial_settings_sweep.h"
#include "framework/tcp_host_sweep.h"
#include "framework/settings_store.h"
#include "resources/strings.h"
#include "framework/user_interaction.h"
#include "values/address_map_summary.h"
#include "values/bus_scanner_memory.h"
#include "values/connection_text.h"
#include "values/id_scan_summary.h"
#include "values/poll_window_pieces.h"
#include "values/status_texts.h"

namespace zentiq {
namespace {

std::uint32_t LineBaud(const SerialLineHost* serial) {
    if (serial == nullptr)
        return 0;
    return BaudTimingForIndex(serial->UserSettings().BaudRate).baud;
}

QSpinBox* SpinBox(int low, int high, int value, const char* name) {
    auto* box = new QSpinBox;
    box->setRange(low, high);
    box->setValue(value);
    box->setObjectName(QLatin1String(name));
    return box;
}

}  // namespace

BusScannerWindow::BusScannerWindow(Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_hooks(std::move(hooks)),
      m_line(m_hooks.line != nullptr ? *m_hooks.line : DefaultLine()) {
    setWindowTitle(tr("总线扫描"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_mode = new QComboBox;
    m_mode->setObjectName(QStringLiteral("modeCombo"));
    m_mode->addItems({tr("从站ID"), tr("串口参数"), tr("地址映射"), tr("多台TCP主机")});
    m_firstId = SpinBox(0, 255, 1, "firstIdEdit");
    m_lastId = SpinBox(0, 255, 247, "lastIdEdit");
    m_probe = new QComboBox;
    m_probe->setObjectName(QStringLiteral("probeCombo"));
    m_probe->addItems({tr("03 读保持寄存器"), tr("17 报告从站ID"), tr("43/14 读设备标识")});
    m_probeAddress = SpinBox(0, 65535, 0, "probeAddressEdit");
    const bool tcp = lineIsTcp();
    m_timeout =
        SpinBox(1, 10000, static_cast<int>(DefaultScanTimeoutMs(tcp, LineBaud(m_hooks.serial))),
                "timeoutEdit");
    m_firstAddress = SpinBox(0, 65535, 0, "firstAddressEdit");
    m_lastAddress = SpinBox(0, 65535, 9999, "lastAddressEdit");
    m_budget = SpinBox(1, 10000, 500, "budgetEdit");
    m_retries = SpinBox(0, BusIdScan::kMaxRetries, 0, "retriesEdit");
    m_stopAtFirst = new QCheckBox(tr("找到第一台设备即停止"));
    m_stopAtFirst->setObjectName(QStringLiteral("stopAtFirstCheck"));
    m_hosts = new QLineEdit(QStringLiteral("192.168.1.1-192.168.1.10"));
    m_hosts->setObjectName(QStringLiteral("hostsEdit"));
    m_hostPort = SpinBox(1, 65535, 502, "hostPortEdit");

    auto* form = new QFormLayout;
    form->addRow(tr("扫描:"), m_mode);
    auto* ids = new QHBoxLayout;
    ids->addWidget(m_firstId);
    ids->addWidget(new QLabel(tr("到")));
    ids->addWidget(m_lastId);
    form->addRow(tr("从站ID:"), ids);
    auto* probe = new QHBoxLayout;
    probe->addWidget(m_probe, 1);
    probe->addWidget(new QLabel(tr("地址")));
    probe->addWidget(m_probeAddress);
    form->addRow(tr("探测:"), probe);
    form->addRow(tr("超时(ms):"), m_timeout);
    auto* retries = new QHBoxLayout;
    retries->addWidget(m_retries);
    retries->addWidget(m_stopAtFirst);
    retries->addStretch(1);
    form->addRow(tr("每个ID重试:"), retries);
    auto* hosts = new QHBoxLayout;
    hosts->addWidget(m_hosts, 1);
    hosts->addWidget(new QLabel(tr("端口")));
    hosts->addWidget(m_hostPort);
    form->addRow(tr("主机:"), hosts);
    auto* addresses = new QHBoxLayout;
    addresses->addWidget(m_firstAddress);
    addresses->addWidget(new QLabel(tr("到")));
    addresses->addWidget(m_lastAddress);
    addresses->addWidget(new QLabel(tr("每表请求上限")));
    addresses->addWidget(m_budget);
    form->addRow(tr("地址:"), addresses);

    m_warning = new QLabel;
    m_warning->setObjectName(QStringLiteral("warningLabel"));
    m_warning->setStyleSheet(QStringLiteral("color: #b00000"));
    m_warning->setWordWrap(true);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setWordWrap(true);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setValue(0);

    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    m_start = button(tr("开始"), "startButton");
    m_cancel = button(tr("取消"), "cancelButton");
    m_copy = button(tr("复制"), "copyButton");
    m_save = button(tr("保存CSV..."), "saveButton");
    m_apply = button(tr("应用此设置"), "applyButton");
    m_open = button(tr("打开读写窗口"), "openButton");
    m_identity = button(tr("设备信息..."), "identityButton");
    m_functions = button(tr("功能支持..."), "functionsButton");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b :
         {m_start, m_cancel, m_copy, m_save, m_apply, m_open, m_identity, m_functions})
        buttons->addWidget(b);
    buttons->addStretch(1);

    m_results = new QTableWidget;
    m_results->setObjectName(QStringLiteral("resultTable"));
    m_results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_results->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_results->setSelectionMode(QAbstractItemView::SingleSelection);
    m_results->verticalHeader()->hide();
    m_results->setWordWrap(false);
    m_results->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_warning);
    layout->addLayout(buttons);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addWidget(m_results, 1);

    m_idScan = new BusIdScan(m_line, this);
    connect(m_idScan, &BusIdScan::progress, this, [this](int done, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
    });
    // Devices are listed first; what answered without being one, apart below.
    const auto idRow = [this](const ScanHit& hit, bool device) {
        const QStringList row{
            QString::number(hit.slaveId),
            hit.responseUs > 0 ? BusScanTable::Milliseconds(hit.responseUs) : QString(),
            IdScanSummary::Verdict(hit), BusScanTable::IdentityText(hit.report, hit.objects),
            hit.answer};
        addRow(row, device ? m_deviceRows++ : -1);
    };
    connect(m_idScan, &BusIdScan::found, this, [idRow](const ScanHit& hit) { idRow(hit, true); });
    connect(m_idScan, &BusIdScan::noted, this, [idRow](const ScanHit& hit) { idRow(hit, false); });
    connect(m_idScan, &BusIdScan::finished, this,
            [this](bool cancelled) { scanEnded(cancelled, m_idScan->Failure()); });

    if (m_hooks.serial != nullptr) {
        m_sweep = new SerialSettingsSweep(m_line, *m_hooks.serial, this);
        connect(m_sweep, &SerialSettingsSweep::progress, this, [this](int done, int total) {
            m_progress->setRange(0, total);
            m_progress->setValue(done);
        });
        connect(
            m_sweep, &SerialSettingsSweep::found, this,
            [this](const ConnectionSettings& s, const ScanHit& hit) {
                m_foundSettings.push_back(s);
                addRow({QString::number(BaudTimingForIndex(s.BaudRate).baud),
                        QString::number(s.DataBits != 0 ? 8 : 7),
                        BusScanTable::ParityText(s.Parity), QString::number(s.StopBits + 1),
                        QString::number(hit.slaveId), BusScanTable::Milliseconds(hit.responseUs),
                        BusScanTable::AnswerText(hit.status)});
            });
        connect(m_sweep, &SerialSettingsSweep::trying, this,
                [this](const ConnectionSettings& s, int id, qint64 remainingMs) {
                    tell(ConnectionText::SweepTrying(s, id, remainingMs));
                });
        connect(m_sweep, &SerialSettingsSweep::finished, this,
                [this](bool cancelled) { scanEnded(cancelled, QString()); });
    }

    if (m_hooks.tcp != nullptr) {
        m_hostSweep = new TcpHostSweep(m_line, *m_hooks.tcp, this);
        connect(m_hostSweep, &TcpHostSweep::progress, this, [this](int done, int total) {
            m_progress->setRange(0, total);
            m_progress->setValue(done);
        });
        const auto hostRow = [this](const QString& host, const ScanHit& hit, bool device) {
            const QStringList row{
                host,
                QString::number(hit.slaveId),
                hit.responseUs > 0 ? BusScanTable::Milliseconds(hit.responseUs) : QString(),
                IdScanSummary::Verdict(hit),
                BusScanTable::IdentityText(hit.report, hit.objects),
                hit.answer};
            addRow(row, device ? m_deviceRows++ : -1);
        };
        connect(m_hostSweep, &TcpHostSweep::found, this,
                [this, hostRow](const QString& host, const ScanHit& hit) {
                    ++m_hostDevices;
                    hostRow(host, hit, true);
                });
        connect(m_hostSweep, &TcpHostSweep::noted, this,
                [hostRow](const QString& host, const ScanHit& hit) { hostRow(host, hit, false); });
        connect(m_hostSweep, &TcpHostSweep::hostDone, this,
                [this](const QString& host, int connectStatus, const IdScanReport&) {
                    ++m_hostsTried;
                    if (connectStatus == 0) {
                        ++m_hostsConnected;
                        return;
                    }
                    QString why = TcpOpenFailureMessage(connectStatus, m_line.LastSocketError());
                    if (why.isEmpty())
                        why = zentiq::StatusText(static_cast<EngineStatus>(connectStatus),
                                                 StatusFlavour::DataView);
                    addRow({host, QString(), QString(), tr("无法连接：%1").arg(why), QString(),
                            QString()});
                });
        connect(m_hostSweep, &TcpHostSweep::finished, this,
                [this](bool cancelled) { scanEnded(cancelled, QString()); });
    }

    m_map = new AddressMapScan(m_line, this);
    connect(m_map, &AddressMapScan::progress, this, [this](int done, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
    });
    connect(m_map, &AddressMapScan::tableDone, this, [this](const AddressMapScan::TableResult& r) {
        for (const AddressRange& range : r.readable) {
            m_mapRows.push_back({r.function, range.first, range.last - range.first + 1});
            addRow({BusScanTable::TableName(r.function), QString::number(range.first),
                    QString::number(range.last), QString::number(range.last - range.first + 1)});
        }
    });
    connect(m_map, &AddressMapScan::finished, this,
            [this](bool cancelled) { scanEnded(cancelled, m_map->Failure()); });

    connect(m_mode, &QComboBox::currentIndexChanged, this, &BusScannerWindow::modeChanged);
    connect(m_firstId, &QSpinBox::valueChanged, this, &BusScannerWindow::rangeChanged);
    connect(m_lastId, &QSpinBox::valueChanged, this, &BusScannerWindow::rangeChanged);
    connect(m_probe, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_probeAddress->setEnabled(i == 0); });
    connect(m_start, &QPushButton::clicked, this, [this] { StartScan(); });
    connect(m_cancel, &QPushButton::clicked, this, &BusScannerWindow::CancelScan);
    connect(m_copy, &QPushButton::clicked, this, [this] { CopyResults(); });
    connect(m_save, &QPushButton::clicked, this, [this] { SaveCsv(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { ApplySelectedSettings(); });
    connect(m_open, &QPushButton::clicked, this, [this] { OpenSelectedRange(); });
    connect(m_identity, &QPushButton::clicked, this, [this] { OpenSelectedIdentity(false); });
    connect(m_functions, &QPushButton::clicked, this, [this] { OpenSelectedIdentity(true); });
    connect(m_results, &QTableWidget::itemSelectionChanged, this,
            [this] { setBusy(IsScanning()); });
    connect(m_results, &QTableWidget::cellDoubleClicked, this, [this] {
        if (m_tableMode == Mode::AddressMap)
            OpenSelectedRange();
    });

    m_table = BusScanTable::ForIds();
    m_idRanges[static_cast<std::size_t>(Mode::Settings)] = {SerialSettingsSweep::kDefaultFirst,
                                                            SerialSettingsSweep::kDefaultLast};
    restoreMemory();
    modeChanged();
    resize(640, 480);
}

void BusScannerWindow::restoreMemory() {
    SettingsStore store;
    const BusScannerSettings s = BusScannerSettings::Load(store);
    m_mode->setCurrentIndex(s.mode);
    SetIdRange(s.firstId, s.lastId);
    SetProbe(static_cast<ScanProbe>(s.probe), s.probeAddress);
    if (s.timeoutMs > 0)
        SetTimeoutMs(s.timeoutMs);
    SetAddressRange(s.firstAddress, s.lastAddress, s.budget);
    m_retries->setValue(s.retries);
    m_stopAtFirst->setChecked(s.stopAtFirst);
    if (!s.hosts.isEmpty())
        SetHosts(s.hosts, s.hostPort);
    // The last results are shown as they were; their rows can be copied
    // and saved, not applied or opened (a new scan brings that back).
    const auto last = BusScannerResults::Load(store);
    if (!last)
        return;
    const auto mode = static_cast<Mode>(last->mode);
    const BusScanTable fresh = BusScanTable::ForMode(last->mode);
    if (fresh.header.size() != last->table.header.size())
        return;
    m_tableMode = mode;
    m_table = fresh;
    m_results->setColumnCount(static_cast<int>(m_table.header.size()));
    m_results->setHorizontalHeaderLabels(m_table.header);
    for (const QStringList& row : last->table.rows)
        addRow(row);
    tell(last->status);
}

void BusScannerWindow::saveMemory() const {
    SettingsStore store;
    BusScannerSettings s;
    s.mode = m_mode->currentIndex();
    s.firstId = m_firstId->value();
    s.lastId = m_lastId->value();
    s.probe = m_probe->currentIndex();
    s.probeAddress = m_probeAddress->value();
    s.timeoutMs = m_timeout->value();
    s.firstAddress = m_firstAddress->value();
    s.lastAddress = m_lastAddress->value();
    s.budget = m_budget->value();
    s.retries = m_retries->value();
    s.stopAtFirst = m_stopAtFirst->isChecked();
    s.hosts = m_hosts->text();
    s.hostPort = m_hostPort->value();
    s.Save(store);
    BusScannerResults{static_cast<int>(m_tableMode), m_table, m_statusText}.Save(store);
}

bool BusScannerWindow::lineIsTcp() const {
    const int mode = m_line.GetTransmissionMode();
    return mode == TCP || mode == RTU_OVER_TCP;
}

BusScannerWindow::~BusScannerWindow() {
    // The scans give the line back as they go (their leases end).
    disconnect(m_idScan, nullptr, this, nullptr);
    if (m_sweep != nullptr)
        disconnect(m_sweep, nullptr, this, nullptr);
    disconnect(m_map, nullptr, this, nullptr);
    if (m_hostSweep != nullptr)
        disconnect(m_hostSweep, nullptr, this, nullptr);
}

void BusScannerWindow::closeEvent(QCloseEvent* event) {
    CancelScan();
    saveMemory();
    event->accept();
}

void BusScannerWindow::SetMode(Mode mode) { m_mode->setCurrentIndex(static_cast<int>(mode)); }

void BusScannerWindow::SetIdRange(int first, int last) {
    m_firstId->setValue(first);
    m_lastId->setValue(last);
}

void BusScannerWindow::SetAddressRange(int first, int last, int budget) {
    m_firstAddress->setValue(first);
    m_lastAddress->setValue(last);
    m_budget->setValue(budget);
}

void BusScannerWindow::SetTimeoutMs(int ms) { m_timeout->setValue(ms); }

void BusScannerWindow::SetHosts(const QString& range, int port) {
    m_hosts->setText(range);
    m_hostPort->setValue(port);
}

void BusScannerWindow::SetProbe(ScanProbe probe, int address) {
    m_probe->setCurrentIndex(static_cast<int>(probe));
    m_probeAddress->setValue(address);
}

void BusScannerWindow::modeChanged() {
    const auto mode = static_cast<Mode>(m_mode->currentIndex());
    // Each mode keeps its own IDs: the sweep's short range is not the ID
    // scan's whole bus.
    m_idRanges[static_cast<std::size_t>(m_shownMode)] = {m_firstId->value(), m_lastId->value()};
    m_shownMode = mode;
    const auto [firstId, lastId] = m_idRanges[static_cast<std::size_t>(mode)];
    m_firstId->setValue(firstId);
    m_lastId->setValue(lastId);
    const bool map = mode == Mode::AddressMap;
    m_lastId->setEnabled(!map);
    m_probe->setEnabled(!map);
    m_probeAddress->setEnabled(!map && m_probe->currentIndex() == 0);
    m_timeout->setEnabled(mode != Mode::Settings);
    m_firstAddress->setEnabled(map);
    m_lastAddress->setEnabled(map);
    m_budget->setEnabled(map);
    const bool hosts = mode == Mode::TcpHosts;
    m_hosts->setEnabled(hosts);
    m_hostPort->setEnabled(hosts);
    m_stopAtFirst->setEnabled(mode == Mode::Ids);
    m_retries->setEnabled(mode == Mode::Ids || hosts);
    rangeChanged();
    setBusy(IsScanning());
}

void BusScannerWindow::rangeChanged() {
    const auto mode = static_cast<Mode>(m_mode->currentIndex());
    const int first = m_firstId->value();
    const int last = mode == Mode::AddressMap ? first : m_lastId->value();
    const bool unusual = first == 0 || last > 247 || first > 247;
    m_warning->setText(unusual ? tr("ID 0 是广播地址，248~255 是保留地址：设备通常不会应答。")
                               : QString());
    m_warning->setVisible(unusual);
}

bool BusScannerWindow::IsScanning() const {
    return m_idScan->IsRunning() || (m_sweep != nullptr && m_sweep->IsRunning()) ||
           m_map->IsRunning() || (m_hostSweep != nullptr && m_hostSweep->IsRunning());
}

void BusScannerWindow::setBusy(bool busy) {
    m_start->setEnabled(!busy);
    m_cancel->setEnabled(busy);
    m_mode->setEnabled(!busy);
    const bool rows = !m_table.rows.isEmpty();
    m_copy->setEnabled(rows);
    m_save->setEnabled(rows);
    const bool selected = selectedRow() >= 0;
    m_apply->setVisible(m_tableMode == Mode::Settings);
    m_apply->setEnabled(!busy && selected && m_tableMode == Mode::Settings);
    m_open->setVisible(m_tableMode == Mode::AddressMap);
    m_open->setEnabled(selected && m_tableMode == Mode::AddressMap);
    for (QPushButton* b : {m_identity, m_functions}) {
        b->setVisible(m_tableMode == Mode::Ids);
        b->setEnabled(!busy && selected && m_tableMode == Mode::Ids);
    }
}

int BusScannerWindow::selectedRow() const {
    const auto rows = m_results->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void BusScannerWindow::tell(const QString& text) {
    m_statusText = text;
    m_status->setText(text);
}

QString BusScannerWindow::StatusText() const { return m_statusText; }

bool BusScannerWindow::StartScan() {
    if (IsScanning())
        return false;
    if (m_line.IsConnected() == 0) {
        tell(tr("未连接：请先连接再扫描。"));
        return false;
    }
    const auto mode = static_cast<Mode>(m_mode->currentIndex());
    if (mode != Mode::AddressMap && m_firstId->value() > m_lastId->value()) {
        DialogDataExchange::ShowWarning(this, tr("起始ID不能大于结束ID。"));
        return false;
    }
    m_tableMode = mode;
    m_deviceRows = 0;
    m_foundSettings.clear();
    m_mapRows.clear();
    m_results->clearContents();
    m_results->setRowCount(0);
    m_table = BusScanTable::ForMode(static_cast<int>(mode));
    m_hostsTried = m_hostsConnected = m_hostDevices = 0;
    m_results->setColumnCount(static_cast<int>(m_table.header.size()));
    m_results->setHorizontalHeaderLabels(m_table.header);

    ScanProbeChoice probe;
    probe.probe = static_cast<ScanProbe>(m_probe->currentIndex());
    probe.address = static_cast<std::uint16_t>(m_probeAddress->value());
    bool started = false;
    switch (mode) {
    case Mode::Ids: {
        BusIdScan::Options o;
        o.first = m_firstId->value();
        o.last = m_lastId->value();
        o.probe = probe;
        o.timeoutMs = static_cast<std::uint32_t>(m_timeout->value());
        o.retries = m_retries->value();
        o.stopAtFirst = m_stopAtFirst->isChecked();
        started = m_idScan->Start(o);
        break;
    }
    case Mode::Settings: {
        if (m_sweep == nullptr || lineIsTcp()) {
            tell(tr("串口参数扫描只用于串口连接。"));
            return false;
        }
        SerialSettingsSweep::Options o;
        o.first = std::max(1, m_firstId->value());
        o.last = std::min(247, m_lastId->value());
        o.probe = probe;
        started = m_sweep->Start(o);
        break;
    }
    case Mode::AddressMap: {
        AddressMapScan::Options o;
        o.slaveId = m_firstId->value();
        o.first = m_firstAddress->value();
        o.last = m_lastAddress->value();
        o.budgetPerTable = m_budget->value();
        o.timeoutMs = static_cast<std::uint32_t>(m_timeout->value());
        m_mapSlave = o.slaveId;
        started = m_map->Start(o);
        break;
    }
    case Mode::TcpHosts: {
        if (m_hostSweep == nullptr || !lineIsTcp()) {
            tell(tr("多台主机扫描只用于 TCP 连接。"));
            return false;
        }
        const auto range = TcpHostSweep::ParseRange(m_hosts->text());
        if (!range) {
            tell(tr("主机范围无效：请写成 192.168.1.2-192.168.1.20 或 192.168.1.2-20（最多 %1 "
                    "个地址）。")
                     .arg(TcpHostSweep::kMaxHosts));
            return false;
        }
        TcpHostSweep::Options o;
        o.firstHost = range->first;
        o.lastHost = range->second;
        o.port = static_cast<std::uint16_t>(m_hostPort->value());
        o.firstUnit = m_firstId->value();
        o.lastUnit = m_lastId->value();
        o.probe = probe;
        o.timeoutMs = static_cast<std::uint32_t>(m_timeout->value());
        o.retries = m_retries->value();
        started = m_hostSweep->Start(o);
        break;
    }
    }
    if (!started) {
        tell(tr("无法开始扫描：请检查范围。"));
        return false;
    }
    if (IsScanning()) {
        if (mode != Mode::Settings)  // the sweep says what it tries
            tell(tr("正在扫描，读写窗口暂停轮询……"));
        setBusy(true);
    }
    return true;
}

void BusScannerWindow::CancelScan() {
    if (m_idScan->IsRunning())
        m_idScan->Cancel();
    if (m_sweep != nullptr && m_sweep->IsRunning())
        m_sweep->Cancel();
    if (m_map->IsRunning())
        m_map->Cancel();
    if (m_hostSweep != nullptr && m_hostSweep->IsRunning())
        m_hostSweep->Cancel();
}

void BusScannerWindow::scanEnded(bool cancelled, const QString& failure) {
    setBusy(false);
    QString text;
    if (!failure.isEmpty())
        text = failure;
    else if (m_tableMode == Mode::Ids)
        text = IdScanSummary::Text(m_idScan->Report(), cancelled);
    else if (m_tableMode == Mode::TcpHosts)
        text = (cancelled ? tr("扫描已取消：") : tr("扫描完成：")) +
               tr("%1 台主机中 %2 台可连接，找到 %3 台设备。")
                   .arg(m_hostsTried)
                   .arg(m_hostsConnected)
                   .arg(m_hostDevices);
    else if (cancelled)
        text = tr("扫描已取消，找到 %1 项。").arg(m_table.rows.size());
    else
        text = tr("扫描完成，找到 %1 项。").arg(m_table.rows.size());
    if (m_tableMode == Mode::AddressMap)
        text += u' ' + AddressMapSummary::Text(m_map->Results(), m_map->LastOptions().tables);
    tell(text);
    saveMemory();
}

void BusScannerWindow::addRow(const QStringList& row, int at) {
    const int r = at >= 0 && at <= m_results->rowCount() ? at : m_results->rowCount();
    m_table.rows.insert(r, row);
    m_results->insertRow(r);
    for (int c = 0; c < row.size(); ++c)
        m_results->setItem(r, c, new QTableWidgetItem(row[c]));
    // Whole texts (an identity, a frame) side by side; the table scrolls.
    m_results->resizeColumnsToContents();
    setBusy(IsScanning());
}

bool BusScannerWindow::CopyResults() {
    if (m_table.rows.isEmpty())
        return false;
    QApplication::clipboard()->setText(m_table.ToText());
    return true;
}

bool BusScannerWindow::SaveCsv() {
    if (m_table.rows.isEmpty())
        return false;
    const QString path = FileDialog::Ask(
        this,
        {true, QStringLiteral("busscan"), QStringLiteral("CSV (*.csv)"), QStringLiteral("csv")});
    if (path.isEmpty())
        return false;
    QString error;
    if (SaveAtomically(path, m_table.ToCsv().toUtf8(), &error) == SaveResult::Ok)
        return true;
    DialogDataExchange::ShowWarning(this, error.isEmpty() ? DiskErrorText() : error);
    return false;
}

bool BusScannerWindow::ApplySelectedSettings() {
    const int row = selectedRow();
    if (m_tableMode != Mode::Settings || row < 0 ||
        row >= static_cast<int>(m_foundSettings.size()) || IsScanning() || !m_hooks.applySettings)
        return false;
    m_hooks.applySettings(m_foundSettings[static_cast<std::size_t>(row)]);
    tell(tr("已应用到连接设置。"));
    return true;
}

DeviceIdentityDialog* BusScannerWindow::OpenSelectedIdentity(bool probeFunctions) {
    const int row = selectedRow();
    if (m_tableMode != Mode::Ids || row < 0 || row >= m_table.rows.size() || IsScanning())
        return nullptr;
    const int id = m_table.rows[row].value(0).toInt();
    if (id < 1 || id > 255)
        return nullptr;
    auto* window = DeviceIdentityDialog::Open(m_line, id, parentWidget());
    if (probeFunctions)
        window->StartSupportScan();
    return window;
}

bool BusScannerWindow::OpenSelectedRange() {
    const int row = selectedRow();
    if (m_tableMode != Mode::AddressMap || row < 0 || row >= static_cast<int>(m_mapRows.size()) ||
        !m_hooks.openPollWindow)
        return false;
    const MapRow& r = m_mapRows[static_cast<std::size_t>(row)];
    // A standard device refuses a read beyond the protocol's limit: a larger
    // block becomes consecutive windows.
    const std::vector<AddressRange> pieces = PollWindowPieces(r.function, r.address, r.quantity);
    if (pieces.empty())
        return false;
    const int wanted = static_cast<int>(pieces.size());
    const int free = m_hooks.freePollWindows ? m_hooks.freePollWindows() : wanted;
    if (free < wanted) {
        DialogDataExchange::ShowWarning(
            this,
            tr("读写窗口最多 %1 个，现在还能打开 %2 个；这个区块要 %3 个窗口。请先关闭一些窗口。")
                .arg(kLastSlot)
                .arg(std::max(0, free))
                .arg(wanted));
        return false;
    }
    if (wanted > 1) {
        const QString text = tr("%1–%2 共 %3 个地址，一个读写窗口最多读 %4 个。")
                                 .arg(r.address)
                                 .arg(r.address + r.quantity - 1)
                                 .arg(r.quantity)
                                 .arg(AddressMapScan::MaxQuantity(r.function)) +
                             u'\n' + tr("打开 %1 个窗口?").arg(wanted);
        if (userInteraction().question(this, windowTitle(), text,
                                       QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::Yes) != QMessageBox::Yes)
            return false;
    }
    for (const AddressRange& piece : pieces)
        m_hooks.openPollWindow(m_mapSlave, r.function, piece.first, piece.last - piece.first + 1);
    return true;
}

}  // namespace zentiq
