#include "writes/register_value_list.h"

#include <QAbstractButton>
#include <QListWidget>

#include "writes/mb_input_register.h"
#include "writes/mb_input_register_bin.h"
#include "writes/register_items.h"
#include "writes/register_list_lines.h"
#include "writes/value_list_chooser.h"
#include "writes/value_list_file.h"
#include "values/value_format.h"
#include "framework/user_interaction.h"

namespace zentiq {

RegisterValueList::RegisterValueList(QWidget* dialog, QListWidget* list, int displayFormat)
    : QObject(dialog), m_dialog(dialog), m_list(list), m_format(displayFormat) {
    connect(list, &QListWidget::itemDoubleClicked, this, [this] { Edit(); });
}

void RegisterValueList::connectButtons(QAbstractButton* edit, QAbstractButton* open,
                                       QAbstractButton* save) {
    connect(edit, &QAbstractButton::clicked, this, &RegisterValueList::Edit);
    connect(open, &QAbstractButton::clicked, this, &RegisterValueList::Open);
    connect(save, &QAbstractButton::clicked, this, &RegisterValueList::Save);
}

std::int32_t RegisterValueList::tag() const { return ValueListFile::TagForFormat(m_format); }

void RegisterValueList::Rebuild(int firstAddress, int quantity, int selected, int topLine) {
    m_firstAddress = firstAddress;
    m_quantity = quantity;
    m_list->clear();
    m_list->addItems(RegisterListLines::Build(m_format, firstAddress, quantity, m_values.data(),
                                              m_values.size()));
    if (selected >= 0 && selected < m_list->count())
        m_list->setCurrentRow(selected);
    if (topLine >= 0 && topLine < m_list->count())
        m_list->scrollToItem(m_list->item(topLine), QAbstractItemView::PositionAtTop);
}

void RegisterValueList::Edit() {
    const int line = m_list->currentRow();
    if (line < 0 || m_list->currentItem() == nullptr || !m_list->currentItem()->isSelected())
        return;
    const QModelIndex top = m_list->indexAt(QPoint(1, 1));
    const int topLine = top.isValid() ? top.row() : 0;
    if (m_format == DisplayFormat::Binary) {
        CMBInputRegisterBin dialog(RegisterItems::Word(m_values.data(), m_values.size(), line),
                                   m_dialog);
        if (userInteraction().runModal(dialog) == QDialog::Accepted)
            RegisterItems::SetWord(m_values.data(), m_values.size(), line, dialog.value());
    } else {
        InputRegisterValue value;
        if (!RegisterItems::Get(m_format, m_values.data(), m_values.size(), line, value))
            return;
        CMBInputRegister dialog(m_format, value, -1, m_dialog);
        if (userInteraction().runModal(dialog) == QDialog::Accepted)
            RegisterItems::Set(m_format, m_values.data(), m_values.size(), line, dialog.value());
    }
    Rebuild(m_firstAddress, m_quantity, line, topLine);
}

int RegisterValueList::LoadWriteData(int registers) const {
    return RegisterItems::LoadWriteData(0, m_format, registers, m_values.data(), m_values.size(),
                                        false);
}

void RegisterValueList::Open() {
    if (ValueListChooser::Open(m_dialog, m_fileName, tag(), m_values.data()))
        Rebuild(m_firstAddress, m_quantity, 0);
}

void RegisterValueList::Save() {
    ValueListChooser::Save(m_dialog, m_fileName, tag(), m_values.data());
}

}  // namespace zentiq
