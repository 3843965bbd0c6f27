// "记录设置": when a poll document writes log lines (every poll or at an
// interval), how the values are separated, and whether failed polls are
// logged.
#pragma once

#include <QDialog>
#include <memory>

#include "documents/data_logger.h"

namespace Ui {
class CMBLogSetup;
}

namespace zentiq {

class CMBLogSetup : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIntervalMin = 1, kIntervalMax = 3600;

    explicit CMBLogSetup(const DataLogger::Options& options, QWidget* parent = nullptr);
    ~CMBLogSetup() override;

    // The options as taken from the controls by OK (the opening ones before).
    const DataLogger::Options& options() const { return m_options; }

    bool UpdateData(bool fromControls);
    void accept() override;

private:
    void enableInterval();

    std::unique_ptr<Ui::CMBLogSetup> m_ui;
    DataLogger::Options m_options;
};

}  // namespace zentiq
