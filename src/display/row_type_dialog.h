// The "数据类型" dialog of the grid's context menu: the type, text length,
// scale, offset, unit and decimals the selected register rows show, with a
// preview of the first selected value, or back to the window's display
// format. Knows no document: the caller gives the type to start from and
// how to preview one.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

#include "values/row_type.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace zentiq {

class RowTypeDialog : public QDialog {
    Q_OBJECT
public:
    // The text a type gives the first selected row now (empty: not there).
    using Preview = std::function<QString(const RowType&)>;

    RowTypeDialog(const RowType& start, const QString& rows, Preview preview,
                  QWidget* parent = nullptr);

    // After the dialog: the type chosen, or nothing when the user chose
    // the display format back.
    std::optional<RowType> Chosen() const { return m_chosen; }
    // The type the fields give now, or nothing with `why` saying which
    // field is wrong.
    std::optional<RowType> FromFields(QString* why) const;

    QComboBox* readingBox() const { return m_reading; }
    QSpinBox* textRegistersBox() const { return m_textRegisters; }
    QLineEdit* scaleEdit() const { return m_scale; }
    QLineEdit* offsetEdit() const { return m_offset; }
    QLineEdit* unitEdit() const { return m_unit; }
    QSpinBox* decimalsBox() const { return m_decimals; }
    QLabel* previewLabel() const { return m_preview; }
    QPushButton* okButton() const;
    QPushButton* restoreButton() const { return m_restore; }

private:
    void fieldsChanged();

    Preview m_previewOf;
    QComboBox* m_reading = nullptr;
    QSpinBox* m_textRegisters = nullptr;
    QLineEdit* m_scale = nullptr;
    QLineEdit* m_offset = nullptr;
    QLineEdit* m_unit = nullptr;
    QSpinBox* m_decimals = nullptr;
    QLabel* m_preview = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QPushButton* m_restore = nullptr;
    std::optional<RowType> m_chosen;
};

}  // namespace zentiq
