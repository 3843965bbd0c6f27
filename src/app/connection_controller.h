// The one connection: its settings, the state it is in, and the commands of
// the "通讯" menu. A Modbus/TCP connect waits in the event loop instead of
// blocking it, so the windows keep repainting while a host does not answer.
// Needs no window: asking for settings and showing failures are left to
// whoever uses it (the application puts up the dialog and the message box).
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "engine/engine_types.h"
#include "framework/command_target.h"

class QSocketNotifier;
class QTimer;

namespace zentiq {

class ModbusLine;
class SettingsStore;

class ConnectionController : public QObject, public CommandTarget {
    Q_OBJECT
public:
    // Closing lasts while Disconnect stops the worker and closes the line.
    enum class State { Unconnected, Connecting, Connected, Closing };
    Q_ENUM(State)
    // Why the last open failed, in the kinds Qt's own Modbus devices use:
    // settings the line refused, a line or host that is not there or
    // refuses, a host that did not answer the connect in time.
    enum class Error { NoError, ConfigurationError, ConnectionError, TimeoutError };
    Q_ENUM(Error)

    // Reads the settings and the auto-connect switch from `store`; opens,
    // closes and starts `line`.
    // `section`: where in the store its settings live.
    ConnectionController(SettingsStore& store, ModbusLine& line, QObject* parent = nullptr);
    ConnectionController(SettingsStore& store, ModbusLine& line, const QString& section,
                         QObject* parent = nullptr);
    // A connect under way is given up; an open connection is left to Shutdown.
    ~ConnectionController() override;

    State state() const { return m_state; }
    // The kind of the last failed open and its words; NoError once a
    // connect succeeded.
    Error error() const { return m_error; }
    QString errorString() const { return m_errorString; }
    // The kind of an open result (0: NoError) on a serial or TCP line.
    static Error ErrorOfOpen(bool tcp, int result);
    ModbusLine& Line() const { return m_line; }
    bool IsConnected() const { return m_state == State::Connected; }

    const ConnectionSettings& Settings() const { return m_settings; }
    void SetSettings(const ConnectionSettings& settings) { m_settings = settings; }
    bool AutoEnable() const { return m_autoEnable; }
    // Stored at once.
    void SetAutoEnable(bool on);

    // Edits a copy of the settings (the connection dialog); false: cancelled.
    using SettingsAsker = std::function<bool(ConnectionSettings& settings)>;
    void SetSettingsAsker(SettingsAsker asker) { m_asker = std::move(asker); }
    // Says why this connection may not open now (too many are open), or
    // nothing; asked before a closed connection opens.
    using OpenGate = std::function<QString()>;
    void SetOpenGate(OpenGate gate) { m_gate = std::move(gate); }

    // Opens the connection, with the settings asker first or with the
    // current settings; an open connection is closed first. Refused (the
    // state returned unchanged) while connecting or closing. Returns the
    // state it leaves: Connected, Unconnected after a failure (connectFailed
    // has said why) or a cancelled asker, or Connecting while a TCP connect
    // waits for its host; stateChanged then tells how it ended.
    State Connect(bool withDialog);
    // Gives up a connect under way, stops the worker, then closes whatever is open.
    void Disconnect();
    // At the end of the program: the same without a word to the windows.
    void Shutdown();

    // The bus scanner's settings sweep, on a connected serial line only:
    // reopens it with `trial`, which does not become the user's; 0 or the
    // open failure (NoConnection when not connected on a serial line).
    int OpenSerialTrial(const ConnectionSettings& trial);
    // Reopens the line with the user's settings, after a sweep.
    int ReopenSerial();
    // The line settings of a found combination (baud rate, data bits,
    // parity, stop bits) become the user's: stored, and the line reopened.
    int ApplySerial(const ConnectionSettings& found);

    // Text of the status bar's connection pane.
    QString PaneText() const { return PaneText(m_settings); }
    static QString PaneText(const ConnectionSettings& settings);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

signals:
    void stateChanged(zentiq::ConnectionController::State state);
    // A failed open, in the words of ConnectFailureText (or the refused
    // port); errorOccurred tells its kind just before.
    void errorOccurred(zentiq::ConnectionController::Error error);
    void connectFailed(const QString& message);

private:
    void setState(State state);
    // Records and announces a failed open.
    void fail(Error error, const QString& message);
    // The engine's open result: store, start polling or report.
    void opened(int result);
    void setLineOptions(const ConnectionSettings& s);
    // Timeouts, mode, and the worker started: the line is open.
    void startLine(const ConnectionSettings& s);
    void tcpConnectReady();
    void tcpConnectTimedOut();
    void endAttempt();

    SettingsStore& m_store;
    ModbusLine& m_line;
    ConnectionSettings m_settings;
    ConnectionSettings m_attempt;  // what the open under way was given
    bool m_autoEnable = false;
    State m_state = State::Unconnected;
    Error m_error = Error::NoError;
    QString m_errorString;
    // The dialog's values are stored once the connection they name opens.
    bool m_storeWhenOpen = false;
    QSocketNotifier* m_connectNotifier = nullptr;
    QTimer* m_connectTimer = nullptr;
    SettingsAsker m_asker;
    OpenGate m_gate;
    QString m_section;
};

}  // namespace zentiq
