#include "display/error_counter.h"

#include "ui_error_counter.h"

namespace zentiq {

CErrorCounter::CErrorCounter(const ErrorCounterModel::Counters& counters,
                             std::function<qint64()> countingMs, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CErrorCounter>()),
      m_counters(counters),
      m_countingMs(std::move(countingMs)) {
    m_ui->setupUi(this);
    // The model orders the lines as a sorted list box does; the widget's own
    // sorting would compare case-sensitively.
    m_ui->counterList->addItems(ErrorCounterModel::SortedLines(m_counters));
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    UpdateCountingTime();
    // Runs only while the dialog's event loop does, i.e. while it is shown.
    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &CErrorCounter::UpdateCountingTime);
    m_clock.start();
}

CErrorCounter::~CErrorCounter() = default;

void CErrorCounter::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::LanguageChange)
        return;
    m_ui->retranslateUi(this);
    m_ui->counterList->clear();
    m_ui->counterList->addItems(ErrorCounterModel::SortedLines(m_counters));
    UpdateCountingTime();
}

void CErrorCounter::UpdateCountingTime() {
    const qint64 ms = m_countingMs ? m_countingMs() : 0;
    m_ui->countingLabel->setText(tr("计数时长: %1").arg(ErrorCounterModel::CountingText(ms)));
}

QString CErrorCounter::CountingText() const { return m_ui->countingLabel->text(); }

QStringList CErrorCounter::Lines() const {
    QStringList lines;
    for (int row = 0; row < m_ui->counterList->count(); ++row)
        lines.append(m_ui->counterList->item(row)->text());
    return lines;
}

}  // namespace zentiq
