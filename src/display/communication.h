// "通讯小助手": the modeless traffic monitor. Every frame the engine puts on
// or takes from the wire, for every slot, becomes a numbered hexadecimal
// line with the time it was taken and the gap since the frame before; the
// user can freeze the list, filter it by slave and function, save or copy
// lines while it is frozen, and have it freeze itself at the first failed
// transaction.
#pragma once

#include <QDialog>
#include <memory>

#include "engine/engine_types.h"

namespace Ui {
class CCommunication;
}

namespace zentiq {

class ModbusLine;

class TrafficTableView;

class CCommunication : public QDialog {
    Q_OBJECT
public:
    static constexpr int kListControlId = 1098;

    // Registers itself as line's monitor window until destroyed. Deletes
    // itself when closed.
    explicit CCommunication(ModbusLine& line, QWidget* parent = nullptr);
    // The connection whose frames it lists.
    ModbusLine& Line() const { return m_line; }
    ~CCommunication() override;

    WindowHandle Handle() const { return m_handle; }
    bool IsStopped() const { return m_stopped; }
    TrafficTableView* List() const { return m_list; }

    // WM_POLL_RESULT: the slot's request and response as lines, and the
    // stop on error. Ignored while frozen.
    void OnPollResult(EngineStatus status, int slot);
    // Button 1100: capturing <-> frozen.
    void ToggleStop();
    // Save writes the lines shown (filtered or not) with their times and gaps.
    void Save();
    void Copy();
    // While frozen: only the frames of one slave and/or function
    // (TrafficFilterModel::kAll for any), as the two boxes choose.
    void SetFilter(int slave, int function);

    static QString SaveFilter();

protected:
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    ModbusLine& m_line;
    void setStopped(bool stopped);
    void showStopState();
    // The boxes list "全部" and the values among the frames kept.
    void fillFilterBoxes();
    void applyFilterBoxes();

    std::unique_ptr<Ui::CCommunication> m_ui;
    TrafficTableView* m_list = nullptr;
    WindowHandle m_handle = 0;
    bool m_stopped = false;
    bool m_stopOnError = false;
};

}  // namespace zentiq
