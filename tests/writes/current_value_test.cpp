// What the write dialogs show of their target's current value: the value a
// poll window last read at the dialog's slave and address, following the
// slave as it changes and the fields as the user types, "未读取" where no
// window reads; and the "当前值" column of the multiple-write lists, which
// stays with the addresses when the lines are relabelled over the old
// buffer and marks the lines whose value to write differs. Against
// pymodbus on 127.0.0.1, whose registers and coils the tests change by
// writes of their own; every case has addresses of its own.
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "framework/one_shot_request.h"
#include "framework/window_registry.h"
#include "resources/menus.h"
#include "support/peer_link.h"
#include "support/poll_window.h"
#include "writes/current_column.h"
#include "writes/single_write_test_support.h"
#include "writes/pymodbus_suite.h"
#include "writes/write_test_support.h"

namespace zentiq {
namespace {

using testing::child;
using testing::currentRow;
using testing::Kind;
using testing::kWaitMs;
using testing::lines;
using testing::PollWindow;
using testing::ReadDefinition;
using testing::RecordingInteraction;
using Words = std::vector<std::uint16_t>;

QString current(const char* value) {
    return QString::fromUtf8("当前值: %1").arg(QString::fromUtf8(value));
}
const QString kNotRead = current("未读取");

class CurrentValueTest : public testing::PyModbusSuite<::testing::Test> {
protected:
    // A write through slot 0 by another route than the dialogs, retried
    // (bounded) while the slot is busy: registers, or coils one word each.
    static void put(bool coils, int at, const Words& items) {
        OneShotRequest request;
        int status = -1;
        QObject::connect(&request, &OneShotRequest::Finished, [&](int s) { status = s; });
        const auto a = static_cast<std::uint16_t>(at), n = static_cast<std::uint16_t>(items.size());
        std::vector<std::uint8_t> bits(items.begin(), items.end());
        const OneShotArgs args{1, std::uint16_t(coils ? 15 : 16), 0, 0, a, n};
        const bool submitted = QTest::qWaitFor(
            [&] {
                return request.Submit(DefaultLine(), args, [&](ModbusLine& line) {
                    return coils ? line.SetWriteBytes(0, n, bits.data())
                                 : line.SetWriteRegisters(0, n, items.data());
                });
            },
            kWaitMs);
        ASSERT_TRUE(submitted) << "slot 0 stayed busy";
        ASSERT_TRUE(QTest::qWaitFor([&] { return status >= 0; }, kWaitMs));
        ASSERT_EQ(status, 0);
    }
    // A window polling `length` items from `at` that has read them.
    static std::unique_ptr<PollWindow> poll(int function, int at, int length, int format = 0) {
        auto w = std::make_unique<PollWindow>(ReadDefinition(function, at, length, format));
        EXPECT_NE(w->model().slotIndex, -1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->model().valuesRead; }, kWaitMs));
        return w;
    }
};

// Where a case stands in its table: its registers are its own.
template <class Case, std::size_t N>
int caseIndex(const Case (&cases)[N], const char* name) {
    for (std::size_t i = 0; i < N; ++i)
        if (std::string(cases[i].name) == name)
            return static_cast<int>(i);
    return -1;
}

template <class Get>
::testing::AssertionResult waitFor(Get get, const QString& expected) {
    if (QTest::qWaitFor([&] { return get() == expected; }, kWaitMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "shows \"" << get().toStdString() << "\", not \"" << expected.toStdString() << "\"";
}

// ---- single-value dialogs ------------------------------------------------------------------

struct SingleCase {
    const char* name;
    Kind kind;
    int format;  // of the dialogs that have one
    Words first;
    const char* firstText;
    Words second;  // written by the test while the dialog is open
    const char* secondText;
};

void PrintTo(const SingleCase& c, std::ostream* os) { *os << c.name; }

class SingleDialogCurrentValueTest : public CurrentValueTest,
                                     public ::testing::WithParamInterface<SingleCase> {};

const SingleCase kSingleCases[] = {
    {"Coil", Kind::Coil, 0, {1}, "开", {0}, "关"},
    {"Signed", Kind::Register, 0, {0xFC18}, "-1000", {1000}, "1000"},
    {"Unsigned", Kind::Register, 1, {0xFC18}, "64536", {7}, "7"},
    {"Hex", Kind::Register, 2, {0xBEEF}, "BEEF", {0x10}, "10"},
    {"Bitwise", Kind::Bin, 0, {0x00F0}, "0000 0000 1111 0000", {0x8001}, "1000 0000 0000 0001"},
    {"Long", Kind::Long, 8, {0x0001, 0x0002}, "131073", {0xFFFF, 0xFFFF}, "-1"},
    {"LongInverse", Kind::Long, 9, {0x0001, 0x0002}, "65538", {0x0000, 0x0005}, "5"},
    {"Float", Kind::Float, 4, {0x0000, 0x3F80}, "1", {0x0000, 0xC020}, "-2.5"},
    {"FloatInverse", Kind::Float, 5, {0x3F80, 0x0000}, "1", {0x47F1, 0x2065}, "123457"},
    {"Double",
     Kind::Float,
     6,
     {0, 0, 0, 0x3FF0},
     "1",
     {0x2D18, 0x5444, 0x21FB, 0x4009},
     "3.14159265358979"},
    {"DoubleInverse", Kind::Float, 7, {0x3FF0, 0, 0, 0}, "1", {0x3FE0, 0, 0, 0}, "0.5"},
};

TEST_P(SingleDialogCurrentValueTest, ShowsWhatAWindowReadsThereAndFollowsTheSlaveAndTheFields) {
    const SingleCase& c = GetParam();
    const bool coils = c.kind == Kind::Coil;
    const int at = 700 + 10 * caseIndex(kSingleCases, c.name);
    put(coils, at, c.first);
    auto window = poll(coils ? 1 : 3, at, 4);

    auto d = testing::MakeDialog(c.kind);
    d->slaveId = 1;
    d->address = at;
    if (auto* r = dynamic_cast<CMBWriteRegister*>(d.get()))
        r->displayFormat = c.format;
    if (auto* l = dynamic_cast<CMBWriteRegisterInt*>(d.get()))
        l->displayFormat = c.format;
    if (auto* f = dynamic_cast<CMBWriteFloat*>(d.get()))
        f->displayFormat = c.format;
    d->show();
    EXPECT_TRUE(waitFor([&] { return d->CurrentValueText(); }, current(c.firstText)));

    // The slave's value changes: the window reads it, the dialog follows.
    put(coils, at, c.second);
    EXPECT_TRUE(waitFor([&] { return d->CurrentValueText(); }, current(c.secondText)));

    // Addresses no window reads, another slave, and back.
    auto* address = child<QLineEdit>(d.get(), "addressEdit");
    auto* slave = child<QLineEdit>(d.get(), "slaveEdit");
    address->setText(QString::number(at + 5));
    EXPECT_EQ(d->CurrentValueText(), kNotRead);
    address->setText(QStringLiteral("x"));
    EXPECT_EQ(d->CurrentValueText(), kNotRead);
    address->setText(QString::number(at));
    EXPECT_EQ(d->CurrentValueText(), current(c.secondText));
    slave->setText(QStringLiteral("2"));
    EXPECT_EQ(d->CurrentValueText(), kNotRead);
    slave->setText(QStringLiteral("1"));
    EXPECT_EQ(d->CurrentValueText(), current(c.secondText));

    // The window goes: nothing reads the address any more.
    window.reset();
    EXPECT_TRUE(waitFor([&] { return d->CurrentValueText(); }, kNotRead));
}

INSTANTIATE_TEST_SUITE_P(Dialogs, SingleDialogCurrentValueTest, ::testing::ValuesIn(kSingleCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The 05 and 06 commands still open their dialogs with 0 to send, the
// window's own reading beside it.
TEST_F(CurrentValueTest, CommandsOpenAtZeroBesideTheWindowsReading) {
    struct Case {
        int function, format, command;
        const char* field;
        const char* shown;
    };
    const Case cases[] = {
        {1, 0, cmd::WriteSingleCoil, nullptr, "开"},
        {3, 0, cmd::WriteSingleRegister, "signedEdit", "-1000"},
        {3, 3, cmd::WriteSingleRegister, nullptr, "1111 1100 0001 1000"},
    };
    int at = 850;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        at += 10;
        put(c.function == 1, at, {c.function == 1 ? std::uint16_t(1) : std::uint16_t(0xFC18)});
        auto window = poll(c.function, at, 2, c.format);
        RecordingInteraction modal;
        modal.onModal<QDialog>([&](QDialog& dialog) {
            auto& d = dynamic_cast<SingleWriteDialog&>(dialog);
            if (c.field != nullptr) {
                EXPECT_EQ(child<QLineEdit>(&d, c.field)->text(), "0");
            }
            if (auto* bin = dynamic_cast<CMBWriteRegisterBin*>(&d)) {
                EXPECT_EQ(bin->value, 0);
            }
            if (auto* coil = dynamic_cast<CMBWriteCoil*>(&d)) {
                EXPECT_EQ(coil->coilState, CMBWriteCoil::kOff);
            }
            EXPECT_TRUE(waitFor([&] { return d.CurrentValueText(); }, current(c.shown)));
            return int(QDialog::Rejected);
        });
        window->view->OnCommand(c.command);
        EXPECT_EQ(modal.modalRuns, 1);
    }
}

// ---- multiple-write lists ------------------------------------------------------------------

struct ListCase {
    const char* name;
    int function;  // of the windows
    int format;
    int command;
    const char* addressField;
    QStringList before;   // the list filled from the first window, its values beside
    QStringList after;    // the current column once the lines name the second block
    QStringList changed;  // ... after the slave's first register there changed
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class ListCurrentValueTest : public CurrentValueTest,
                             public ::testing::WithParamInterface<ListCase> {};

QStringList dashes(int n) { return QStringList(n, CurrentColumn::NotPolledText()); }

// The first window reads ten items, the second the five after them. The
// slave holds 100 + k at the first ten registers; after them 500 + k,
// except where k is odd, where it holds what the line relabelled there
// already holds (101, 103). Coils: 0, 1, 0, 1, ... then all on. Then the
// slave's first register of the second block takes its line's value.
const ListCase kListCases[] = {
    {"Registers16",
     3,
     1,
     cmd::WriteMultipleRegisters,
     "addressEdit",
     {"100", "101", "102", "103", "104", "105", "106", "107", "108", "109"},
     QStringList{"500", "101", "502", "103", "504"} + dashes(5),
     QStringList{"100", "101", "502", "103", "504"} + dashes(5)},
    {"ReadWrite23",
     3,
     2,
     cmd::ReadWriteRegisters,
     "writeAddressEdit",
     {"0x0064", "0x0065", "0x0066", "0x0067", "0x0068", "0x0069", "0x006A", "0x006B", "0x006C",
      "0x006D"},
     QStringList{"0x01F4", "0x0065", "0x01F6", "0x0067", "0x01F8"} + dashes(5),
     QStringList{"0x0064", "0x0065", "0x01F6", "0x0067", "0x01F8"} + dashes(5)},
    {"Coils15",
     1,
     0,
     cmd::WriteMultipleCoils,
     "addressEdit",
     {"关", "开", "关", "开", "关", "开", "关", "开", "关", "开"},
     QStringList{"开", "开", "开", "开", "开"} + dashes(5),
     QStringList{"关", "开", "开", "开", "开"} + dashes(5)},
};

std::vector<int> markedLines(QTreeWidget* list) {
    std::vector<int> marked;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* line = list->topLevelItem(i);
        if (CurrentColumn::IsMarked(line)) {
            marked.push_back(i);
            EXPECT_TRUE(line->font(CurrentColumn::kCurrent).bold());
            EXPECT_EQ(line->toolTip(CurrentColumn::kCurrent), QString::fromUtf8("与当前值不同"));
        }
    }
    return marked;
}

TEST_P(ListCurrentValueTest, RelabelledLinesShowTheirAddressesValuesBesideTheOldBuffer) {
    const ListCase& c = GetParam();
    const bool coils = c.function == 1;
    const int at = 1000 + 40 * caseIndex(kListCases, c.name);
    Words first, second;
    for (int k = 0; k < 10; ++k)
        first.push_back(std::uint16_t(coils ? k % 2 : 100 + k));
    for (int k = 0; k < 5; ++k)
        second.push_back(std::uint16_t(coils ? 1 : k % 2 ? 100 + k : 500 + k));
    put(coils, at, first);
    put(coils, at + 10, second);
    auto block = poll(c.function, at, 10, c.format);
    auto after = poll(c.function, at + 10, 5, c.format);

    RecordingInteraction modal;
    modal.onModal<QDialog>([&](QDialog& d) {
        auto* list = child<QTreeWidget>(&d, coils ? "coilList" : "valueList");
        const QStringList buffer = lines(list);
        EXPECT_TRUE(waitFor([&] { return lines(list, 1).join('|'); }, c.before.join('|')));
        EXPECT_EQ(markedLines(list), std::vector<int>{});

        // The address moves on by ten: the lines keep the buffer and name
        // the second window's registers.
        d.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        auto* address = child<QLineEdit>(&d, c.addressField);
        address->setFocus();
        address->setText(QString::number(at + 10));
        child<QLineEdit>(&d, "slaveEdit")->setFocus();
        EXPECT_EQ(lines(list).size(), buffer.size());
        for (int k = 0; k < buffer.size() && k < list->topLevelItemCount(); ++k) {
            const QTreeWidgetItem* line = list->topLevelItem(k);
            if (coils) {
                EXPECT_EQ(line->text(0), QStringLiteral("线圈 %1").arg(at + 10 + k));
                EXPECT_EQ(line->checkState(0), k % 2 ? Qt::Checked : Qt::Unchecked);
            } else {
                EXPECT_EQ(
                    line->text(0),
                    QStringLiteral("%1 = %2").arg(at + 10 + k).arg(buffer[k].section(" = ", 1)));
            }
        }
        EXPECT_TRUE(waitFor([&] { return lines(list, 1).join('|'); }, c.after.join('|')));
        EXPECT_EQ(markedLines(list), (std::vector<int>{0, 2, 4}));

        // The slave changes the first of them to what its line holds.
        put(coils, at + 10, {first[0]});
        EXPECT_TRUE(waitFor([&] { return lines(list, 1).join('|'); }, c.changed.join('|')));
        EXPECT_EQ(markedLines(list), (std::vector<int>{2, 4}));
        // The register lists keep their first line selected throughout.
        if (!coils) {
            EXPECT_EQ(currentRow(list), 0);
        }
        return int(QDialog::Rejected);
    });
    block->view->OnCommand(c.command);
    EXPECT_EQ(modal.modalRuns, 1);
}

INSTANTIATE_TEST_SUITE_P(Lists, ListCurrentValueTest, ::testing::ValuesIn(kListCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentiq
