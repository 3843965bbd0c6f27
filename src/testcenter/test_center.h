// "测试工具": frames typed as hexadecimal bytes, optionally completed with
// a CRC or an ASCII LRC, sent unchanged through the engine's one-shot slot,
// and listed with the answers as numbered lines. Typed frames can be kept
// in a list and stored in a list file.
#pragma once

#include <QDialog>
#include <memory>

#include "engine/modbus_line.h"

class QCloseEvent;
class QComboBox;

namespace Ui {
class CTestCenter;
}

namespace zentiq {

class OneShotRequest;
class SettingsStore;
class TrafficListView;

class CTestCenter : public QDialog {
    Q_OBJECT
public:
    static constexpr int kListControlId = 1104;

    // Section "TestCenter" of the settings store.
    struct Settings {
        int addCheck = 0;  // "AddCheck": append a check to every frame
        int crcLrc = 0;    // "CRCLRC": 0 = CRC, 1 = LRC
        static Settings Load(const SettingsStore& store);
        void Store(SettingsStore& store) const;
    };

    explicit CTestCenter(const Settings& settings, QWidget* parent = nullptr);
    ~CTestCenter() override;

    // The command: settings read, the dialog run modally on `line`,
    // settings written.
    static void Open(QWidget* parent, ModbusLine& line = DefaultLine());

    // The connection frames go to: the window's document's, the default
    // line until set.
    void SetLine(ModbusLine& line) { m_line = &line; }
    ModbusLine& Line() const { return *m_line; }

    // The settings as last taken from the controls (at a send or on the
    // close box).
    const Settings& settings() const { return m_settings; }
    QComboBox* FrameCombo() const;
    TrafficListView* List() const { return m_list; }
    // A frame was sent and its result has not arrived yet.
    bool IsWaiting() const;

    void Send();
    void AddToList();
    void OpenList();
    void SaveList();
    void Copy();

    static QString ListFilter();
    static QString MaxLengthText();
    // Add refused because the list holds as many entries as a list file keeps.
    static QString ListFullText();

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void takeSettings();
    void onResult();

    std::unique_ptr<Ui::CTestCenter> m_ui;
    Settings m_settings;
    TrafficListView* m_list = nullptr;
    OneShotRequest* m_request = nullptr;
    ModbusLine* m_line = &DefaultLine();
};

}  // namespace zentiq
