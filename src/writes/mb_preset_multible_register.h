// "16: 写寄存器组 (...)": writes a block of registers with function 16 from
// a value list in the document's display format.
#pragma once

#include <QDialog>
#include <memory>

#include "writes/register_value_list.h"
#include "writes/write_block.h"

namespace Ui {
class CMBPresetMultibleRegister;
}

namespace zentiq {

class ModbusLine;
class WriteSender;

class CMBPresetMultibleRegister : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxQuantity = 127;

    CMBPresetMultibleRegister(const WriteBlock& block, int displayFormat,
                              QWidget* parent = nullptr);
    ~CMBPresetMultibleRegister() override;

    // The caption of a display format 0..9 (the template's caption otherwise).
    static QString Caption(int displayFormat);

    RegisterValueList::Buffer& values() { return m_list->values(); }
    RegisterValueList& list() { return *m_list; }
    const WriteBlock& block() const { return m_block; }
    bool IsPending() const;
    // The connection the dialog writes to (the document's; the default
    // line until set).
    void SetLine(ModbusLine& line);

    bool UpdateData(bool fromControls);
    void Send();

protected:
    void showEvent(QShowEvent* e) override;

private:
    std::unique_ptr<Ui::CMBPresetMultibleRegister> m_ui;
    RegisterValueList* m_list;
    WriteSender* m_sender;
    WriteBlock m_block;
    int m_format;
};

}  // namespace zentiq
