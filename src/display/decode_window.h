// The decode assistant of a poll window: every reading of the selected
// registers side by side (16-bit, BCD, 32/64-bit integers and floats in four
// byte orders, text in both byte orders), implausible readings marked, and
// the readings closest to the value the user expects, across types, orders
// and a start one register off. It follows the poll's values, or decodes
// registers typed in hex. One click gives the register where the best
// reading starts that reading as its row's type (any reading, scaled
// integers with their scale); an option sets the display format of the
// whole window instead, where one shows the reading. A separate window that
// belongs to the data view.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "values/decode_ranking.h"
#include "values/row_type.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;

namespace zentiq {

class CZentiqDoc;
class DecodeTableModel;

class DecodeWindow : public QWidget {
    Q_OBJECT
public:
    // New values reach the table at most this often (as often as a trend
    // redraws): faster than anyone reads a table, and cheap at any poll rate.
    static constexpr int kRefreshMs = 200;
    static constexpr std::size_t kCandidates = 8;
    // The poll's registers now, or nothing while it has none to show.
    using WordSource = std::function<std::optional<std::vector<std::uint16_t>>()>;

    // A top-level window over the poll items `items` (registers of a read
    // poll; none: only typed registers), deleted with `owner`.
    DecodeWindow(CZentiqDoc* doc, std::vector<int> items, QWidget* owner);
    ~DecodeWindow() override;

    // Replaces where the poll's registers come from (the engine's slot of
    // the document); for tests and benchmarks.
    void SetWordSource(WordSource source);

    // A result of the poll came in: the table follows within kRefreshMs.
    void ValuesArrived();
    // Takes the registers now.
    void Refresh();

    // What the user types.
    void SetTypedWords(const QString& text);
    void SetExpectation(const QString& text);
    // Gives the best candidate's start register its reading as row type,
    // or, with the whole-window option, sets the display format that shows
    // it on the poll window; false when there is nothing to apply.
    bool ApplyBest();
    // The option: the display format for the whole window instead of the
    // row's type. Only takes effect while a display format shows the best
    // reading (the check box is disabled otherwise).
    void SetApplyToWholeWindow(bool on);
    bool ApplyToWholeWindow() const;
    bool WholeWindowPossible() const;

    // What the window shows.
    bool Live() const { return m_live; }
    const DecodeTableModel& Table() const { return *m_model; }
    QTableView* TableView() const { return m_table; }
    const std::vector<DecodeCandidate>& Candidates() const { return m_candidates; }
    // The display format the whole-window option would set, or -1.
    int ApplicableFormat() const { return m_applicable; }
    // The row type the apply button would give the start register.
    const std::optional<RowType>& ApplicableType() const { return m_applyType; }
    bool ApplyEnabled() const;
    QString Verdict() const;
    QString SourceText() const;
    QString InputError() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void retranslate();
    void applyErrorColour();
    // The poll's registers: the source's answer, or nothing.
    std::optional<std::vector<std::uint16_t>> pollWords() const;
    // Starts and titles from the poll's definition (or the typed words).
    void relayout();
    void followDefinition();
    void typedWordsChanged();
    void rank();
    void showCandidates();
    QString addressName(int start) const;
    bool typedMode() const;

    QPointer<CZentiqDoc> m_doc;
    // Protocol addresses of the chosen registers: they stay chosen when the
    // poll's start moves.
    std::vector<int> m_addresses;
    WordSource m_source;
    std::optional<std::vector<std::uint16_t>> m_typed;
    bool m_live = false;
    Expectation m_expectation;
    std::vector<DecodeCandidate> m_candidates;
    int m_applicable = -1;
    std::optional<RowType> m_applyType;
    int m_applyAddress = -1;  // protocol address of the register m_applyType is for
    QString m_verdict;
    QString m_inputError;

    DecodeTableModel* m_model = nullptr;
    QLabel* m_sourceLabel = nullptr;
    QLabel* m_typedLabel = nullptr;
    QLineEdit* m_typedEdit = nullptr;
    QLabel* m_errorLabel = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_expectLabel = nullptr;
    QLineEdit* m_expectEdit = nullptr;
    QTableWidget* m_candidateTable = nullptr;
    QLabel* m_verdictLabel = nullptr;
    QPushButton* m_apply = nullptr;
    QCheckBox* m_wholeWindow = nullptr;
    QTimer m_refreshTimer;
};

}  // namespace zentiq
