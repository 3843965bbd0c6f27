#include "app/connection_controller.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "app/connect_failure_text.h"
#include "app/connection_settings_store.h"
#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "framework/log_categories.h"
#include "resources/menus.h"

namespace zentiq {
namespace {

std::uint32_t nonNegative(int value) { return value < 0 ? 0u : static_cast<std::uint32_t>(value); }

}  // namespace

ConnectionController::ConnectionController(SettingsStore& store, ModbusLine& line, QObject* parent)
    : ConnectionController(store, line, ConnectionSettingsStore::Section(), parent) {}

ConnectionController::ConnectionController(SettingsStore& store, ModbusLine& line,
                                           const QString& section, QObject* parent)
    : QObject(parent), m_store(store), m_line(line), m_section(section) {
    m_settings = ConnectionSettingsStore::Read(store, &m_autoEnable, section);
    m_connectTimer = new QTimer(this);
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, &ConnectionController::tcpConnectTimedOut);
}

ConnectionController::~ConnectionController() {
    if (m_state == State::Connecting) {
        endAttempt();
        m_line.AbandonTcpConnection();
    }
}

void ConnectionController::SetAutoEnable(bool on) {
    m_autoEnable = on;
    ConnectionSettingsStore::WriteAutoEnable(m_store, on);
}

ConnectionController::Error ConnectionController::ErrorOfOpen(bool tcp, int result) {
    if (result == 0)
        return Error::NoError;
    if (!tcp)  // 1: the port is not there or taken; 2..5: it refused the settings
        return result == 1 ? Error::ConnectionError : Error::ConfigurationError;
    switch (result) {
    case status::InvalidIpAddress: return Error::ConfigurationError;
    case status::ConnectTimeout: return Error::TimeoutError;
    default: return Error::ConnectionError;
    }
}

void ConnectionController::fail(Error error, const QString& message) {
    m_error = error;
    m_errorString = message;
    emit errorOccurred(error);
    emit connectFailed(message);
}

void ConnectionController::setState(State state) {
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

ConnectionController::State ConnectionController::Connect(bool withDialog) {
    // One attempt at a time, and none while the line is being closed.
    if (m_state == State::Connecting || m_state == State::Closing)
        return m_state;
    if (withDialog) {
        ConnectionSettings edited = m_settings;
        if (!m_asker || !m_asker(edited))
            return m_state;
        m_settings = edited;
    }
    if (m_state != State::Connected && m_gate) {
        if (const QString refusal = m_gate(); !refusal.isEmpty()) {
            fail(Error::ConfigurationError, refusal);
            return m_state;
        }
    }
    // The connection is only ever opened while nothing else is open.
    if (m_state == State::Connected || m_line.IsConnected() != 0)
        Disconnect();
    m_storeWhenOpen = withDialog;
    m_attempt = m_settings;

    const ConnectionSettings& s = m_attempt;
    setLineOptions(s);

    if (s.Serial == 0) {
        opened(m_line.OpenSerialPort(s.Port + 1, BaudTimingForIndex(s.BaudRate).baud,
                                     s.DataBits != 0 ? 8 : 7, s.Parity, s.StopBits != 0 ? 2 : 0));
        return m_state;
    }
    if (s.ServicePort < 1 || s.ServicePort > 0xFFFF) {
        // Only a hand-edited store gets here; the dialog refuses such a port.
        fail(Error::ConfigurationError,
             QCoreApplication::translate("StatusTexts", "Modbus/TCP 连接失败：端口 %1 无效").arg(s.ServicePort));
        return m_state;
    }
    const int result =
        m_line.BeginTcpConnection(s.IPAddress.c_str(), static_cast<std::uint16_t>(s.ServicePort),
                                  nonNegative(s.Timeout), nonNegative(s.ConnectionTimeout));
    if (result != kTcpConnectUnderWay) {
        opened(result);
        return m_state;
    }
    // The host answers, refuses or stays silent; the event loop runs meanwhile.
    m_connectNotifier = new QSocketNotifier(static_cast<qintptr>(m_line.TcpConnectingSocket()),
                                            QSocketNotifier::Write, this);
    connect(m_connectNotifier, &QSocketNotifier::activated, this,
            &ConnectionController::tcpConnectReady);
    m_connectTimer->start(
        static_cast<int>(std::min<std::uint32_t>(nonNegative(s.ConnectionTimeout), INT_MAX)));
    setState(State::Connecting);
    return m_state;
}

void ConnectionController::endAttempt() {
    m_connectTimer->stop();
    if (m_connectNotifier != nullptr) {
        // Off before the engine closes its socket; deleted once its signal is over.
        m_connectNotifier->setEnabled(false);
        m_connectNotifier->deleteLater();
        m_connectNotifier = nullptr;
    }
}

void ConnectionController::tcpConnectReady() {
    endAttempt();
    opened(m_line.FinishTcpConnection());
}

void ConnectionController::tcpConnectTimedOut() {
    endAttempt();
    opened(m_line.AbandonTcpConnection());
}

void ConnectionController::opened(int result) {
    const ConnectionSettings& s = m_attempt;
    qCDebug(lcApp) << "connect:" << (s.Serial != 0 ? "TCP" : "serial") << "result" << result;
    if (result != 0) {
        // Values changed in the dialog stay for the next attempt, unstored.
        setState(State::Unconnected);
        fail(ErrorOfOpen(s.Serial != 0, result), ConnectFailureText::Message(m_line, s, result));
        return;
    }
    m_error = Error::NoError;
    m_errorString.clear();
    if (m_storeWhenOpen)
        ConnectionSettingsStore::Write(m_store, s, m_section);
    startLine(s);
    setState(State::Connected);
}

void ConnectionController::setLineOptions(const ConnectionSettings& s) {
    m_line.SetHandshakeFlags(static_cast<HandshakeFlags>((s.DTRDSR != 0 ? handshake::DTRDSR : 0) |
                                                         (s.RTSCTS != 0 ? handshake::RTSCTS : 0) |
                                                         (s.RTS != 0 ? handshake::RTS : 0)));
    m_line.SetPollDelay(nonNegative(s.DelayBetweenPolls));
    m_line.SetRtsDelay(static_cast<std::uint16_t>(std::clamp(s.CLRRTSDelay, 0, 0xFFFF)));
    m_line.SetEchoRemoval(s.Echo);
}

void ConnectionController::startLine(const ConnectionSettings& s) {
    const BaudTiming timing = BaudTimingForIndex(s.BaudRate);
    m_line.SetSerialTimeouts(s.RTU_ASCII == 1 ? 1000 : timing.readInterval, timing.multiplier,
                             nonNegative(s.Timeout), timing.multiplier, 200);
    m_line.SetTransmissionMode(s.Serial == 0                    ? (s.RTU_ASCII == 1 ? ASCII : RTU)
                               : s.TcpFraming == kTcpFramingRtu ? RTU_OVER_TCP
                                                                : TCP);
    m_line.StartPolling();
}

int ConnectionController::OpenSerialTrial(const ConnectionSettings& trial) {
    if (m_state != State::Connected || trial.Serial != 0 || m_settings.Serial != 0)
        return status::NoConnection;
    m_line.StopPolling();
    m_line.CloseSerialPort();
    setLineOptions(trial);
    const int result = m_line.OpenSerialPort(
        trial.Port + 1, BaudTimingForIndex(trial.BaudRate).baud, trial.DataBits != 0 ? 8 : 7,
        trial.Parity, trial.StopBits != 0 ? 2 : 0);
    if (result == 0)
        startLine(trial);
    return result;
}

int ConnectionController::ReopenSerial() {
    if (m_state != State::Connected || m_settings.Serial != 0)
        return status::NoConnection;
    const int result = OpenSerialTrial(m_settings);
    if (result != 0) {
        // The user's own settings no longer open the line: say so as a
        // failed connect does.
        setState(State::Unconnected);
        fail(ErrorOfOpen(false, result), ConnectFailureText::Message(m_line, m_settings, result));
    }
    return result;
}

int ConnectionController::ApplySerial(const ConnectionSettings& found) {
    if (m_state != State::Connected || m_settings.Serial != 0)
        return status::NoConnection;
    ConnectionSettings s = m_settings;
    s.BaudRate = found.BaudRate;
    s.DataBits = found.DataBits;
    s.Parity = found.Parity;
    s.StopBits = found.StopBits;
    m_settings = s;
    // Stored as the connection dialog stores what it opened with.
    ConnectionSettingsStore::Write(m_store, s, m_section);
    return ReopenSerial();
}

void ConnectionController::Disconnect() {
    if (m_state == State::Closing)
        return;
    const bool wasConnecting = m_state == State::Connecting;
    setState(State::Closing);
    if (wasConnecting) {
        // F4 during a connect gives it up without a message.
        endAttempt();
        m_line.AbandonTcpConnection();
    }
    m_line.StopPolling();
    m_line.CloseSerialPort();
    m_line.CloseTcpConnection();
    setState(State::Unconnected);
}

void ConnectionController::Shutdown() {
    if (m_state == State::Connecting) {
        endAttempt();
        m_line.AbandonTcpConnection();
    }
    m_line.StopPolling();
    if (m_state == State::Connected || m_line.IsConnected() != 0) {
        m_line.CloseSerialPort();
        m_line.CloseTcpConnection();
    }
    m_state = State::Unconnected;
}

QString ConnectionController::PaneText(const ConnectionSettings& s) {
    if (s.Serial != 0)
        return QStringLiteral("%1: %2%3")
            .arg(QString::fromLatin1(s.IPAddress.c_str()), QString::number(s.ServicePort),
                 s.TcpFraming == kTcpFramingRtu ? QStringLiteral(" (RTU)") : QString());
    const char* parity = s.Parity == 1 ? "O" : s.Parity == 2 ? "E" : "N";
    return tr("端口 %1: %2-%3-%4-%5")
        .arg(s.Port + 1)
        .arg(BaudTimingForIndex(s.BaudRate).baud)
        .arg(s.DataBits != 0 ? 8 : 7)
        .arg(QLatin1String(parity))
        .arg(s.StopBits + 1);
}

bool ConnectionController::OnCommand(int id) {
    switch (id) {
    case cmd::Connect: Connect(true); return true;
    case cmd::QuickConnect: Connect(false); return true;
    case cmd::Disconnect: Disconnect(); return true;
    case cmd::AutoConnectOn:
    case cmd::AutoConnectOff: SetAutoEnable(id == cmd::AutoConnectOn); return true;
    default: return false;
    }
}

bool ConnectionController::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
    case cmd::Connect:
    case cmd::QuickConnect: state.enabled = m_state == State::Unconnected; return true;
    case cmd::Disconnect:
        // Also gives up a connect that waits for its host.
        state.enabled = m_state == State::Connected || m_state == State::Connecting;
        return true;
    case cmd::AutoConnectOn: state.enabled = !m_autoEnable; return true;
    case cmd::AutoConnectOff: state.enabled = m_autoEnable; return true;
    default: return false;
    }
}

}  // namespace zentiq

// Compiled here rather than with the folder's other meta-objects, so that
// zentiq-headless links this class without the windows beside it.
#include "moc_connection_controller.cpp"
