// Who is this slave: its report slave ID (17) in hex and as text, its device
// identification objects (43 / 14) by read code, a loopback test (08/00: a
// number of echoes of a pattern, lost and corrupted ones counted, round trips
// of the good ones) and which functions it answers. A window of its own,
// several at once; each part names the slave it came from, on screen and in
// the text it copies.
#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

#include "values/device_identity_text.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace zentiq {

class ModbusLine;

class DeviceIdentityReader;
class FunctionSupportScan;
class OneShotRequest;

class DeviceIdentityDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDefaultEchoes = 10;
    static constexpr int kMaxEchoes = 10000;

    DeviceIdentityDialog(ModbusLine& line, int slaveId, QWidget* parent = nullptr);
    ~DeviceIdentityDialog() override;

    // Opens a window for the slave and shows it without blocking the others.
    // owner keeps it (and closes it when it goes); it should outlive the
    // window that asks: the main frame, not a tool window.
    static DeviceIdentityDialog* Open(ModbusLine& line, int slaveId, QWidget* owner);

    // The commands of the buttons (false when nothing went out: no
    // connection, bad input or slot 0 busy, each said in a message box).
    bool ReadSlaveId();
    bool ReadIdentity();
    bool StartLoopback();
    void StopLoopback();
    bool StartSupportScan();
    void StopSupportScan();
    void CopyText();

    bool IsBusy() const;
    const DeviceIdentityFindings& Findings() const { return m_findings; }
    // What the user is told when there is no connection.
    static QString NotConnectedText();
    static QString BadPatternText();

private:
    ModbusLine& m_line;
    void BuildUi();
    bool Connected();
    void OnReport(int status);
    void OnIdentity(int status);
    void OnEcho(int status);
    void OnProbe(const FunctionProbe& probe);
    void OnSupportDone();
    void ShowTitles();
    bool SendEcho();
    void ShowLoopback();
    void UpdateButtons();
    QString FailureText(int status) const;

    DeviceIdentityFindings m_findings;
    OneShotRequest* m_report = nullptr;
    OneShotRequest* m_echo = nullptr;
    DeviceIdentityReader* m_reader = nullptr;
    FunctionSupportScan* m_support = nullptr;
    int m_activeSlave = 0;  // the slave of the request under way
    int m_echoesLeft = 0;
    bool m_stopping = false;

    QSpinBox* m_slaveEdit = nullptr;
    QGroupBox* m_reportBox = nullptr;
    QGroupBox* m_identityBox = nullptr;
    QGroupBox* m_loopBox = nullptr;
    QGroupBox* m_supportBox = nullptr;
    QPushButton* m_supportButton = nullptr;
    QTableWidget* m_supportTable = nullptr;
    QPushButton* m_reportButton = nullptr;
    QLineEdit* m_reportHex = nullptr;
    QLineEdit* m_reportText = nullptr;
    QComboBox* m_codeCombo = nullptr;
    QSpinBox* m_objectEdit = nullptr;
    QPushButton* m_identityButton = nullptr;
    QTableWidget* m_objectTable = nullptr;
    QSpinBox* m_countEdit = nullptr;
    QLineEdit* m_patternEdit = nullptr;
    QPushButton* m_loopbackButton = nullptr;
    QLabel* m_countsLabel = nullptr;
    QLabel* m_roundTripLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
};

}  // namespace zentiq
