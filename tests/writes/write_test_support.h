// What the write-dialog tests share: the application with a private
// settings file, driving a dialog's Send (boxes, modal dialogs and file
// choosers are answered by a RecordingInteraction of the test).
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <functional>

#include "framework/settings_store.h"
#include "support/dialog_test_helpers.h"

namespace zentiq::testing {

inline constexpr int kWaitMs = 15000;

// Settings go to a temporary file for the whole test program.
class WriteTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        EnsureQApplication();
        SettingsStore::setFilePathOverride(m_dir.filePath(QStringLiteral("Zentiq.ini")));
    }
    void TearDown() override { SettingsStore::setFilePathOverride(QString()); }

private:
    QTemporaryDir m_dir;
};

inline ::testing::Environment* const kWriteEnvironment =
    ::testing::AddGlobalTestEnvironment(new WriteTestEnvironment);

inline QStringList lines(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// A multiple-write list: the values to write (column 0) or the current
// values beside them (column 1).
inline QStringList lines(QTreeWidget* list, int column = 0) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(column);
    return out;
}
inline int currentRow(QTreeWidget* list) {
    return list->currentItem() != nullptr ? list->indexOfTopLevelItem(list->currentItem()) : -1;
}
inline void selectRow(QTreeWidget* list, int row) { list->setCurrentItem(list->topLevelItem(row)); }

// The dialog's field `name` set to `text`.
inline void setField(QWidget* dialog, const char* name, const QString& text) {
    child<QLineEdit>(dialog, name)->setText(text);
}

// Clicks Send and, when a request went out, waits (bounded) for its answer.
template <class Dialog>
bool sendAndWait(Dialog& dialog) {
    auto* send = child<QAbstractButton>(&dialog, "sendButton");
    send->click();
    if (!dialog.IsPending()) return false;
    EXPECT_FALSE(send->isEnabled());
    const bool answered = QTest::qWaitFor([&] { return !dialog.IsPending(); }, kWaitMs);
    EXPECT_TRUE(answered) << "no answer within the limit";
    EXPECT_TRUE(send->isEnabled());
    return answered;
}

}  // namespace zentiq::testing
