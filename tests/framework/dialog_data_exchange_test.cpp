#include "framework/dialog_data_exchange.h"

#include <QApplication>

#include "support/qt_test_app.h"
#include "support/recording_interaction.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cfloat>
#include <cstring>
#include <gtest/gtest.h>

namespace zentiq {
namespace {

void ensureApp() { testing::EnsureQApplication(); }

using testing::RecordingInteraction;

// First base of the fixtures: the application exists before any widget.
struct WithApp {
    WithApp() { ensureApp(); }
};

class DataExchangeTest : public ::testing::Test, private WithApp {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&dialog);
        for (QWidget* w : std::initializer_list<QWidget*>{first, second, third, box, radioA, radioB, radioC, combo})
            layout->addWidget(w);
        combo->addItems({"a", "b", "c"});
        dialog.show();
    }

    QDialog dialog;
    QLineEdit* first = new QLineEdit;
    QLineEdit* second = new QLineEdit;
    QLineEdit* third = new QLineEdit;
    QCheckBox* box = new QCheckBox;
    QRadioButton* radioA = new QRadioButton;
    QRadioButton* radioB = new QRadioButton;
    QRadioButton* radioC = new QRadioButton;
    QComboBox* combo = new QComboBox;
    RecordingInteraction warnings;
};

TEST_F(DataExchangeTest, IntegersLoadAndComeBackWithBlanksAroundThem) {
    int a = -17, b = 0;
    DialogDataExchange(&dialog, false).Int(first, a).IntRange(second, b, 0, 10);
    EXPECT_EQ(first->text(), "-17");
    EXPECT_EQ(second->text(), "0");

    first->setText("  42 ");
    second->setText("+7");
    DialogDataExchange dx(&dialog, true);
    dx.Int(first, a).IntRange(second, b, 0, 10);
    EXPECT_TRUE(dx.ok());
    EXPECT_EQ(a, 42);
    EXPECT_EQ(b, 7);
    EXPECT_TRUE(warnings.texts().isEmpty());
}

TEST_F(DataExchangeTest, TextThatIsNoIntegerIsRefusedWithTheIntegerMessage) {
    for (const char* text : {"", "   ", "abc", "12x", "1.5", "0x10", "99999999999", "-2147483649"}) {
        SCOPED_TRACE(text);
        warnings.messages.clear();
        int value = 5;
        first->setText(QString::fromLatin1(text));
        DialogDataExchange dx(&dialog, true);
        dx.IntRange(first, value, -1000, 1000);
        EXPECT_FALSE(dx.ok());
        EXPECT_EQ(dx.failedField(), first);
        EXPECT_EQ(value, 5);
        EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数。"});
    }
    // The extremes of int are integers (and then out of range).
    int value = 0;
    first->setText("-2147483648");
    DialogDataExchange dx(&dialog, true);
    dx.Int(first, value);
    EXPECT_TRUE(dx.ok());
    EXPECT_EQ(value, INT_MIN);
}

TEST_F(DataExchangeTest, OutOfRangeShowsTheLimitsAndSelectsTheField) {
    int value = 0;
    first->setText("40");
    DialogDataExchange dx(&dialog, true);
    dx.IntRange(first, value, 50, 100000);
    EXPECT_FALSE(dx.ok());
    EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数,50和100000之间。"});
    ASSERT_EQ(warnings.messages.size(), 1u);
    EXPECT_EQ(warnings.messages[0].parent, &dialog);
    EXPECT_EQ(warnings.messages[0].title, "Zentiq");
    EXPECT_EQ(dialog.focusWidget(), first);
    EXPECT_EQ(first->selectedText(), "40");

    warnings.messages.clear();
    second->setText("32768");
    DialogDataExchange dx2(&dialog, true);
    dx2.IntRange(second, value, -32768, 32767);
    EXPECT_EQ(warnings.texts(), QStringList{"请输入一个整数,-32768和32767之间。"});
    EXPECT_EQ(dialog.focusWidget(), second);

    // Both limits themselves pass.
    for (const char* text : {"-32768", "32767"}) {
        second->setText(QString::fromLatin1(text));
        DialogDataExchange ok(&dialog, true);
        ok.IntRange(second, value, -32768, 32767);
        EXPECT_TRUE(ok.ok()) << text;
    }
}

TEST_F(DataExchangeTest, FirstFailureStopsTheExchange) {
    int a = 1, b = 2, c = 3, checked = 0, radio = 0, pos = 0;
    first->setText("10");
    second->setText("xyz");
    third->setText("5000");  // also bad, but never reached
    box->setChecked(true);
    radioC->setChecked(true);
    combo->setCurrentIndex(2);

    DialogDataExchange dx(&dialog, true);
    dx.IntRange(first, a, 0, 100)
        .IntRange(second, b, 0, 100)
        .IntRange(third, c, 0, 100)
        .Check(box, checked)
        .Radio({radioA, radioB, radioC}, radio)
        .ComboIndex(combo, pos);
    EXPECT_FALSE(dx.ok());
    EXPECT_EQ(dx.failedField(), second);
    EXPECT_EQ(warnings.texts().size(), 1);
    EXPECT_EQ(dialog.focusWidget(), second);
    EXPECT_EQ(a, 10);  // before the failure: taken
    EXPECT_EQ(c, 3);   // after it: untouched
    EXPECT_EQ(checked, 0);
    EXPECT_EQ(radio, 0);
    EXPECT_EQ(pos, 0);
    // A later multi-field check stays silent too.
    EXPECT_FALSE(dx.CheckIntRange(first, 999, 0, 1));
    EXPECT_EQ(warnings.texts().size(), 1);
}

TEST_F(DataExchangeTest, LengthLimitCountsCharactersAndLoadingDoesNotCut) {
    QString text = QString(20, QLatin1Char('9'));
    DialogDataExchange(&dialog, false).TextMax(first, text, 15);
    EXPECT_EQ(first->text().size(), 20);  // shown whole, refused on the way back

    first->setText(QString(16, QLatin1Char('1')));
    DialogDataExchange dx(&dialog, true);
    dx.TextMax(first, text, 15);
    EXPECT_FALSE(dx.ok());
    EXPECT_EQ(warnings.texts(), QStringList{"请输入不超过15个字符。"});
    EXPECT_EQ(first->selectedText().size(), 16);

    warnings.messages.clear();
    first->setText(QString::fromUtf8("一二三四五六七八九十一二三四五"));  // 15 characters, 45 bytes
    DialogDataExchange dx2(&dialog, true);
    dx2.TextMax(first, text, 15);
    EXPECT_TRUE(dx2.ok());
    EXPECT_EQ(text, first->text());
}

TEST_F(DataExchangeTest, RealNumbers) {
    double d = 0.1;
    float f = 0.1f;
    DialogDataExchange(&dialog, false).Double(first, d).Float(second, f);
    EXPECT_EQ(first->text(), "0.1");
    EXPECT_EQ(second->text(), "0.1");

    first->setText(" -1.5e3 ");
    DialogDataExchange dx(&dialog, true);
    dx.Double(first, d);
    EXPECT_TRUE(dx.ok());
    EXPECT_EQ(d, -1500.0);

    for (const char* text : {"", "abc", "1.5.2", "inf", "nan", "1e999"}) {
        SCOPED_TRACE(text);
        warnings.messages.clear();
        first->setText(QString::fromLatin1(text));
        DialogDataExchange bad(&dialog, true);
        bad.Double(first, d);
        EXPECT_FALSE(bad.ok());
        EXPECT_EQ(warnings.texts(), QStringList{"请输入一个数字。"});
    }
    // A float cannot hold 1e39: refused instead of becoming infinity.
    warnings.messages.clear();
    f = 2.0f;
    second->setText("1e39");
    DialogDataExchange big(&dialog, true);
    big.Float(second, f);
    EXPECT_FALSE(big.ok());
    EXPECT_EQ(f, 2.0f);
    EXPECT_EQ(warnings.texts(), QStringList{"请输入一个数字。"});

    warnings.messages.clear();
    first->setText("2");
    DialogDataExchange range(&dialog, true);
    range.DoubleRange(first, d, -0.5, 1.25);
    EXPECT_EQ(warnings.texts(), QStringList{"请输入-0.5和1.25之间。"});
    warnings.messages.clear();
    second->setText("-5");
    DialogDataExchange frange(&dialog, true);
    frange.FloatRange(second, f, -3.4e38f, 3.4e38f);
    EXPECT_TRUE(frange.ok());
    second->setText("1e2");
    DialogDataExchange frange2(&dialog, true);
    frange2.FloatRange(second, f, 0.1f, 10.0f);
    EXPECT_EQ(warnings.texts(), QStringList{"请输入0.1和10之间。"});
}

// The fields show 15 (double) or 6 (float) significant digits: a text left
// as shown keeps the member's bits, an edited one takes the typed number.
TEST_F(DataExchangeTest, RealTextLeftAsShownKeepsTheBits) {
    struct Case {
        const char* name;
        double d;
        float f;
        const char* edited;  // then typed instead
        double typed;
    };
    const Case cases[] = {
        {"pi and a float beyond 6 digits", 3.141592653589793, 123456.79f, "2.5", 2.5},
        {"sum that 15 digits round", 0.1 + 0.2, 1.0f / 3.0f, "-7", -7.0},
        {"largest", -DBL_MAX, FLT_MAX, "1e3", 1000.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double d = c.d;
        float f = c.f;
        DialogDataExchange(&dialog, false).Double(first, d).Float(second, f);
        DialogDataExchange back(&dialog, true);
        back.Double(first, d).Float(second, f);
        EXPECT_TRUE(back.ok());
        EXPECT_EQ(std::memcmp(&d, &c.d, sizeof d), 0) << first->text().toStdString();
        EXPECT_EQ(std::memcmp(&f, &c.f, sizeof f), 0) << second->text().toStdString();

        first->setText(QString::fromLatin1(c.edited));
        second->setText(QString::fromLatin1(c.edited));
        DialogDataExchange edited(&dialog, true);
        edited.Double(first, d).Float(second, f);
        EXPECT_EQ(d, c.typed);
        EXPECT_EQ(f, static_cast<float>(c.typed));
    }
    EXPECT_EQ(warnings.texts(), QStringList{});
}

TEST_F(DataExchangeTest, ButtonsAndLists) {
    int checked = 7, radio = 1, pos = 2;
    DialogDataExchange(&dialog, false).Check(box, checked).Radio({radioA, radioB, radioC}, radio).ComboIndex(combo, pos);
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(radioB->isChecked());
    EXPECT_EQ(combo->currentIndex(), 2);

    box->setChecked(false);
    radioC->setChecked(true);
    combo->setCurrentIndex(0);
    DialogDataExchange(&dialog, true).Check(box, checked).Radio({radioA, radioB, radioC}, radio).ComboIndex(combo, pos);
    EXPECT_EQ(checked, 0);
    EXPECT_EQ(radio, 2);
    EXPECT_EQ(pos, 0);

    // Indexes outside the group or list select nothing, and come back as -1.
    radio = 5;
    pos = 3;
    DialogDataExchange(&dialog, false).Radio({radioA, radioB, radioC}, radio).ComboIndex(combo, pos);
    EXPECT_FALSE(radioA->isChecked() || radioB->isChecked() || radioC->isChecked());
    EXPECT_EQ(combo->currentIndex(), -1);
    DialogDataExchange(&dialog, true).Radio({radioA, radioB, radioC}, radio).ComboIndex(combo, pos);
    EXPECT_EQ(radio, -1);
    EXPECT_EQ(pos, -1);
    // The buttons stay exclusive afterwards.
    radioA->setChecked(true);
    radioB->setChecked(true);
    EXPECT_FALSE(radioA->isChecked());
}

TEST(DataExchangeBox, OnTheDesktopAWarningBoxWithTheTitleIsShown) {
    ensureApp();
    QWidget owner;
    QString seenText, seenTitle;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    // Close the box from inside its own modal loop; a bounded number of tries.
    QTimer poll;
    int tries = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seenText = box->text();
            seenTitle = box->windowTitle();
            seenIcon = box->icon();
            box->close();
            poll.stop();
        } else if (++tries > 300) {
            poll.stop();
        }
    });
    poll.start(10);
    DialogDataExchange::ShowWarning(&owner, DialogDataExchange::IntRangeMessage(1, 255));
    EXPECT_EQ(seenText, "请输入一个整数,1和255之间。");
    EXPECT_EQ(seenTitle, "Zentiq");
    EXPECT_EQ(seenIcon, QMessageBox::Warning);
}

}  // namespace
}  // namespace zentiq
