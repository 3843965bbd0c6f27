// The single-value write dialogs without a slave: their texts and controls,
// the order in which Send validates and checks the connection, and what
// they show first.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine.h"
#include "framework/dialog_data_exchange.h"
#include "writes/single_write_test_support.h"

namespace zentiq {
namespace {

using namespace zentiq::testing;

class WriteDialogTest : public ::testing::Test {
protected:
    void SetUp() override { InitEngine(); }  // no connection
    RecordingInteraction warnings;
};

QString text(QWidget* d, const char* name) {
    QWidget* w = d->findChild<QWidget*>(QString::fromLatin1(name));
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return QStringLiteral("<no %1>").arg(QLatin1String(name));
}

TEST_F(WriteDialogTest, CaptionsTextsAndControlIds) {
    struct Case {
        Kind kind;
        const char* caption;
        std::vector<std::pair<const char*, const char*>> texts;
    };
    const Case cases[] = {
        {Kind::Coil, "写单个线圈",
         {{"coilOnRadio", "开"}, {"coilOffRadio", "关"},
          {"singleFunctionRadio", "05: 单个写入"}, {"multipleFunctionRadio", "15: 多个写入"}}},
        {Kind::Register, "写单个寄存器",
         {{"valueLabel", "值:"},
          {"singleFunctionRadio", "06:写单个寄存器"}, {"multipleFunctionRadio", "16:写多个寄存器"}}},
        {Kind::Bin, "以二进制方式写寄存器",
         {{"singleFunctionRadio", "06:单个写入"}, {"multipleFunctionRadio", "16:多个写入"}}},
        {Kind::Long, "写长整数(Long)", {{"valueLabel", "值:"}}},
        {Kind::Float, "写单精度浮点数(Float)", {{"valueLabel", "值:"}}},
    };
    const std::pair<const char*, const char*> common[] = {
        {"slaveLabel", "从站 ID:"}, {"addressLabel", "地址:"},   {"sendButton", "发送"},
        {"cancelButton", "取消"},   {"resultGroup", "结果"},     {"resultText", "尚未发送"},
        {"closeOnSuccessCheck", "\"应答正确！\"后关闭对话框"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(KindName(c.kind));
        auto d = MakeDialog(c.kind);
        d->show();
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8(c.caption));
        for (const auto& [name, expected] : common) EXPECT_EQ(text(d.get(), name), QString::fromUtf8(expected)) << name;
        for (const auto& [name, expected] : c.texts) EXPECT_EQ(text(d.get(), name), QString::fromUtf8(expected)) << name;
        const bool hasFunctions = c.kind == Kind::Coil || c.kind == Kind::Register || c.kind == Kind::Bin;
        EXPECT_EQ(text(d.get(), "functionGroup") == QString::fromUtf8("功能项"), hasFunctions);
        EXPECT_TRUE(SendButton(d.get())->isDefault());
        // Every control a user works with carries its id.
        for (QWidget* w : d->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QGroupBox*>(w) || w->objectName() == "resultText";
            if (control && !w->objectName().startsWith("qt_")) {
                EXPECT_TRUE(w->property("controlId").isValid()) << qPrintable(w->objectName());
            }
        }
    }
    CMBWriteRegisterBin bin;
    for (int bit = 0; bit < 16; ++bit) ASSERT_NE(bin.BitBox(bit), nullptr);
    // Leftmost is bit 15.
    bin.show();
    EXPECT_LT(bin.BitBox(15)->mapTo(&bin, QPoint()).x(), bin.BitBox(14)->mapTo(&bin, QPoint()).x());
    EXPECT_LT(bin.BitBox(1)->mapTo(&bin, QPoint()).x(), bin.BitBox(0)->mapTo(&bin, QPoint()).x());
}

// Without a connection every Send stops: after validation with the
// no-connection text, except the coil dialog, which checks the connection
// before anything else.
TEST_F(WriteDialogTest, SendValidatesInOrderThenNeedsAConnection) {
    const QString noConnection = QString::fromUtf8("没有连接");
    const QString na = QStringLiteral("尚未发送");
    const QString address1 = DialogDataExchange::IntRangeMessage(1, 65535);
    const QString address0 = DialogDataExchange::IntRangeMessage(0, 65535);
    const QString longRange = DialogDataExchange::IntRangeMessage(-2147483646, 2147483646);
    struct Case {
        Kind kind;
        int base;
        int format;
        std::vector<std::pair<const char*, const char*>> fields;
        QString warning;        // empty: none
        const char* focus;      // field that must have the focus, or nullptr
        QString result;
    };
    const Case cases[] = {
        // The coil dialog refuses first, whatever the fields hold.
        {Kind::Coil, 1, 0, {{"addressEdit", "0"}, {"slaveEdit", "x"}}, {}, nullptr, noConnection},
        {Kind::Register, 1, 0, {{"addressEdit", "0"}}, address1, "addressEdit", na},
        {Kind::Register, 1, 0, {{"addressEdit", "1"}}, {}, nullptr, noConnection},
        {Kind::Register, 0, 0, {{"addressEdit", "65536"}, {"slaveEdit", "256"}}, address0, "addressEdit", na},
        {Kind::Register, 0, 0, {{"addressEdit", "abc"}}, DialogDataExchange::IntMessage(), "addressEdit", na},
        {Kind::Register, 0, 0, {{"slaveEdit", "256"}}, DialogDataExchange::IntRangeMessage(0, 255), "slaveEdit", na},
        {Kind::Register, 0, 0, {{"slaveEdit", "0"}}, {}, nullptr, noConnection},  // broadcast
        {Kind::Register, 0, 0, {{"signedEdit", "-32769"}}, DialogDataExchange::IntRangeMessage(-32768, 32767), "signedEdit", na},
        {Kind::Register, 0, 1, {{"unsignedEdit", "65536"}}, address0, "unsignedEdit", na},
        // The hex text is read after the connection check.
        {Kind::Register, 0, 2, {{"hexEdit", "12G"}}, {}, nullptr, noConnection},
        {Kind::Bin, 1, 0, {{"addressEdit", "0"}}, address1, "addressEdit", na},
        {Kind::Bin, 0, 0, {}, noConnection, nullptr, na},  // a warning box here
        {Kind::Long, 0, 8, {{"longEdit", "-2147483648"}}, longRange, "longEdit", na},
        {Kind::Long, 0, 8, {{"longEdit", "-2147483647"}}, longRange, "longEdit", na},
        {Kind::Long, 0, 9, {{"longEdit", "2147483647"}}, longRange, "longEdit", na},
        {Kind::Long, 0, 9, {{"longEdit", "2147483646"}}, {}, nullptr, noConnection},
        {Kind::Float, 0, 4, {{"floatEdit", "1,5"}}, DialogDataExchange::NumberMessage(), "floatEdit", na},
        {Kind::Float, 0, 6, {{"doubleEdit", "1e999"}}, DialogDataExchange::NumberMessage(), "doubleEdit", na},
        {Kind::Float, 0, 6, {{"doubleEdit", "-2.5e-300"}}, {}, nullptr, noConnection},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << KindName(c.kind) << " format " << c.format << " "
                                          << (c.fields.empty() ? "" : c.fields.back().second));
        auto d = MakeDialog(c.kind);
        d->addressBase = c.base;
        d->address = c.base;
        if (auto* r = dynamic_cast<CMBWriteRegister*>(d.get())) r->displayFormat = c.format;
        if (auto* l = dynamic_cast<CMBWriteRegisterInt*>(d.get())) l->displayFormat = c.format;
        if (auto* f = dynamic_cast<CMBWriteFloat*>(d.get())) f->displayFormat = c.format;
        d->show();
        for (const auto& [name, value] : c.fields) SetField(d.get(), name, QString::fromUtf8(value));
        warnings.messages.clear();
        QTest::mouseClick(SendButton(d.get()), Qt::LeftButton);
        EXPECT_EQ(warnings.texts(), c.warning.isEmpty() ? QStringList() : QStringList{c.warning});
        if (c.focus) {
            EXPECT_EQ(d->focusWidget(), d->findChild<QWidget*>(c.focus));
        }
        if (auto* edit = qobject_cast<QLineEdit*>(d->focusWidget()); edit && c.focus) {
            EXPECT_EQ(edit->selectedText(), edit->text());
        }
        EXPECT_EQ(d->ResultText(), c.result);
        EXPECT_TRUE(SendButton(d.get())->isEnabled());
        EXPECT_FALSE(d->IsPending());
    }
}

TEST_F(WriteDialogTest, FirstDisplayShowsTheFormatsFieldAndContinuesATypedKey) {
    struct Case {
        Kind kind;
        int format;
        int typedKey;
        const char* field;
        const char* text;   // field text on first display
        bool selected;      // whole text selected
        int caret;          // -1: at the end
    };
    const Case cases[] = {
        {Kind::Register, 0, -1, "signedEdit", "-2", true, -1},
        {Kind::Register, 0, -2, "signedEdit", "-", false, 1},
        {Kind::Register, 1, 7, "unsignedEdit", "7", false, -1},
        {Kind::Register, 1, -1, "unsignedEdit", "65534", true, -1},
        {Kind::Register, 2, 10, "hexEdit", "A", false, -1},
        {Kind::Register, 2, -1, "hexEdit", "FFFE", true, -1},
        {Kind::Long, 8, -1, "longEdit", "-70000", true, -1},
        {Kind::Long, 9, -2, "longEdit", "-", false, 1},
        {Kind::Float, 4, -1, "floatEdit", "0.333333", true, -1},
        {Kind::Float, 5, 3, "floatEdit", "3", false, -1},
        {Kind::Float, 6, -1, "doubleEdit", "0.333333333333333", true, -1},
        {Kind::Float, 7, -2, "doubleEdit", "-", false, 1},
    };
    const char* const valueFields[] = {"signedEdit", "unsignedEdit", "hexEdit", "longEdit",
                                       "floatEdit", "doubleEdit"};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << KindName(c.kind) << " format " << c.format << " key " << c.typedKey);
        auto d = MakeDialog(c.kind);
        if (auto* r = dynamic_cast<CMBWriteRegister*>(d.get())) {
            r->displayFormat = c.format;
            r->typedKey = c.typedKey;
            r->setWord(c.typedKey >= 0 ? std::uint16_t(c.typedKey) : std::uint16_t(0xFFFE));
        } else if (auto* l = dynamic_cast<CMBWriteRegisterInt*>(d.get())) {
            l->displayFormat = c.format;
            l->typedKey = c.typedKey;
            l->value = c.typedKey >= 0 ? c.typedKey : -70000;
        } else if (auto* f = dynamic_cast<CMBWriteFloat*>(d.get())) {
            f->displayFormat = c.format;
            f->typedKey = c.typedKey;
            f->floatValue = c.typedKey >= 0 ? float(c.typedKey) : 1.0f / 3;
            f->doubleValue = c.typedKey >= 0 ? double(c.typedKey) : 1.0 / 3;
        }
        d->show();
        for (const char* name : valueFields) {
            if (QWidget* w = d->findChild<QWidget*>(name)) {
                EXPECT_EQ(w->isVisible(), std::strcmp(name, c.field) == 0) << name;
            }
        }
        auto* edit = child<QLineEdit>(d.get(), c.field);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(d->focusWidget(), edit);
        EXPECT_EQ(edit->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(edit->hasSelectedText() && edit->selectedText() == edit->text(), c.selected);
        EXPECT_EQ(edit->cursorPosition(), c.caret < 0 ? edit->text().size() : c.caret);
        if (c.kind == Kind::Register) {
            EXPECT_EQ(text(d.get(), "valueLabel"), c.format == 2 ? "值 (HEX):" : "值:");
        }
        if (c.kind == Kind::Float) {
            EXPECT_EQ(d->windowTitle(), QString::fromUtf8(c.format >= 6 ? "写双精度浮点数(Double)" : "写单精度浮点数(Float)"));
        }
    }

    // The hex field takes four characters; a fifth cannot be typed.
    CMBWriteRegister hex;
    hex.displayFormat = CMBWriteRegister::kHex;
    hex.show();
    auto* hexEdit = child<QLineEdit>(&hex, "hexEdit");
    type(hexEdit, "12345");
    EXPECT_EQ(hexEdit->text(), "1234");

    // Bits and radios show the members.
    CMBWriteRegisterBin bin;
    bin.value = 0x8005;
    bin.presetSingle = 1;
    bin.show();
    for (int bit = 0; bit < 16; ++bit) EXPECT_EQ(bin.BitBox(bit)->isChecked(), bit == 0 || bit == 2 || bit == 15) << bit;
    EXPECT_TRUE(child<QRadioButton>(&bin, "multipleFunctionRadio")->isChecked());
    CMBWriteCoil coil;
    coil.coilState = CMBWriteCoil::kOn;
    coil.show();
    EXPECT_TRUE(child<QRadioButton>(&coil, "coilOnRadio")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(&coil, "singleFunctionRadio")->isChecked());
}

}  // namespace
}  // namespace zentiq
