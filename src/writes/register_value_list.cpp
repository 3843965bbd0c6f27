#include "writes/register_value_list.h"

#include <QAbstractButton>
#include <QTreeWidget>

#include <cstring>

#include "writes/current_column.h"
#include "writes/current_value_watch.h"
#include "writes/mb_input_register.h"
#include "writes/mb_input_register_bin.h"
#include "writes/register_items.h"
#include "writes/register_list_lines.h"
#include "writes/value_list_chooser.h"
#include "writes/value_list_file.h"
#include "values/value_format.h"
#include "framework/user_interaction.h"

namespace zentiq {

RegisterValueList::RegisterValueList(QWidget* dialog, QTreeWidget* list, int displayFormat)
    : QObject(dialog),
      m_dialog(dialog),
      m_list(list),
      m_current(new CurrentValueWatch(this)),
      m_format(displayFormat) {
    CurrentColumn::SetUp(list);
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { Edit(); });
    connect(m_current, &CurrentValueWatch::changed, this, &RegisterValueList::showCurrent);
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
    const QStringList lines =
        RegisterListLines::Build(m_format, firstAddress, quantity, m_values.data(), m_values.size());
    QList<QTreeWidgetItem*> items;
    items.reserve(lines.size());
    for (const QString& line : lines)
        items.append(new QTreeWidgetItem(QStringList{line, CurrentColumn::NotPolledText()}));
    m_list->addTopLevelItems(items);
    if (selected >= 0 && selected < m_list->topLevelItemCount())
        m_list->setCurrentItem(m_list->topLevelItem(selected));
    if (topLine >= 0 && topLine < m_list->topLevelItemCount())
        m_list->scrollToItem(m_list->topLevelItem(topLine), QAbstractItemView::PositionAtTop);
    follow();
}

void RegisterValueList::SetSlave(int slaveId, int addressBase) {
    if (slaveId == m_slaveId && addressBase == m_addressBase)
        return;
    m_slaveId = slaveId;
    m_addressBase = addressBase;
    follow();
}

void RegisterValueList::SetLine(const ModbusLine& line) { m_current->SetLine(line); }

void RegisterValueList::follow() {
    // The registers the lines cover, at the addresses their labels name.
    const int registers = RegisterListLines::LineCount(m_format, m_quantity) *
                          RegisterListLines::RegistersPerLine(m_format);
    const int first = m_firstAddress - m_addressBase;
    if (m_slaveId < 0 || registers <= 0 || first < 0 || first + registers > 65536)
        m_current->SetRange(std::nullopt);
    else
        m_current->SetRange(PolledRange{m_slaveId, PollTable::HoldingRegisters, first, registers});
}

void RegisterValueList::showCurrent() {
    const std::vector<PolledItem>& read = m_current->Items();
    const int per = RegisterListLines::RegistersPerLine(m_format);
    const bool inverse = RegisterItems::IsInverse(m_format);
    for (int line = 0; line < m_list->topLevelItemCount(); ++line) {
        QTreeWidgetItem* item = m_list->topLevelItem(line);
        std::uint16_t words[4] = {};
        bool known = per > 0 && static_cast<std::size_t>((line + 1) * per) <= read.size();
        for (int w = 0; known && w < per; ++w) {
            const PolledItem& word = read[static_cast<std::size_t>(line * per + w)];
            known = word.has_value();
            words[w] = word.value_or(0);
        }
        const std::size_t offset = static_cast<std::size_t>(line * per) * 2;
        if (!known || offset + 2 * static_cast<std::size_t>(per) > m_values.size()) {
            CurrentColumn::Show(item, CurrentColumn::NotPolledText(), false);
            continue;
        }
        // The value read, laid out as the buffer holds the value to write.
        const std::uint64_t bits = RegisterItems::JoinWords(words, per, inverse);
        std::uint8_t bytes[8];
        for (int b = 0; b < 8; ++b)
            bytes[b] = static_cast<std::uint8_t>(bits >> (8 * b));
        const int label = m_firstAddress + line * per;
        CurrentColumn::Show(item, RegisterListLines::ValueText(m_format, label, bytes),
                            std::memcmp(bytes, m_values.data() + offset,
                                        2 * static_cast<std::size_t>(per)) != 0);
    }
}

void RegisterValueList::Edit() {
    QTreeWidgetItem* current = m_list->currentItem();
    const int line = current != nullptr ? m_list->indexOfTopLevelItem(current) : -1;
    if (line < 0 || !current->isSelected())
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

int RegisterValueList::LoadWriteData(ModbusLine& line, int registers) const {
    return RegisterItems::LoadWriteData(line, 0, m_format, registers, m_values.data(),
                                        m_values.size(), false);
}

void RegisterValueList::Open() {
    if (ValueListChooser::Open(m_dialog, m_fileName, tag(), m_values.data()))
        Rebuild(m_firstAddress, m_quantity, 0);
}

void RegisterValueList::Save() {
    ValueListChooser::Save(m_dialog, m_fileName, tag(), m_values.data());
}

}  // namespace zentiq
