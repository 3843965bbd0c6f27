// "错误计数": the error counts of one poll document as they were when the
// dialog opened, one line per kind that occurred, sorted as text.
#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

#include "values/error_counter_model.h"

namespace Ui {
class CErrorCounter;
}

namespace zentiq {

class CErrorCounter : public QDialog {
    Q_OBJECT
public:
    explicit CErrorCounter(const ErrorCounterModel::Counters& counters, QWidget* parent = nullptr);
    ~CErrorCounter() override;

    // The lines as the list shows them, top to bottom.
    QStringList Lines() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<Ui::CErrorCounter> m_ui;
    const ErrorCounterModel::Counters m_counters;
};

}  // namespace zentiq
