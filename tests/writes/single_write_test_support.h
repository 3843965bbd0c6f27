// What the tests of the single-value write dialogs share: one dialog of each
// kind, its fields by name, and Send pressed as a user presses it.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "framework/settings_store.h"
#include "support/dialog_test_helpers.h"
#include "writes/write_test_support.h"  // settings in a scratch file for every test
#include "writes/mb_write_coil.h"
#include "writes/mb_write_float.h"
#include "writes/mb_write_register.h"
#include "writes/mb_write_register_bin.h"
#include "writes/mb_write_register_int.h"

namespace zentiq::testing {

enum class Kind { Coil, Register, Bin, Long, Float };

inline std::unique_ptr<SingleWriteDialog> MakeDialog(Kind kind) {
    switch (kind) {
    case Kind::Coil: return std::make_unique<CMBWriteCoil>();
    case Kind::Register: return std::make_unique<CMBWriteRegister>();
    case Kind::Bin: return std::make_unique<CMBWriteRegisterBin>();
    case Kind::Long: return std::make_unique<CMBWriteRegisterInt>();
    case Kind::Float: return std::make_unique<CMBWriteFloat>();
    }
    return nullptr;
}

inline const char* KindName(Kind kind) {
    constexpr const char* names[] = {"coil", "register", "bitwise", "long", "float"};
    return names[static_cast<int>(kind)];
}

inline void SetField(QWidget* dialog, const char* name, const QString& text) {
    if (auto* edit = child<QLineEdit>(dialog, name)) type(edit, text);
}

inline QPushButton* SendButton(QWidget* dialog) { return child<QPushButton>(dialog, "sendButton"); }

// Presses Send and waits (bounded) until the dialog's request has its result.
inline bool SendAndWait(SingleWriteDialog& dialog) {
    QTest::mouseClick(SendButton(&dialog), Qt::LeftButton);
    return QTest::qWaitFor([&] { return !dialog.IsPending(); }, 10000);
}

}  // namespace zentiq::testing
