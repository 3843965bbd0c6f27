// The writer of a row with a type of its own: the value as the row shows it
// (engineering value, text, hex or bits), the registers it sends beside it
// (the raw value of a scaled row), refused when the type cannot hold it;
// function 06 for one register, 16 for more. The value left as it was sends
// the registers as they were read, bit for bit.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "values/row_type.h"
#include "writes/single_write_dialog.h"

class QLabel;

namespace zentiq {

class CMBWriteTyped : public SingleWriteDialog {
    Q_OBJECT
public:
    explicit CMBWriteTyped(const RowType& type, QWidget* parent = nullptr);
    ~CMBWriteTyped() override;

    // Set by the opener: the registers as last read (empty: none known) and
    // the data view's typed-key code.
    std::vector<std::uint16_t> original;
    int typedKey = kNoTypedKey;

    // The registers the value field gives now, or nothing with `why`.
    std::optional<std::vector<std::uint16_t>> Registers(QString* why) const;
    QLineEdit* valueEdit() const { return m_value; }
    QLabel* registersLabel() const { return m_registers; }

protected:
    QLineEdit* firstDisplay() override;
    int typedKeyCode() const override { return typedKey; }
    void exchangeValues(DialogDataExchange&) override {}
    bool afterExchange() override;
    OneShotArgs request() const override;
    int loadData(ModbusLine& line) const override;
    int writtenItems() const override { return m_type.Registers(); }
    QString currentValueText(const std::vector<std::uint16_t>& items) const override;

private:
    QString originalText() const;
    void showRegisters();

    RowType m_type;
    QLineEdit* m_value = nullptr;
    QLabel* m_registers = nullptr;
    std::vector<std::uint16_t> m_words;  // what Send loads
};

}  // namespace zentiq
