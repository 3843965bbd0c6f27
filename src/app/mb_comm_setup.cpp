#include "app/mb_comm_setup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <tuple>

#include "framework/dialog_data_exchange.h"
#include "framework/settings_store.h"
#include "framework/user_interaction.h"
#include "engine/engine.h"
#include "ui_mb_comm_setup.h"

namespace zentiq {

namespace {

// Baud table index -> position in the ascending list, and back.
constexpr int kIndexToPosition[CMBCommSetup::kBaudCount] = {3,  4,  5, 6, 7, 8,  9,
                                                            10, 11, 0, 1, 2, 12, 13};
constexpr int kPositionToIndex[CMBCommSetup::kBaudCount] = {9, 10, 11, 0, 1, 2,  3,
                                                            4, 5,  6,  7, 8, 12, 13};

const char* const kDataBitsTexts[] = {QT_TRANSLATE_NOOP("zentiq::CMBCommSetup", "7 数据位"),
                                      QT_TRANSLATE_NOOP("zentiq::CMBCommSetup", "8 数据位")};
const char* const kParityTexts[] = {QT_TRANSLATE_NOOP("zentiq::CMBCommSetup", "无校验"),
                                    QT_TRANSLATE_NOOP("zentiq::CMBCommSetup", "奇校验"),
                                    QT_TRANSLATE_NOOP("zentiq::CMBCommSetup", "偶校验")};
const char* const kStopBitsTexts[] = {QT_TRANSLATE_NOOP("zentiq::CMBCommSetup", "1 停止位"),
                                      QT_TRANSLATE_NOOP("zentiq::CMBCommSetup", "2 停止位")};

int flag(int v) { return v != 0 ? 1 : 0; }

// Orders "ttyUSB2" before "ttyUSB10": names compare by the text before
// their trailing digits, then by the number those digits make.
bool naturalLess(const QString& a, const QString& b) {
    const auto key = [](const QString& s) {
        qsizetype i = s.size();
        while (i > 0 && s.at(i - 1).isDigit())
            --i;
        QString digits = s.mid(i);
        qsizetype zeros = 0;
        while (zeros < digits.size() - 1 && digits.at(zeros) == QLatin1Char('0'))
            ++zeros;
        digits.remove(0, zeros);
        // A longer number (without leading zeros) is the larger one.
        return std::make_tuple(s.left(i), digits.size(), digits, s);
    };
    return key(a) < key(b);
}

QStringList entries(const QString& dir, const QStringList& patterns) {
    const QFileInfoList infos = QDir(dir).entryInfoList(
        patterns, QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList paths;
    for (const QFileInfo& info : infos)
        paths << info.filePath();
    std::sort(paths.begin(), paths.end(), naturalLess);
    return paths;
}

}  // namespace

// ---- baud list --------------------------------------------------------------------

int CMBCommSetup::BaudIndexToPosition(int index) {
    if (index < 0 || index >= kBaudCount)
        index = kDefaultBaudIndex;
    return kIndexToPosition[index];
}

int CMBCommSetup::BaudPositionToIndex(int position) {
    if (position < 0 || position >= kBaudCount)
        return kDefaultBaudIndex;
    return kPositionToIndex[position];
}

// ---- serial devices ------------------------------------------------------------------

// DefaultDevice, PortDevice, StorePortDevice and LoadPortDevices are in
// mb_comm_setup_ports.cpp: the headless logger needs them without the dialog.

QStringList CMBCommSetup::FindSerialDevices(const QString& devRoot) {
    QStringList found = entries(devRoot + QStringLiteral("/serial/by-id"), {});
    for (const char* pattern : {"ttyUSB*", "ttyACM*", "ttyS*"})
        found << entries(devRoot, {QString::fromLatin1(pattern)});
    return found;
}

// ---- dialog -------------------------------------------------------------------------

CMBCommSetup::CMBCommSetup(const ConnectionSettings& settings, QWidget* parent,
                           SettingsStore* store)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CMBCommSetup>()),
      m_store(store),
      m_opening(settings) {
    if (m_store == nullptr) {
        m_ownStore = std::make_unique<SettingsStore>();
        m_store = m_ownStore.get();
    }
    m_ui->setupUi(this);

    for (int n = 1; n <= kPortCount; ++n) {
        m_ui->portCombo->addItem(tr("端口 %1").arg(n));
        m_devices << PortDevice(*m_store, n);
        m_ui->portCombo->setItemData(n - 1, m_devices.last(), Qt::ToolTipRole);
    }
    m_openingDevices = m_devices;
    for (int position = 0; position < kBaudCount; ++position)
        m_ui->baudCombo->addItem(
            tr("%1 波特").arg(BaudTimingForIndex(BaudPositionToIndex(position)).baud));
    for (const char* t : kDataBitsTexts)
        m_ui->dataBitsCombo->addItem(tr(t));
    for (const char* t : kParityTexts)
        m_ui->parityCombo->addItem(tr(t));
    for (const char* t : kStopBitsTexts)
        m_ui->stopBitsCombo->addItem(tr(t));
    m_ui->deviceCombo->addItems(FindSerialDevices());
    m_ui->deviceCombo->setInsertPolicy(QComboBox::NoInsert);

    // Stored values that no list entry stands for fall back to the defaults
    // instead of leaving a list without a selection.
    const ConnectionSettings defaults;
    const auto inRange = [](int v, int count, int fallback) {
        return v >= 0 && v < count ? v : fallback;
    };
    m_baudPosition = BaudIndexToPosition(settings.BaudRate);
    m_parity = inRange(settings.Parity, 3, defaults.Parity);
    m_port = inRange(settings.Port, kPortCount, defaults.Port);
    m_stopBits = flag(settings.StopBits);
    m_timeout = settings.Timeout;
    m_dataBits = flag(settings.DataBits);
    m_ipAddress = QString::fromStdString(settings.IPAddress);
    m_rtuAscii = flag(settings.RTU_ASCII);
    m_servicePort = settings.ServicePort;
    m_delayBetweenPolls = settings.DelayBetweenPolls;
    m_serial = flag(settings.Serial);
    m_connectionTimeout = settings.ConnectionTimeout;
    m_rtuOverTcp = settings.TcpFraming == kTcpFramingRtu ? 1 : 0;
    m_advanced = {settings.DTRDSR, settings.RTSCTS, settings.RTS, settings.CLRRTSDelay,
                  settings.Echo};

    UpdateData(false);
    showPortDevice(m_port);
    enableByMode(m_serial != 0);

    connect(m_ui->okButton, &QPushButton::clicked, this, &CMBCommSetup::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CMBCommSetup::reject);
    connect(m_ui->advancedButton, &QPushButton::clicked, this, &CMBCommSetup::onAdvanced);
    connect(m_ui->serialRadio, &QRadioButton::clicked, this, &CMBCommSetup::onModeClicked);
    connect(m_ui->tcpRadio, &QRadioButton::clicked, this, &CMBCommSetup::onModeClicked);
    connect(m_ui->portCombo, &QComboBox::currentIndexChanged, this, &CMBCommSetup::showPortDevice);
    connect(m_ui->deviceCombo, &QComboBox::editTextChanged, this, &CMBCommSetup::onDeviceEdited);
}

CMBCommSetup::~CMBCommSetup() = default;

bool CMBCommSetup::UpdateData(bool fromControls) {
    DialogDataExchange dx(this, fromControls);
    dx.ComboIndex(m_ui->baudCombo, m_baudPosition)
        .ComboIndex(m_ui->parityCombo, m_parity)
        .ComboIndex(m_ui->portCombo, m_port)
        .ComboIndex(m_ui->stopBitsCombo, m_stopBits)
        .IntRange(m_ui->timeoutEdit, m_timeout, kTimeoutMin, kTimeoutMax)
        .ComboIndex(m_ui->dataBitsCombo, m_dataBits)
        .TextMax(m_ui->ipAddressEdit, m_ipAddress, kAddressMaxChars)
        .Radio({m_ui->rtuRadio, m_ui->asciiRadio}, m_rtuAscii)
        .IntRange(m_ui->servicePortEdit, m_servicePort, kServicePortMin, kServicePortMax)
        .IntRange(m_ui->delayEdit, m_delayBetweenPolls, kDelayMin, kDelayMax)
        .Radio({m_ui->serialRadio, m_ui->tcpRadio}, m_serial)
        .IntRange(m_ui->connectionTimeoutEdit, m_connectionTimeout, kConnectionTimeoutMin,
                  kConnectionTimeoutMax)
        .Check(m_ui->rtuOverTcpCheck, m_rtuOverTcp);
    return dx.ok();
}

ConnectionSettings CMBCommSetup::settings() const {
    ConnectionSettings s = m_opening;
    s.Port = m_port;
    s.BaudRate = BaudPositionToIndex(m_baudPosition);
    s.DataBits = m_dataBits;
    s.Parity = m_parity;
    s.StopBits = m_stopBits;
    s.Timeout = m_timeout;
    s.DTRDSR = m_advanced.DTRDSR;
    s.RTSCTS = m_advanced.RTSCTS;
    s.RTS = m_advanced.RTS;
    s.CLRRTSDelay = m_advanced.CLRRTSDelay;
    s.RTU_ASCII = m_rtuAscii;
    s.IPAddress = m_ipAddress.toStdString();
    s.ServicePort = m_servicePort;
    s.ConnectionTimeout = m_connectionTimeout;
    s.DelayBetweenPolls = m_delayBetweenPolls;
    s.Echo = m_advanced.Echo;
    s.Serial = m_serial;
    s.TcpFraming = m_rtuOverTcp != 0 ? kTcpFramingRtu : kTcpFramingMbap;
    return s;
}

AdvancedOptions CMBCommSetup::advancedOptions() const { return m_advanced; }

bool CMBCommSetup::Edit(ConnectionSettings& settings, QWidget* parent, SettingsStore* store) {
    CMBCommSetup dialog(settings, parent, store);
    if (userInteraction().runModal(dialog) != QDialog::Accepted)
        return false;
    settings = dialog.settings();
    return true;
}

void CMBCommSetup::SetConnectionName(const QString& name, NameRefusal refusal) {
    if (m_nameEdit == nullptr) {
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(tr("连接名称"), this);
        m_nameEdit = new QLineEdit(this);
        m_nameEdit->setObjectName(QStringLiteral("connectionNameEdit"));
        label->setBuddy(m_nameEdit);
        row->addWidget(label);
        row->addWidget(m_nameEdit, 1);
        m_ui->settingsLayout->insertLayout(0, row);
    }
    m_nameEdit->setText(name);
    m_nameRefusal = std::move(refusal);
}

QString CMBCommSetup::ConnectionName() const {
    return m_nameEdit != nullptr ? m_nameEdit->text().trimmed() : QString();
}

void CMBCommSetup::accept() {
    if (m_nameEdit != nullptr && m_nameRefusal) {
        if (const QString refusal = m_nameRefusal(m_nameEdit->text()); !refusal.isEmpty()) {
            DialogDataExchange::ShowWarning(this, refusal);
            m_nameEdit->setFocus();
            m_nameEdit->selectAll();
            return;
        }
    }
    if (!UpdateData(true))
        return;
    storePortDevices();
    QDialog::accept();
}

void CMBCommSetup::onAdvanced() {
    CAdvanced dialog(m_advanced, this);
    const int result = userInteraction().runModal(dialog);
    if (result == QDialog::Accepted)
        m_advanced = dialog.options();
}

void CMBCommSetup::onModeClicked() {
    UpdateData(true);
    // Follow the button the user chose even when a field was refused: with a
    // refused field before it in the exchange the member would keep the old
    // mode, and a disabled bad field could then never be reached to fix it.
    enableByMode(m_ui->tcpRadio->isChecked());
}

void CMBCommSetup::enableByMode(bool tcp) {
    const bool serial = !tcp;
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_ui->advancedButton, m_ui->portCombo, m_ui->deviceCombo,
                                         m_ui->baudCombo, m_ui->parityCombo, m_ui->dataBitsCombo,
                                         m_ui->stopBitsCombo, m_ui->rtuRadio, m_ui->asciiRadio})
        w->setEnabled(serial);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_ui->ipAddressEdit, m_ui->servicePortEdit,
                                         m_ui->connectionTimeoutEdit, m_ui->rtuOverTcpCheck})
        w->setEnabled(tcp);
}

// ---- port devices ---------------------------------------------------------------------

void CMBCommSetup::showPortDevice(int position) {
    if (position < 0 || position >= kPortCount)
        return;
    m_showingDevice = true;
    m_ui->deviceCombo->setEditText(m_devices.at(position));
    m_showingDevice = false;
}

void CMBCommSetup::onDeviceEdited(const QString& text) {
    const int position = m_ui->portCombo->currentIndex();
    if (m_showingDevice || position < 0 || position >= kPortCount)
        return;
    m_devices[position] = text;
    m_ui->portCombo->setItemData(position, text, Qt::ToolTipRole);
}

void CMBCommSetup::storePortDevices() {
    for (int i = 0; i < kPortCount; ++i) {
        // An emptied field means the port's usual device.
        QString path = m_devices.at(i).trimmed();
        if (path.isEmpty())
            path = DefaultDevice(i + 1);
        if (path == m_openingDevices.at(i))
            continue;
        StorePortDevice(*m_store, i + 1, path);
        m_line->SetSerialDevice(i + 1, QFile::encodeName(path).constData());
    }
}

}  // namespace zentiq
