#include "framework/dialog_data_exchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <utility>

#include "framework/user_interaction.h"
#include "resources/strings.h"

namespace zentiq {

namespace {

QString formatReal(double value, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    return QString::fromLatin1(buffer);
}

// The field shows fewer digits than the number holds, so its text read back
// is another number (the largest double even rounds up beyond the range): a
// text left as it was shown keeps the member's bits. Infinity and NaN are
// still refused as any text of them is.
bool showsUnchanged(const QLineEdit* edit, double value, int digits) {
    return std::isfinite(value) && edit->text() == formatReal(value, digits);
}

}  // namespace

DialogDataExchange::DialogDataExchange(QWidget* dialog, Direction direction)
    : m_dialog(dialog), m_direction(direction) {}

DialogDataExchange::DialogDataExchange(QWidget* dialog, bool fromControls)
    : DialogDataExchange(dialog, fromControls ? Direction::FromControls : Direction::ToControls) {}

// ---- messages -----------------------------------------------------------------

QString DialogDataExchange::IntMessage() { return LoadString(ids::ParseInt); }

QString DialogDataExchange::IntRangeMessage(long long min, long long max) {
    return LoadString(ids::ParseIntRange).arg(QString::number(min), QString::number(max));
}

QString DialogDataExchange::NumberMessage() { return LoadString(ids::ParseReal); }

QString DialogDataExchange::RealRangeMessage(double min, double max, int digits) {
    return LoadString(ids::ParseRealRange).arg(formatReal(min, digits), formatReal(max, digits));
}

QString DialogDataExchange::MaxCharsMessage(int maxChars) {
    return LoadString(ids::ParseStringSize).arg(QString::number(maxChars));
}

void DialogDataExchange::ShowWarning(QWidget* parent, const QString& text) {
    userInteraction().error(parent, LoadString(ids::AppTitle), text);
}

// ---- failure --------------------------------------------------------------------

void DialogDataExchange::Fail(QWidget* field, const QString& message) {
    if (!active())
        return;
    m_failed = true;
    m_failedField = field;
    ShowWarning(m_dialog, message);
    if (field == nullptr)
        return;
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

bool DialogDataExchange::CheckIntRange(QWidget* field, long long value, long long min,
                                       long long max) {
    if (!active() || !fromControls())
        return active();
    if (value < min || value > max) {
        Fail(field, IntRangeMessage(min, max));
        return false;
    }
    return true;
}

// ---- edits ------------------------------------------------------------------------

bool DialogDataExchange::parseInt(QLineEdit* edit, int& out) {
    bool ok = false;
    const long long v = edit->text().trimmed().toLongLong(&ok, 10);
    if (!ok || v < INT_MIN || v > INT_MAX) {
        Fail(edit, IntMessage());
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool DialogDataExchange::parseReal(QLineEdit* edit, double& out) {
    bool ok = false;
    const double v = edit->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        Fail(edit, NumberMessage());
        return false;
    }
    out = v;
    return true;
}

DialogDataExchange& DialogDataExchange::Int(QLineEdit* edit, int& value) {
    if (!active())
        return *this;
    if (!fromControls()) {
        edit->setText(QString::number(value));
        return *this;
    }
    parseInt(edit, value);
    return *this;
}

DialogDataExchange& DialogDataExchange::IntRange(QLineEdit* edit, int& value, int min, int max) {
    if (!active())
        return *this;
    if (!fromControls()) {
        edit->setText(QString::number(value));
        return *this;
    }
    int v = 0;
    if (!parseInt(edit, v))
        return *this;
    // The member takes the typed value even when it is out of range, as the
    // range check comes after the transfer; the caller sees ok() == false.
    value = v;
    CheckIntRange(edit, v, min, max);
    return *this;
}

DialogDataExchange& DialogDataExchange::Double(QLineEdit* edit, double& value) {
    if (!active())
        return *this;
    if (!fromControls()) {
        edit->setText(formatReal(value, DBL_DIG));
        return *this;
    }
    if (!showsUnchanged(edit, value, DBL_DIG))
        parseReal(edit, value);
    return *this;
}

DialogDataExchange& DialogDataExchange::DoubleRange(QLineEdit* edit, double& value, double min,
                                                    double max) {
    Double(edit, value);
    if (active() && fromControls() && (value < min || value > max))
        Fail(edit, RealRangeMessage(min, max, DBL_DIG));
    return *this;
}

DialogDataExchange& DialogDataExchange::Float(QLineEdit* edit, float& value) {
    if (!active())
        return *this;
    if (!fromControls()) {
        edit->setText(formatReal(value, FLT_DIG));
        return *this;
    }
    if (showsUnchanged(edit, value, FLT_DIG))
        return *this;
    double v = 0;
    if (!parseReal(edit, v))
        return *this;
    // A number beyond the float range would turn into infinity.
    if (std::fabs(v) > FLT_MAX) {
        Fail(edit, NumberMessage());
        return *this;
    }
    value = static_cast<float>(v);
    return *this;
}

DialogDataExchange& DialogDataExchange::FloatRange(QLineEdit* edit, float& value, float min,
                                                   float max) {
    Float(edit, value);
    if (active() && fromControls() && (value < min || value > max))
        Fail(edit, RealRangeMessage(min, max, FLT_DIG));
    return *this;
}

DialogDataExchange& DialogDataExchange::Text(QLineEdit* edit, QString& value) {
    if (!active())
        return *this;
    if (fromControls())
        value = edit->text();
    else
        edit->setText(value);
    return *this;
}

DialogDataExchange& DialogDataExchange::TextMax(QLineEdit* edit, QString& value, int maxChars) {
    Text(edit, value);
    if (active() && fromControls() && value.size() > maxChars)
        Fail(edit, MaxCharsMessage(maxChars));
    return *this;
}

// ---- buttons and lists --------------------------------------------------------------

DialogDataExchange& DialogDataExchange::Check(QAbstractButton* box, int& value) {
    if (!active())
        return *this;
    if (fromControls())
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
    return *this;
}

DialogDataExchange& DialogDataExchange::Radio(std::initializer_list<QAbstractButton*> group,
                                              int& index) {
    if (!active())
        return *this;
    if (fromControls()) {
        index = -1;
        int i = 0;
        for (QAbstractButton* b : group) {
            if (b->isChecked()) {
                index = i;
                break;
            }
            ++i;
        }
        return *this;
    }
    int i = 0;
    for (QAbstractButton* b : group) {
        // Auto-exclusive buttons refuse to be unchecked directly.
        const bool exclusive = b->autoExclusive();
        b->setAutoExclusive(false);
        b->setChecked(i == index);
        b->setAutoExclusive(exclusive);
        ++i;
    }
    return *this;
}

DialogDataExchange& DialogDataExchange::ComboIndex(QComboBox* combo, int& index) {
    if (!active())
        return *this;
    if (fromControls())
        index = combo->currentIndex();
    else
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    return *this;
}

}  // namespace zentiq
