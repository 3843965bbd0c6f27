// "错误计数": the error counts of one poll document as they were when the
// dialog opened, one line per kind that occurred, sorted as text, under a
// caption that says what they are and how long they have been counted.
#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

#include "values/error_counter_model.h"

namespace Ui {
class CErrorCounter;
}

namespace zentiq {

class CErrorCounter : public QDialog {
    Q_OBJECT
public:
    // `countingMs` gives the milliseconds since the counts started (the
    // document's clock, restarted with the counts); asked again every second
    // while the dialog is shown.
    CErrorCounter(const ErrorCounterModel::Counters& counters, std::function<qint64()> countingMs,
                  QWidget* parent = nullptr);
    ~CErrorCounter() override;

    // The lines as the list shows them, top to bottom.
    QStringList Lines() const;
    // "计数时长: h:mm:ss" as shown now.
    QString CountingText() const;
    // Asks the clock again (the timer does so every second).
    void UpdateCountingTime();

protected:
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<Ui::CErrorCounter> m_ui;
    const ErrorCounterModel::Counters m_counters;
    std::function<qint64()> m_countingMs;
    QTimer m_clock;
};

}  // namespace zentiq
