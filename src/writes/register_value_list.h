// The editable register list of the 16 and 23 dialogs: the 256-byte value
// buffer, its lines in the dialog's display format, and Edit, Open and Save
// on it. The dialog says which block the list shows (first address and
// quantity) after each good exchange of its fields, and which slave it
// writes. Beside each line stands what a poll window last read there.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>

class QAbstractButton;
class QTreeWidget;
class QWidget;

namespace zentiq {

class CurrentValueWatch;
class ModbusLine;

class RegisterValueList final : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kBytes = 256;
    using Buffer = std::array<std::uint8_t, kBytes>;

    RegisterValueList(QWidget* dialog, QTreeWidget* list, int displayFormat);
    // Edit, Open and Save run from these buttons.
    void connectButtons(QAbstractButton* edit, QAbstractButton* open, QAbstractButton* save);

    int format() const { return m_format; }
    std::int32_t tag() const;
    Buffer& values() { return m_values; }
    const Buffer& values() const { return m_values; }
    // Default name of the file dialogs: "data", then the last file's title.
    const QString& fileName() const { return m_fileName; }

    // Shows `quantity` registers from `firstAddress` (as the user sees it)
    // with line `selected` selected; `topLine` >= 0 is scrolled to the top.
    void Rebuild(int firstAddress, int quantity, int selected = 0, int topLine = -1);
    // The slave the dialog writes (-1: its field names none) and the
    // address base of the labels, for the current values.
    void SetSlave(int slaveId, int addressBase);
    // The connection whose poll windows show the current values.
    void SetLine(const ModbusLine& line);

    // The first `registers` registers into the write data of slot 0 of
    // `line`: whole values in the inverse formats, otherwise the words as
    // they lie. Returns the write-data operation's result.
    int LoadWriteData(ModbusLine& line, int registers) const;

    // Edit of the selected line through the value-entry dialog; nothing
    // without a selected line. Open and Save of the whole buffer.
    void Edit();
    void Open();
    void Save();

private:
    void follow();
    void showCurrent();

    QWidget* m_dialog;
    QTreeWidget* m_list;
    CurrentValueWatch* m_current;
    Buffer m_values{};
    int m_format = 0;
    int m_firstAddress = 0;
    int m_quantity = 0;
    int m_slaveId = -1;
    int m_addressBase = 0;
    QString m_fileName = QStringLiteral("data");
};

}  // namespace zentiq
