// The multiple-write, mask-write, read/write and value-entry dialogs without
// a connection: validation and its order, the value lists and their files,
// and the value-entry fields. Sending to real slaves is in
// multi_write_peer_test.cpp.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "engine/engine.h"
#include "framework/dialog_data_exchange.h"
#include "resources/strings.h"
#include "writes/mb_force_multible_coils.h"
#include "writes/mb_input_register.h"
#include "writes/mb_input_register_bin.h"
#include "writes/mb_mask_write.h"
#include "writes/mb_preset_multible_register.h"
#include "writes/mb_read_write_register.h"
#include "writes/write_test_support.h"

namespace zentiq {
namespace {

using testing::child;
using testing::lines;
using testing::currentRow;
using testing::selectRow;
using testing::RecordingInteraction;
using testing::setField;
using DX = DialogDataExchange;

using Factory = std::function<std::unique_ptr<QDialog>()>;

Factory coils(int base = 0) {
    return [=] { return std::make_unique<CMBForceMultibleCoils>(WriteBlock{1, base, 10, base}); };
}
Factory registers(int format, int base = 0) {
    return [=] { return std::make_unique<CMBPresetMultibleRegister>(WriteBlock{1, base, 10, base}, format); };
}
Factory mask(int base = 0) {
    return [=] { return std::make_unique<CMBMaskWrite>(1, base, base); };
}
Factory readWrite(int format, int base = 1) {
    return [=] {
        ReadWriteBlock b;
        b.base = b.readAddress = b.writeAddress = base;
        return std::make_unique<CMBReadWriteRegister>(b, format);
    };
}

class OfflineWriteDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngine();
        ASSERT_EQ(IsConnected(), 0);
    }
};

// Each Send refused by its first failing field, in the order the dialog
// checks them, with the focus on that field; valid fields without a
// connection stop at "没有连接".
TEST_F(OfflineWriteDialogTest, SendChecksFieldsInOrderThenTheConnection) {
    struct Case {
        const char* name;
        Factory make;
        std::vector<std::pair<const char*, const char*>> fields;
        QString message;
        const char* focus;
    };
    const QString noConnection = LoadString(ids::NoConnection);
    const std::vector<Case> cases = {
        {"coil quantity 1969", coils(), {{"quantityEdit", "1969"}}, DX::IntRangeMessage(1, 1968), "quantityEdit"},
        {"coil address before quantity", coils(), {{"quantityEdit", "0"}, {"addressEdit", "65536"}},
         DX::IntRangeMessage(0, 65535), "addressEdit"},
        {"coil quantity before slave", coils(), {{"quantityEdit", "0"}, {"slaveEdit", "256"}},
         DX::IntRangeMessage(1, 1968), "quantityEdit"},
        {"coil slave 0 is a broadcast", coils(), {{"slaveEdit", "0"}}, noConnection, nullptr},
        {"coil base 1 refuses address 0 last", coils(1), {{"addressEdit", "0"}, {"slaveEdit", "300"}},
         DX::IntRangeMessage(0, 255), "slaveEdit"},
        {"coil base 1 address 0", coils(1), {{"addressEdit", "0"}}, DX::IntRangeMessage(1, 65535), "addressEdit"},
        {"register quantity 128", registers(0), {{"quantityEdit", "128"}}, DX::IntRangeMessage(1, 127), "quantityEdit"},
        {"register quantity not a number", registers(0), {{"quantityEdit", "x"}}, DX::IntMessage(), "quantityEdit"},
        {"register quantity 127", registers(0), {{"quantityEdit", "127"}}, noConnection, nullptr},
        {"float inverse needs a whole value", registers(5), {{"quantityEdit", "1"}}, DX::IntRangeMessage(2, 127), "quantityEdit"},
        {"double inverse needs a whole value", registers(7), {{"quantityEdit", "3"}}, DX::IntRangeMessage(4, 127), "quantityEdit"},
        {"float sends words as they lie", registers(4), {{"quantityEdit", "1"}}, noConnection, nullptr},
        {"mask slave 0", mask(), {{"slaveEdit", "0"}}, DX::IntRangeMessage(1, 255), "slaveEdit"},
        {"mask base 1 address 0", mask(1), {{"addressEdit", "0"}}, DX::IntRangeMessage(1, 65535), "addressEdit"},
        {"mask valid", mask(), {}, noConnection, nullptr},
        {"23 slave 0", readWrite(0), {{"slaveEdit", "0"}}, DX::IntRangeMessage(1, 255), "slaveEdit"},
        {"23 write quantity 128", readWrite(0), {{"writeQuantityEdit", "128"}}, DX::IntRangeMessage(1, 127), "writeQuantityEdit"},
        {"23 read quantity 128", readWrite(0), {{"readQuantityEdit", "128"}}, DX::IntRangeMessage(1, 127), "readQuantityEdit"},
        {"23 base 1 read address 0", readWrite(0), {{"readAddressEdit", "0"}}, DX::IntRangeMessage(1, 65535), "readAddressEdit"},
        {"23 write address checked before read address", readWrite(0), {{"readAddressEdit", "0"}, {"writeAddressEdit", "0"}},
         DX::IntRangeMessage(1, 65535), "writeAddressEdit"},
        {"23 long inverse needs a whole value", readWrite(9), {{"writeQuantityEdit", "1"}}, DX::IntRangeMessage(2, 127), "writeQuantityEdit"},
        {"23 valid", readWrite(0), {}, noConnection, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = c.make();
        d->show();
        for (const auto& [field, text] : c.fields) setField(d.get(), field, QString::fromLatin1(text));
        RecordingInteraction warnings;
        auto* send = child<QPushButton>(d.get(), "sendButton");
        send->click();
        EXPECT_EQ(warnings.texts(), QStringList{c.message});
        EXPECT_TRUE(send->isEnabled());
        if (c.focus) {
            EXPECT_EQ(d->focusWidget(), child<QLineEdit>(d.get(), c.focus));
        }
    }
}

TEST_F(OfflineWriteDialogTest, TemplatesCarryTheirTextsAndSendIsTheDefault) {
    struct Case {
        Factory make;
        QString caption;
        QStringList labels;
    };
    const std::vector<Case> cases = {
        {coils(), "写线圈组", {"从站ID:", "地址:", "数目:"}},
        {registers(0), "16: 写寄存器组 (signed)", {"从站 ID:", "地址:", "数目:"}},
        {registers(7), "16: 写寄存器组 (double floating point inv.)", {}},
        {mask(), "写寄存器(AND,OR)", {"从站ID:", "地址:"}},
        {readWrite(0), "23: 读写寄存器组 (有符号整数)", {"从站ID:", "写入地址:", "写入数目:", "读取地址:", "读取数目:", "读取结果"}},
        {readWrite(5), "23: 读写寄存器组 (单精度浮点数 ABCD)", {}},
        {readWrite(6), "23: 读写寄存器组 (双精度浮点数 CDAB)", {}},
    };
    for (const Case& c : cases) {
        auto d = c.make();
        d->show();
        EXPECT_EQ(d->windowTitle(), c.caption);
        QStringList shown;
        for (auto* label : d->findChildren<QLabel*>()) shown << label->text();
        for (const QString& l : c.labels) EXPECT_TRUE(shown.contains(l)) << l.toStdString();
        auto* send = child<QPushButton>(d.get(), "sendButton");
        EXPECT_TRUE(send->isDefault());
        EXPECT_EQ(send->text(), "发送");
        EXPECT_TRUE(send->property("controlId").isValid());
    }
    // The masks leave the register alone until the user changes them.
    CMBMaskWrite m(1, 0, 0);
    EXPECT_EQ(m.andMask(), 0xFFFF);
    EXPECT_EQ(m.orMask(), 0x0000);
    m.andBoxes().Box(0)->click();
    m.orBoxes().Box(0)->click();
    EXPECT_EQ(m.andMask(), 0xFFFE);
    EXPECT_EQ(m.orMask(), 0x0001);
}

// ---- lists ------------------------------------------------------------------------------

TEST_F(OfflineWriteDialogTest, CoilListFollowsTheFieldsAndItsCheckMarks) {
    CMBForceMultibleCoils d(WriteBlock{1, 10, 3, 0});
    d.coils()[1] = 1;
    d.show();
    auto* list = child<QTreeWidget>(&d, "coilList");
    EXPECT_EQ(lines(list), (QStringList{"线圈 10", "线圈 11", "线圈 12"}));
    EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Checked);
    list->topLevelItem(2)->setCheckState(0, Qt::Checked);
    list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(d.coils()[1], 0);
    EXPECT_EQ(d.coils()[2], 1);

    // Leaving the quantity field rebuilds the list; a refused field does not.
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    auto* quantity = child<QLineEdit>(&d, "quantityEdit");
    auto* address = child<QLineEdit>(&d, "addressEdit");
    quantity->setFocus();
    quantity->setText("2");
    address->setFocus();
    EXPECT_EQ(lines(list), (QStringList{"线圈 10", "线圈 11"}));
    RecordingInteraction warnings;
    address->setText("x");
    quantity->setFocus();
    EXPECT_EQ(warnings.texts(), QStringList{DX::IntMessage()});
    EXPECT_EQ(lines(list), (QStringList{"线圈 10", "线圈 11"}));
}

TEST_F(OfflineWriteDialogTest, RegisterListsShowTheBufferInTheirFormat) {
    CMBPresetMultibleRegister binary(WriteBlock{1, 3, 1, 0}, 3);
    binary.values()[0] = 0xF0;
    binary.show();
    EXPECT_EQ(lines(child<QTreeWidget>(&binary, "valueList")), QStringList{"003 = 0000 0000 1111 0000 "});

    // Five registers as floats: two whole values, the fifth register has no line.
    CMBReadWriteRegister floats(ReadWriteBlock{1, 7, 5, 1, 1, 1}, 4);
    const float two[2] = {1.5f, -2.0f};
    std::memcpy(floats.values().data(), two, sizeof two);
    floats.show();
    auto* list = child<QTreeWidget>(&floats, "valueList");
    EXPECT_EQ(lines(list), (QStringList{"007 = 1.5000", "009 = -2.0000"}));
    EXPECT_EQ(currentRow(list), 0);
    EXPECT_EQ(child<QListWidget>(&floats, "readList")->count(), 0);
}

TEST_F(OfflineWriteDialogTest, EditReplacesTheSelectedItemThroughTheValueEntryDialogs) {
    struct Case {
        Factory make;
        int line;
        std::function<void(QDialog&)> enter;
        QString expected;
    };
    const auto typeInto = [](const char* field, const char* text) {
        return [=](QDialog& d) { setField(&d, field, QString::fromLatin1(text)); };
    };
    const std::vector<Case> cases = {
        {registers(0), 2, typeInto("signedEdit", "-5"), "002 = -5"},
        {registers(2), 1, typeInto("hexEdit", "beef"), "001 = 0xBEEF"},
        {readWrite(9), 1, typeInto("longEdit", "-70000"), "003 = -70000"},
        {registers(6), 1, typeInto("doubleEdit", "0.25"), "004 = 0.250000"},
        {registers(3), 0,
         [](QDialog& d) {
             child<QCheckBox>(&d, "bit15Check")->setChecked(true);
             child<QCheckBox>(&d, "bit0Check")->setChecked(true);
         },
         "000 = 1000 0000 0000 0001 "},
    };
    for (const Case& c : cases) {
        auto d = c.make();
        d->show();
        auto* list = child<QTreeWidget>(d.get(), "valueList");
        const QStringList before = lines(list);
        selectRow(list, c.line);
        RecordingInteraction modal;
        // Cancel first: nothing changes.
        child<QPushButton>(d.get(), "editButton")->click();
        EXPECT_EQ(lines(list), before);
        modal.onModal<QDialog>([&](QDialog& input) {
            c.enter(input);
            input.accept();
            return input.result();
        });
        selectRow(list, c.line);
        child<QPushButton>(d.get(), "editButton")->click();
        EXPECT_EQ(modal.modalRuns, 2);
        ASSERT_GT(list->topLevelItemCount(), c.line);
        EXPECT_EQ(list->topLevelItem(c.line)->text(0), c.expected);
        EXPECT_EQ(currentRow(list), c.line);
        QStringList others = lines(list), old = before;
        others.removeAt(c.line);
        old.removeAt(c.line);
        EXPECT_EQ(others, old);
    }
    // A float list of a single register has no line to edit.
    CMBPresetMultibleRegister single(WriteBlock{1, 0, 1, 0}, 4);
    single.show();
    RecordingInteraction modal;
    child<QPushButton>(&single, "editButton")->click();
    EXPECT_EQ(modal.modalRuns, 0);
}

// ---- value-list files -------------------------------------------------------------------

class ValueListFilesTest : public OfflineWriteDialogTest {
protected:
    QString path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }
    QByteArray bytes(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

TEST_F(ValueListFilesTest, ListsOpenOnlyInDialogsOfTheirKind) {
    struct Case {
        const char* name;
        Factory saver;
        Factory opener;
        bool opens;
    };
    const std::vector<Case> cases = {
        {"float in float inverse", registers(4), registers(5), true},
        {"float in signed", registers(4), registers(0), false},
        {"long in 23 long inverse", registers(8), readWrite(9), true},
        {"double in 23 hex", readWrite(6), readWrite(2), false},
        {"coils in coils", coils(), coils(), true},
        {"coils in binary registers", coils(), registers(3), false},
        {"signed in coils", registers(0), coils(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingInteraction modal;
        modal.filePath = path("list.mod");
        QFile::remove(modal.filePath);
        auto saver = c.saver();
        saver->show();
        // Values beyond the shown quantity are saved too.
        auto* from = saver->findChild<QTreeWidget*>();
        if (auto* r = qobject_cast<CMBPresetMultibleRegister*>(saver.get())) r->values()[254] = 0x5A;
        if (auto* r = qobject_cast<CMBReadWriteRegister*>(saver.get())) r->values()[254] = 0x5A;
        if (auto* k = qobject_cast<CMBForceMultibleCoils*>(saver.get())) k->coils()[1999] = 1;
        ASSERT_NE(from, nullptr);
        child<QPushButton>(saver.get(), "saveButton")->click();
        const bool coilList = qobject_cast<CMBForceMultibleCoils*>(saver.get()) != nullptr;
        EXPECT_EQ(bytes(modal.filePath).size(), coilList ? 2004 : 260);

        auto opener = c.opener();
        opener->show();
        modal.messages.clear();
        RecordingInteraction& warnings = modal;
        child<QPushButton>(opener.get(), "openButton")->click();
        EXPECT_EQ(warnings.texts(), c.opens ? QStringList{} : QStringList{"不正确的数据格式"});
        std::uint8_t last = 0;
        if (auto* r = qobject_cast<CMBPresetMultibleRegister*>(opener.get())) last = r->values()[254];
        if (auto* r = qobject_cast<CMBReadWriteRegister*>(opener.get())) last = r->values()[254];
        if (auto* k = qobject_cast<CMBForceMultibleCoils*>(opener.get())) last = k->coils()[1999];
        EXPECT_EQ(last != 0, c.opens);
        // The default name is "data" until a file was opened.
        modal.filePath.clear();
        child<QPushButton>(opener.get(), "saveButton")->click();
        EXPECT_EQ(modal.fileRequests.back().proposedName, c.opens ? "list.mod" : "data.mod");
    }
}

TEST_F(ValueListFilesTest, AShortFileFillsTheStartAndBadFilesChangeNothing) {
    CMBPresetMultibleRegister d(WriteBlock{1, 0, 3, 0}, 1);
    d.values().fill(0x11);
    d.show();
    auto* list = child<QTreeWidget>(&d, "valueList");
    RecordingInteraction modal;
    RecordingInteraction& warnings = modal;

    modal.filePath = path("short.mod");
    QFile f(modal.filePath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromHex("01000000" "3412"));
    f.close();
    child<QPushButton>(&d, "openButton")->click();
    EXPECT_EQ(lines(list), (QStringList{"000 = 4660", "001 = 4369", "002 = 4369"}));

    const QStringList before = lines(list);
    for (const QString& bad : {path("missing.mod"), path("tiny.mod")}) {
        if (bad.endsWith("tiny.mod")) {
            QFile t(bad);
            ASSERT_TRUE(t.open(QIODevice::WriteOnly));
            t.write("\x01\x00", 2);
        }
        modal.filePath = bad;
        child<QPushButton>(&d, "openButton")->click();
        EXPECT_EQ(lines(list), before);
    }
    modal.filePath = dir.filePath("no/such/dir/x.mod");
    child<QPushButton>(&d, "saveButton")->click();
    EXPECT_EQ(warnings.texts(), (QStringList{"文件打开错误", "不正确的数据格式", "文件打开错误"}));
}

// ---- value entry ------------------------------------------------------------------------

TEST_F(OfflineWriteDialogTest, ValueEntryShowsOneFieldAndChecksItOnOk) {
    struct Case {
        const char* name;
        int format;
        int keyCode;
        const char* typed;  // nullptr: leave the field as opened
        bool accepted;
        QString message;
        std::function<bool(const InputRegisterValue&)> check;
    };
    const QString hex = QStringLiteral("Please enter a hex number");
    const std::vector<Case> cases = {
        {"hex ffff", 2, -1, "ffff", true, {}, [](auto& v) { return v.unsignedValue == 65535; }},
        {"hex 12G", 2, -1, "12G", false, hex, nullptr},
        {"hex empty", 2, -1, "", false, hex, nullptr},
        {"hex fifth character", 2, -1, "12345", true, {}, [](auto& v) { return v.unsignedValue == 0x1234; }},
        {"signed below range", 0, -1, "-32769", false, DX::IntRangeMessage(-32768, 32767), nullptr},
        {"unsigned", 1, -1, "65535", true, {}, [](auto& v) { return v.unsignedValue == 65535; }},
        {"long limit", 8, -1, "-2147483647", false, DX::IntRangeMessage(-2147483646, 2147483646), nullptr},
        {"double range", 6, -1, "1e308", false, DX::RealRangeMessage(-1.7e307, 1.7e307, 15), nullptr},
        {"float", 5, -1, "2.5", true, {}, [](auto& v) { return v.floatValue == 2.5f; }},
        {"float not a number", 4, -1, "x", false, DX::NumberMessage(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMBInputRegister d(c.format, InputRegisterValue{}, c.keyCode);
        d.show();
        QLineEdit* field = d.valueField();
        int visible = 0;
        for (auto* e : d.findChildren<QLineEdit*>()) visible += e->isVisibleTo(&d) ? 1 : 0;
        EXPECT_EQ(visible, 1);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, QString::fromLatin1(c.typed));
        RecordingInteraction warnings;
        child<QPushButton>(&d, "okButton")->click();
        EXPECT_EQ(d.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(warnings.texts(), c.accepted ? QStringList{} : QStringList{c.message});
        if (c.check) {
            EXPECT_TRUE(c.check(d.value()));
        }
        if (!c.accepted) {
            EXPECT_EQ(d.focusWidget(), field);
        }
    }
    CMBInputRegister hexDialog(2, InputRegisterValue{});
    EXPECT_EQ(child<QLabel>(&hexDialog, "valueLabel")->text(), "值 (HEX):");
    EXPECT_EQ(hexDialog.windowTitle(), "写入值");
}

TEST_F(OfflineWriteDialogTest, TypedKeysContinueTheNumber) {
    InputRegisterValue seven;
    seven.longValue = 7;
    CMBInputRegister digit(8, seven, 7);
    digit.show();
    QTest::keyClicks(digit.valueField(), "5");
    EXPECT_EQ(digit.valueField()->text(), "75");

    CMBInputRegister minus(4, InputRegisterValue{}, -2);
    minus.show();
    QTest::keyClicks(minus.valueField(), "3");
    EXPECT_EQ(minus.valueField()->text(), "-3");

    CMBInputRegister none(0, InputRegisterValue{}, -1);
    none.show();
    QTest::keyClicks(none.valueField(), "9");
    EXPECT_EQ(none.valueField()->text(), "9");

    CMBInputRegisterBin bits(0x8001);
    bits.show();
    EXPECT_EQ(bits.windowTitle(), "输入值");
    EXPECT_TRUE(child<QCheckBox>(&bits, "bit15Check")->isChecked());
    child<QCheckBox>(&bits, "bit15Check")->setChecked(false);
    child<QCheckBox>(&bits, "bit4Check")->setChecked(true);
    EXPECT_EQ(bits.value(), 0x8001);  // not taken before OK
    child<QPushButton>(&bits, "okButton")->click();
    EXPECT_EQ(bits.value(), 0x0011);
}

}  // namespace
}  // namespace zentiq
