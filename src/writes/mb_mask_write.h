// "写寄存器(AND,OR)": changes chosen bits of one holding register with
// function 22. The slave keeps the bits whose AND box is checked and sets
// those whose OR box is checked among the others.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>

#include "writes/bit_check_boxes.h"

namespace Ui {
class CMBMaskWrite;
}

namespace zentiq {

class ModbusLine;
class WriteSender;

class CMBMaskWrite : public QDialog {
    Q_OBJECT
public:
    CMBMaskWrite(int slaveId, int address, int base, QWidget* parent = nullptr);
    ~CMBMaskWrite() override;

    int slaveId() const { return m_slaveId; }
    int address() const { return m_address; }
    std::uint16_t andMask() const { return m_and.Value(); }
    std::uint16_t orMask() const { return m_or.Value(); }
    BitCheckBoxes& andBoxes() { return m_and; }
    BitCheckBoxes& orBoxes() { return m_or; }
    bool IsPending() const;
    // The connection the dialog writes to (the document's; the default
    // line until set).
    void SetLine(ModbusLine& line);

    bool UpdateData(bool fromControls);
    void Send();

private:
    std::unique_ptr<Ui::CMBMaskWrite> m_ui;
    WriteSender* m_sender;
    BitCheckBoxes m_and;
    BitCheckBoxes m_or;
    int m_slaveId;
    int m_address;
    int m_base;
};

}  // namespace zentiq
