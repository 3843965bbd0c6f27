// What the dialog tests share: finding controls by objectName, clicking and
// typing as a user would, and reading the validation messages instead of
// showing them (RecordingInteraction).
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include "support/qt_test_app.h"
#include "support/recording_interaction.h"

namespace zentiq::testing {

template <class T>
T* child(QWidget* parent, const char* name) {
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// A click on the indicator of a check box or radio button (its centre may
// lie beyond a short label, where a click does nothing).
inline void press(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

inline void type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

}  // namespace zentiq::testing
