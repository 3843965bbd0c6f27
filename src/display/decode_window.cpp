#include "display/decode_window.h"

#include <QCheckBox>
#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "display/decode_table_model.h"
#include "display/trend_items.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/modbus_line.h"
#include "framework/contrast.h"
#include "values/last_good_read.h"
#include "values/register_decode.h"
#include "values/typed_items.h"
#include "values/value_format.h"

namespace zentiq {

namespace {

// The display format commands, by format number.
constexpr std::array<int, kDisplayFormatCount> kFormatCommands = {
    cmd::FormatSigned, cmd::FormatUnsigned,     cmd::FormatHex,    cmd::FormatBinary,
    cmd::FormatFloat,  cmd::FormatFloatInverse, cmd::FormatDouble, cmd::FormatDoubleInverse,
    cmd::FormatLong,   cmd::FormatLongInverse,
};

enum CandidateColumn {
    AddressColumn,
    ReadingColumn,
    ValueColumn,
    DistanceColumn,
    FormatColumn,
    ColumnCount
};

bool readsRegisters(const PollDefinition& def) {
    return def.FunctionValue == 3 || def.FunctionValue == 4;
}

// The registers of the document's slot as the slave sent them, whatever
// the window's display format made of them.
DecodeWindow::WordSource slotSource(QPointer<CZentiqDoc> doc) {
    return [doc]() -> std::optional<std::vector<std::uint16_t>> {
        if (!doc)
            return std::nullopt;
        const PollDocumentModel& m = doc->Model();
        if (!readsRegisters(m.def) || m.slotIndex == -1 || m.valuesUnknown)
            return std::nullopt;
        std::array<std::uint16_t, kDataSize / 2> registers{};
        doc->Line().ReadRegisters(m.slotIndex, registers.data());
        const int length = std::clamp(m.def.Length, 0, int(registers.size()));
        return std::vector<std::uint16_t>(registers.begin(), registers.begin() + length);
    };
}

}  // namespace

DecodeWindow::DecodeWindow(CZentiqDoc* doc, std::vector<int> items, QWidget* owner)
    : QWidget(owner, Qt::Window), m_doc(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    if (m_doc) {
        const int address = m_doc->Model().def.Address;
        for (const int item : items)
            m_addresses.push_back(address + item);
        connect(m_doc, &CZentiqDoc::valuesChanged, this, &DecodeWindow::ValuesArrived);
        connect(m_doc, &CZentiqDoc::updateRequested, this, &DecodeWindow::followDefinition);
        // The title says whether the registers are live or since when not.
        connect(m_doc, &CZentiqDoc::freshnessChanged, this, [this] {
            if (m_sourceLabel != nullptr)
                m_sourceLabel->setText(SourceText());
        });
    }
    m_source = slotSource(m_doc);
    m_model = new DecodeTableModel(this);
    buildControls();
    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &DecodeWindow::Refresh);
    relayout();
    retranslate();
    resize(760, 620);
}

DecodeWindow::~DecodeWindow() = default;

void DecodeWindow::buildControls() {
    m_sourceLabel = new QLabel;
    m_typedLabel = new QLabel;
    m_typedEdit = new QLineEdit;
    m_typedEdit->setObjectName(QStringLiteral("typedWordsEdit"));
    m_errorLabel = new QLabel;
    applyErrorColour();
    m_errorLabel->hide();
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("readingTable"));
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Wide enough for the longest number a reading gives (a 64-bit integer
    // or a double); only text, which is marked anyway, may be cut.
    m_table->horizontalHeader()->setDefaultSectionSize(
        m_table->fontMetrics().horizontalAdvance(QLatin1String("-1.7976931348623157e+308")) + 16);
    // Rows of one line at a fixed height, laid out without wrapping: sizing
    // rows to their contents would lay out every cell of every column on
    // each new set of values.
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_expectLabel = new QLabel;
    m_expectEdit = new QLineEdit;
    m_expectEdit->setObjectName(QStringLiteral("expectationEdit"));
    m_candidateTable = new QTableWidget(0, ColumnCount);
    m_candidateTable->setObjectName(QStringLiteral("candidateTable"));
    m_candidateTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_candidateTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_candidateTable->verticalHeader()->hide();
    m_candidateTable->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_candidateTable->setWordWrap(false);
    m_candidateTable->horizontalHeader()->setStretchLastSection(true);
    // Wide enough for the longest texts in either language.
    const QFontMetrics metrics = m_candidateTable->fontMetrics();
    const std::pair<int, const char*> widths[] = {{AddressColumn, "400001 (one before)"},
                                                  {ReadingColumn, "ASCII text (high byte first)"},
                                                  {ValueColumn, "-9223372036854775808"},
                                                  {DistanceColumn, "matches"}};
    for (const auto& [column, sample] : widths)
        m_candidateTable->setColumnWidth(column,
                                         metrics.horizontalAdvance(QLatin1String(sample)) + 16);
    m_verdictLabel = new QLabel;
    m_verdictLabel->setWordWrap(true);
    m_apply = new QPushButton;
    m_apply->setObjectName(QStringLiteral("applyButton"));
    m_wholeWindow = new QCheckBox;
    m_wholeWindow->setObjectName(QStringLiteral("wholeWindowBox"));

    auto* typedRow = new QHBoxLayout;
    typedRow->addWidget(m_typedLabel);
    typedRow->addWidget(m_typedEdit, 1);
    auto* expectRow = new QHBoxLayout;
    expectRow->addWidget(m_expectLabel);
    expectRow->addWidget(m_expectEdit, 1);
    auto* verdictRow = new QHBoxLayout;
    verdictRow->addWidget(m_verdictLabel, 1);
    verdictRow->addWidget(m_wholeWindow);
    verdictRow->addWidget(m_apply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sourceLabel);
    layout->addLayout(typedRow);
    layout->addWidget(m_errorLabel);
    layout->addWidget(m_table, 3);
    layout->addLayout(expectRow);
    layout->addWidget(m_candidateTable, 2);
    layout->addLayout(verdictRow);

    connect(m_typedEdit, &QLineEdit::textChanged, this, &DecodeWindow::typedWordsChanged);
    connect(m_expectEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_expectation = ParseExpectation(text);
        rank();
    });
    connect(m_apply, &QPushButton::clicked, this, &DecodeWindow::ApplyBest);
    connect(m_wholeWindow, &QCheckBox::toggled, this, &DecodeWindow::rank);
}

void DecodeWindow::retranslate() {
    setWindowTitle(tr("解码助手") +
                   (m_doc ? QStringLiteral(" - ") + m_doc->GetTitle() : QString()));
    m_typedLabel->setText(tr("十六进制寄存器值："));
    m_typedEdit->setPlaceholderText(tr("例如 4366 8000；留空则跟随所选单元"));
    m_expectLabel->setText(tr("我期望："));
    m_expectEdit->setPlaceholderText(tr("设备应显示的值，例如 230.5、-12 或 \"ABC\""));
    m_candidateTable->setHorizontalHeaderLabels(
        {tr("地址"), tr("解读"), tr("值"), tr("偏差"), tr("显示格式")});
    m_apply->setText(tr("应用"));
    m_wholeWindow->setText(tr("应用到整个窗口"));
    m_wholeWindow->setToolTip(tr("设置整个窗口的显示格式，而不是起始寄存器的类型"));
    m_sourceLabel->setText(SourceText());
    // The reading names of the table's rows.
    emit m_model->headerDataChanged(Qt::Vertical, 0, std::max(0, m_model->rowCount() - 1));
    rank();
}

void DecodeWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange && m_apply != nullptr)
        retranslate();
    if (event->type() == QEvent::PaletteChange && m_errorLabel != nullptr)
        applyErrorColour();
}

void DecodeWindow::applyErrorColour() {
    // Red, as near to pure red as reads well on this window's background.
    QPalette p = palette();
    p.setColor(QPalette::WindowText,
               ReadableOn(QColor(255, 0, 0), p.color(QPalette::Window)));
    m_errorLabel->setPalette(p);
}

void DecodeWindow::SetWordSource(WordSource source) {
    m_source = std::move(source);
    Refresh();
}

std::optional<std::vector<std::uint16_t>> DecodeWindow::pollWords() const {
    return m_source ? m_source() : std::nullopt;
}

bool DecodeWindow::typedMode() const { return m_typed.has_value(); }

QString DecodeWindow::addressName(int start) const {
    if (typedMode() || !m_doc)
        return QStringLiteral("#%1").arg(start + 1);
    return TrendAddressName(m_doc->Model().def, start);
}

void DecodeWindow::relayout() {
    std::vector<int> starts;
    QStringList titles;
    std::vector<std::uint16_t> words;
    m_live = false;
    if (typedMode()) {
        words = *m_typed;
        for (int i = 0; i < int(words.size()); ++i)
            starts.push_back(i);
    } else if (m_doc && readsRegisters(m_doc->Model().def)) {
        const PollDefinition& def = m_doc->Model().def;
        for (const int address : m_addresses) {
            const int item = address - def.Address;
            if (item >= 0 && item < def.Length && item < int(kDataSize / 2))
                starts.push_back(item);
        }
        std::sort(starts.begin(), starts.end());
        starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
        m_live = !starts.empty();
        if (m_live)
            words = pollWords().value_or(std::vector<std::uint16_t>());
    }
    for (const int s : starts)
        titles << addressName(s);
    m_model->SetLayout(std::move(words), std::move(starts), titles);
    if (m_sourceLabel != nullptr)
        m_sourceLabel->setText(SourceText());
}

QString DecodeWindow::SourceText() const {
    const std::vector<int>& starts = m_model->Starts();
    if (typedMode())
        return tr("输入的 %1 个寄存器").arg(starts.size());
    if (!m_live)
        return tr("此窗口没有所选的读寄存器单元：请输入十六进制寄存器值。");
    const QString first = addressName(starts.front());
    const QString range =
        starts.size() == 1 ? first : first + QStringLiteral(" – ") + addressName(starts.back());
    const PollDocumentModel& m = m_doc->Model();
    if (m.ValuesStale())
        return tr("%1 的寄存器 %2（%3 个起始地址，%4）")
            .arg(m_doc->GetTitle(), range)
            .arg(starts.size())
            .arg(LastGoodReadText(m.lastGoodRead, QDateTime::currentMSecsSinceEpoch()));
    return tr("%1 的寄存器 %2（%3 个起始地址，实时）")
        .arg(m_doc->GetTitle(), range)
        .arg(starts.size());
}

QString DecodeWindow::InputError() const { return m_inputError; }

void DecodeWindow::typedWordsChanged() {
    const QString text = m_typedEdit->text();
    m_inputError.clear();
    if (text.trimmed().isEmpty()) {
        m_typed.reset();
    } else {
        QString error;
        std::optional<std::vector<std::uint16_t>> words = ParseHexWords(text, &error);
        if (!words) {
            // The table keeps what it showed until the text reads again.
            m_inputError = error;
            m_errorLabel->setText(error);
            m_errorLabel->show();
            return;
        }
        m_typed = std::move(words);
    }
    m_errorLabel->hide();
    relayout();
    rank();
}

void DecodeWindow::SetTypedWords(const QString& text) { m_typedEdit->setText(text); }

void DecodeWindow::SetExpectation(const QString& text) { m_expectEdit->setText(text); }

void DecodeWindow::ValuesArrived() {
    if (m_live && !m_refreshTimer.isActive())
        m_refreshTimer.start(kRefreshMs);
}

void DecodeWindow::Refresh() {
    if (!m_live)
        return;
    const std::optional<std::vector<std::uint16_t>> words = pollWords();
    if (words && m_model->SetWords(*words) && m_expectation.kind != Expectation::Kind::None)
        rank();
}

void DecodeWindow::followDefinition() {
    relayout();
    rank();
}

void DecodeWindow::rank() {
    if (m_apply == nullptr)
        return;
    m_candidates = RankCandidates(m_model->Words(), m_model->Starts(), m_expectation, kCandidates);
    m_applicable = -1;
    m_applyType.reset();
    m_applyAddress = -1;
    m_verdict.clear();
    if (m_expectation.kind != Expectation::Kind::None && m_candidates.empty())
        m_verdict = tr("没有读数接近期望值。");
    if (!m_candidates.empty() && !m_candidates.front().match)
        m_verdict = tr("没有读数接近期望值；表中是最接近的读数，不是该值。");
    if (!m_candidates.empty() && m_candidates.front().match) {
        const DecodeCandidate& best = m_candidates.front();
        QStringList parts;
        const bool insideSelection =
            std::binary_search(m_model->Starts().begin(), m_model->Starts().end(), best.start);
        if (best.offset < 0)
            parts << tr("该值从所选寄存器的前一个寄存器 %1 开始：地址可能差一。")
                         .arg(addressName(best.start));
        else if (best.offset > 0 && insideSelection)
            parts << tr("该值从所选两个寄存器中的第二个 %1 开始，超出所选范围：地址可能差一。")
                         .arg(addressName(best.start));
        else if (best.offset > 0)
            parts << tr("该值从所选寄存器的后一个寄存器 %1 开始：地址可能差一。")
                         .arg(addressName(best.start));
        // Typed registers belong to no poll: where they start says nothing.
        const int start = typedMode() ? 0 : best.start;
        const int format =
            best.scale != 0 ? -1 : DisplayFormatFor(best.reading, start, m_expectation.hexTyped);
        const QString scaleText = QLocale::c().toString(std::pow(10.0, best.scale), 'g', 4);
        if (best.scale != 0)
            parts << tr("寄存器中的整数 %1 是该值 ×%2。").arg(best.value.text, scaleText);
        if (!m_live || !m_doc) {
            if (format >= 0)
                parts << tr("显示格式 %1 能显示它。").arg(DisplayFormatLabel(format));
            else if (best.scale == 0)
                parts << tr("没有显示格式能显示它（%1），它留在本窗口中可观察。")
                             .arg(NoDisplayFormatReason(best.reading, start, addressName(best.start)));
        } else {
            const PollDocumentModel& m = m_doc->Model();
            RowType type;
            // The display format's reading where one shows it (hex for a
            // value typed in hex), else the reading itself.
            type.reading = format >= 0 ? RowTypeOfFormat(format).reading : best.reading;
            if (best.reading.kind == DecodeKind::Text)
                type.textRegisters = std::clamp(best.registers, 1, RowType::kMaxTextRegisters);
            if (best.scale != 0)
                type.scale = std::pow(10.0, -best.scale);
            // How the window shows the start register now: its own type, the
            // display format, or nothing of its own (a typed value spans it).
            const std::vector<ItemPlan> plan =
                PlanItems(m.def.Address, m.def.Length, m.def.FunctionValue, m.rowTypes);
            const ItemPlan at = best.start < int(plan.size()) ? plan[std::size_t(best.start)] : ItemPlan{};
            const bool byType = at.type != nullptr && at.type->reading == type.reading &&
                                at.type->Registers() == type.Registers() &&
                                at.type->scale == type.scale && at.type->offset == type.offset;
            const bool byFormat = at.type == nullptr && !at.covered && format >= 0 &&
                                  m.def.DisplayFormat == format;
            const bool wholeWindow = format >= 0 && m.def.DisplayFormat != format;
            if (wholeWindow)
                m_applicable = format;
            if (!byType && !byFormat && type.Valid()) {
                m_applyType = type;
                m_applyAddress = m.def.Address + best.start;
            }
            // What 应用 does now comes first.
            if (wholeWindow && m_wholeWindow->isChecked())
                parts << tr("显示格式 %1 能显示它：按“应用”。").arg(DisplayFormatLabel(format));
            if (byType)
                parts << tr("该行的类型 %1 已显示它。").arg(RowTypeLabel(*at.type));
            else if (byFormat)
                parts << tr("窗口已使用显示格式 %1。").arg(DisplayFormatLabel(format));
            else if (m_applyType && !(wholeWindow && m_wholeWindow->isChecked()))
                parts << tr("按“应用”把 %1 的类型设为 %2。")
                             .arg(addressName(best.start), RowTypeLabel(type));
            if (wholeWindow && !m_wholeWindow->isChecked()) {
                parts << tr("显示格式 %1 也能显示它（应用到整个窗口）。").arg(DisplayFormatLabel(format));
            } else if (format < 0 && best.scale == 0) {
                parts << tr("没有显示格式能显示它（%1）。")
                             .arg(NoDisplayFormatReason(best.reading, start, addressName(best.start)));
            }
        }
        m_verdict = parts.join(QLatin1Char(' '));
    }
    m_verdictLabel->setText(m_verdict);
    m_wholeWindow->setEnabled(WholeWindowPossible());
    m_apply->setEnabled(ApplyEnabled());
    showCandidates();
}

void DecodeWindow::showCandidates() {
    m_candidateTable->setRowCount(int(m_candidates.size()));
    const auto set = [this](int row, int column, const QString& text) {
        QTableWidgetItem* item = m_candidateTable->item(row, column);
        if (item == nullptr) {
            item = new QTableWidgetItem;
            m_candidateTable->setItem(row, column, item);
        }
        if (item->text() != text)
            item->setText(text);
    };
    for (int row = 0; row < int(m_candidates.size()); ++row) {
        const DecodeCandidate& c = m_candidates[std::size_t(row)];
        QString address = addressName(c.start);
        if (c.offset < 0)
            address += tr("（前一个）");
        else if (c.offset > 0)
            address += tr("（后一个）");
        set(row, AddressColumn, address);
        set(row, ReadingColumn, ReadingName(c.reading));
        set(row, ValueColumn, c.value.text);
        QString distance = QString::asprintf("%.3g %%", 100 * c.score);
        if (c.match)
            distance = c.scale == 0 ? tr("相符")
                                    : tr("相符 ×%1").arg(QLocale::c().toString(std::pow(10.0, c.scale), 'g', 4));
        set(row, DistanceColumn, distance);
        const int format =
            DisplayFormatFor(c.reading, typedMode() ? 0 : c.start, m_expectation.hexTyped);
        set(row, FormatColumn, format < 0 ? QStringLiteral("—") : DisplayFormatLabel(format));
    }
    if (m_candidates.empty())
        return;
    // The best reading's cell in the table, when its start has a column.
    const DecodeCandidate& best = m_candidates.front();
    const std::vector<int>& starts = m_model->Starts();
    const auto column = std::find(starts.begin(), starts.end(), best.start);
    const int row = DecodeTableModel::RowOf(best.reading);
    if (column != starts.end() && row >= 0) {
        const QModelIndex index = m_model->index(row, int(column - starts.begin()));
        if (m_table->currentIndex() != index) {
            m_table->setCurrentIndex(index);
            m_table->scrollTo(index);
        }
    }
}

bool DecodeWindow::WholeWindowPossible() const { return m_applicable >= 0 && m_live && m_doc; }

bool DecodeWindow::ApplyToWholeWindow() const {
    return m_wholeWindow->isChecked() && WholeWindowPossible();
}

void DecodeWindow::SetApplyToWholeWindow(bool on) { m_wholeWindow->setChecked(on); }

bool DecodeWindow::ApplyEnabled() const {
    if (!m_live || !m_doc)
        return false;
    // Where no display format shows the reading, the row's type is what
    // there is to apply, whatever the option says.
    return ApplyToWholeWindow() || m_applyType.has_value();
}

QString DecodeWindow::Verdict() const { return m_verdict; }

bool DecodeWindow::ApplyBest() {
    if (!ApplyEnabled())
        return false;
    if (ApplyToWholeWindow()) {
        // As the display menu does it: the window shows the format and the
        // document is modified.
        m_doc->OnCommand(kFormatCommands[std::size_t(m_applicable)]);
    } else if (!m_doc->SetRowTypes({m_applyAddress}, *m_applyType)) {
        return false;
    }
    rank();
    return true;
}

}  // namespace zentiq
