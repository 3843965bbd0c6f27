// Who is this slave: its report slave ID (17) in hex and as text, its device
// identification objects (43 / 14) by read code, and a loopback test
// (08/00: a number of echoes of a pattern, lost and corrupted ones counted,
// round trips of the good ones). Everything found can be copied as text.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>
#include <vector>

#include "values/device_identity_text.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace zentiq {

class DeviceIdentityReader;
class OneShotRequest;

class DeviceIdentityDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDefaultEchoes = 10;
    static constexpr int kMaxEchoes = 10000;

    explicit DeviceIdentityDialog(int slaveId, QWidget* parent = nullptr);
    ~DeviceIdentityDialog() override;

    // Runs the dialog modally for the slave of the active poll window.
    static void Open(int slaveId, QWidget* parent);

    // The commands of the buttons (false when nothing went out: no
    // connection, bad input or slot 0 busy, each said in a message box).
    bool ReadSlaveId();
    bool ReadIdentity();
    bool StartLoopback();
    void StopLoopback();
    void CopyText();

    bool IsBusy() const;
    const DeviceIdentityFindings& Findings() const { return m_findings; }
    // What the user is told when there is no connection.
    static QString NotConnectedText();
    static QString BadPatternText();

private:
    void BuildUi();
    bool Connected();
    void OnReport(int status);
    void OnIdentity(int status);
    void OnEcho(int status);
    bool SendEcho();
    void ShowLoopback();
    void UpdateButtons();
    void TakeSlaveId();
    QString FailureText(int status) const;

    DeviceIdentityFindings m_findings;
    OneShotRequest* m_report = nullptr;
    OneShotRequest* m_echo = nullptr;
    DeviceIdentityReader* m_reader = nullptr;
    QElapsedTimer m_echoClock;
    int m_echoesLeft = 0;
    bool m_stopping = false;

    QSpinBox* m_slaveEdit = nullptr;
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
