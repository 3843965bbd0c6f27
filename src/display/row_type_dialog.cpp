#include "display/row_type_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zentiq {

namespace {

QString numberText(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// A number as users type it: a point or a comma as the decimal mark.
std::optional<double> parseNumber(QString text) {
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

RowTypeDialog::RowTypeDialog(const RowType& start, const QString& rows, Preview preview,
                             QWidget* parent)
    : QDialog(parent), m_previewOf(std::move(preview)) {
    setWindowTitle(tr("数据类型"));
    setObjectName(QStringLiteral("RowTypeDialog"));

    m_reading = new QComboBox(this);
    for (const DecodeReading& reading : AllReadings())
        m_reading->addItem(ReadingLabel(reading));
    const auto readings = AllReadings();
    const auto found = std::find(readings.begin(), readings.end(), start.reading);
    m_reading->setCurrentIndex(found == readings.end() ? 0 : int(found - readings.begin()));

    m_textRegisters = new QSpinBox(this);
    m_textRegisters->setRange(1, RowType::kMaxTextRegisters);
    m_textRegisters->setValue(start.textRegisters);
    m_scale = new QLineEdit(numberText(start.scale), this);
    m_offset = new QLineEdit(numberText(start.offset), this);
    m_unit = new QLineEdit(start.unit, this);
    m_unit->setMaxLength(32);
    m_decimals = new QSpinBox(this);
    m_decimals->setRange(-1, RowType::kMaxDecimals);
    m_decimals->setSpecialValueText(tr("自动"));
    m_decimals->setValue(start.decimals);
    m_preview = new QLabel(this);
    m_preview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_preview->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36);

    auto* form = new QFormLayout;
    form->addRow(tr("行:"), new QLabel(rows, this));
    form->addRow(tr("类型(&T):"), m_reading);
    form->addRow(tr("文本寄存器数(&R):"), m_textRegisters);
    form->addRow(tr("倍率(&S):"), m_scale);
    form->addRow(tr("偏移(&O):"), m_offset);
    form->addRow(tr("单位(&U):"), m_unit);
    form->addRow(tr("小数位(&D):"), m_decimals);
    form->addRow(tr("预览:"), m_preview);

    m_buttons = new QDialogButtonBox(this);
    m_buttons->addButton(tr("确定"), QDialogButtonBox::AcceptRole);
    m_restore = m_buttons->addButton(tr("恢复显示格式(&F)"), QDialogButtonBox::ResetRole);
    m_buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole);
    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        m_chosen = FromFields(nullptr);
        if (m_chosen)
            accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, [this] {
        m_chosen.reset();
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_buttons);

    connect(m_reading, &QComboBox::currentIndexChanged, this, &RowTypeDialog::fieldsChanged);
    connect(m_textRegisters, &QSpinBox::valueChanged, this, &RowTypeDialog::fieldsChanged);
    connect(m_decimals, &QSpinBox::valueChanged, this, &RowTypeDialog::fieldsChanged);
    for (QLineEdit* edit : {m_scale, m_offset, m_unit})
        connect(edit, &QLineEdit::textChanged, this, &RowTypeDialog::fieldsChanged);
    fieldsChanged();
}

QPushButton* RowTypeDialog::okButton() const {
    for (QAbstractButton* button : m_buttons->buttons())
        if (m_buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
            return qobject_cast<QPushButton*>(button);
    return nullptr;
}

std::optional<RowType> RowTypeDialog::FromFields(QString* why) const {
    const auto say = [why](const QString& text) {
        if (why)
            *why = text;
        return std::nullopt;
    };
    RowType type;
    const int index = m_reading->currentIndex();
    if (index < 0 || index >= int(AllReadings().size()))
        return say(tr("请选择类型。"));
    type.reading = AllReadings()[std::size_t(index)];
    // Only text has a length of its own; files keep 1 for every other kind.
    type.textRegisters = type.reading.kind == DecodeKind::Text ? m_textRegisters->value() : 1;
    type.unit = m_unit->text();
    if (type.Numeric()) {
        const std::optional<double> scale = parseNumber(m_scale->text());
        if (!scale || !std::isfinite(*scale) || *scale == 0.0)
            return say(tr("倍率必须是不为 0 的数字。"));
        const std::optional<double> offset = parseNumber(m_offset->text());
        if (!offset || !std::isfinite(*offset))
            return say(tr("偏移必须是数字。"));
        type.scale = *scale;
        type.offset = *offset;
        type.decimals = m_decimals->value();
    }
    if (!type.Valid())
        return say(tr("单位太长或含有分隔符（, ; \" [ ]）。"));
    return type;
}

void RowTypeDialog::fieldsChanged() {
    const int index = m_reading->currentIndex();
    const bool text = index >= 0 && index < int(AllReadings().size()) &&
                      AllReadings()[std::size_t(index)].kind == DecodeKind::Text;
    m_textRegisters->setEnabled(text);
    RowType probe;
    if (index >= 0 && index < int(AllReadings().size()))
        probe.reading = AllReadings()[std::size_t(index)];
    // Hex, binary and text show their bits: scale and decimals do not apply.
    for (QWidget* field : std::initializer_list<QWidget*>{m_scale, m_offset, m_decimals})
        field->setEnabled(probe.Numeric());

    QString why;
    const std::optional<RowType> type = FromFields(&why);
    if (QPushButton* ok = okButton())
        ok->setEnabled(type.has_value());
    if (!type) {
        m_preview->setText(why);
        return;
    }
    const QString shown = m_previewOf ? m_previewOf(*type) : QString();
    m_preview->setText(shown.isEmpty() ? tr("(尚无数值)") : shown);
}

}  // namespace zentiq
