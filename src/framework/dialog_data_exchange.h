// The one data-exchange step of every dialog: moves members into the
// controls, or takes them back with validation. Taking values back stops at
// the first field that fails, in the order the dialog exchanges its fields:
// the framework's standard message is shown in a warning box and the focus
// (and, in an edit, the selection of its whole text) goes to that field.
//
// A dialog's exchange reads as a list of calls on one object:
//
//     DialogDataExchange dx(this, fromControls);
//     dx.IntRange(timeoutEdit, m_timeout, 50, 100000);
//     dx.TextMax(addressEdit, m_address, 15);
//     return dx.ok();
//
// Once a call has failed, the later ones do nothing, so members after the
// offending field keep their old values.
#pragma once

#include <QString>
#include <initializer_list>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QWidget;

namespace zentiq {

class DialogDataExchange {
public:
    enum class Direction { ToControls, FromControls };

    DialogDataExchange(QWidget* dialog, Direction direction);
    // fromControls = true takes the values back (with validation).
    DialogDataExchange(QWidget* dialog, bool fromControls);

    bool fromControls() const { return m_direction == Direction::FromControls; }
    // False once a field has failed.
    bool ok() const { return m_failedField == nullptr && !m_failed; }
    // The field that failed, or nullptr.
    QWidget* failedField() const { return m_failedField; }

    // ---- edits ------------------------------------------------------------
    // Decimal integer; a text that is no integer of int's range (blanks
    // around it allowed) fails with "请输入一个整数。".
    DialogDataExchange& Int(QLineEdit* edit, int& value);
    // Integer and then its range: "请输入一个整数,%1和%2之间。".
    DialogDataExchange& IntRange(QLineEdit* edit, int& value, int min, int max);
    // Decimal number; anything else, infinity and NaN included, fails with
    // "请输入一个数字。". A text still as it was shown (15 significant digits
    // for a double, 6 for a float) leaves the member as it was, bit for bit.
    DialogDataExchange& Double(QLineEdit* edit, double& value);
    DialogDataExchange& DoubleRange(QLineEdit* edit, double& value, double min, double max);
    // As Double, and the number must fit in a float.
    DialogDataExchange& Float(QLineEdit* edit, float& value);
    DialogDataExchange& FloatRange(QLineEdit* edit, float& value, float min, float max);
    // Text as it stands.
    DialogDataExchange& Text(QLineEdit* edit, QString& value);
    // Text of at most maxChars characters: "请输入不超过%1个字符。". The edit
    // is not limited while loading, so that a longer stored text is shown
    // whole and refused, not cut silently.
    DialogDataExchange& TextMax(QLineEdit* edit, QString& value, int maxChars);

    // ---- buttons and lists ------------------------------------------------
    // Check box: non-zero checks it; taken back as 0 or 1.
    DialogDataExchange& Check(QAbstractButton* box, int& value);
    // Radio group: the index of the checked button, -1 when none is (an
    // index outside the group clears them all).
    DialogDataExchange& Radio(std::initializer_list<QAbstractButton*> group, int& index);
    // Drop-down list: the current position, -1 for none.
    DialogDataExchange& ComboIndex(QComboBox* combo, int& index);

    // ---- checks that depend on several fields ------------------------------
    // Range check of a value already taken, reported on `field` as the
    // integer range message. Does nothing while loading or after a failure.
    bool CheckIntRange(QWidget* field, long long value, long long min, long long max);
    // Reports a failure with any text: warning box, then focus to the field.
    void Fail(QWidget* field, const QString& message);

    // ---- messages ---------------------------------------------------------
    static QString IntMessage();
    static QString IntRangeMessage(long long min, long long max);
    static QString NumberMessage();
    // Limits printed with `digits` significant digits (15 for doubles, 6 for floats).
    static QString RealRangeMessage(double min, double max, int digits);
    static QString MaxCharsMessage(int maxChars);

    // Every warning box of the dialogs goes through here: an error of the
    // user interaction with the application's title, owned by `parent`.
    static void ShowWarning(QWidget* parent, const QString& text);

private:
    bool active() const { return ok(); }
    bool parseInt(QLineEdit* edit, int& out);
    bool parseReal(QLineEdit* edit, double& out);

    QWidget* m_dialog;
    Direction m_direction;
    QWidget* m_failedField = nullptr;
    bool m_failed = false;
};

}  // namespace zentiq
