// "高级": the serial line's flow control, RTS and echo options, edited on
// behalf of the connection settings dialog.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CAdvanced;
}

namespace zentiq {

// The five options the dialog edits (fields of ConnectionSettings).
struct AdvancedOptions {
    int DTRDSR = 0;
    int RTSCTS = 0;
    int RTS = 1;
    int CLRRTSDelay = 1;
    int Echo = 0;
    bool operator==(const AdvancedOptions&) const = default;
};

class CAdvanced : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRtsDelayMin = 0;
    static constexpr int kRtsDelayMax = 100;

    explicit CAdvanced(const AdvancedOptions& options, QWidget* parent = nullptr);
    ~CAdvanced() override;

    // The options as they stand: the opening values until OK has taken the
    // controls' values.
    AdvancedOptions options() const { return m_options; }

    // Moves the options into the controls or takes them back with
    // validation; false when a field was refused.
    bool UpdateData(bool fromControls);

    void accept() override;

private:
    void enableRtsDelay(bool on);

    std::unique_ptr<Ui::CAdvanced> m_ui;
    AdvancedOptions m_options;
};

}  // namespace zentiq
