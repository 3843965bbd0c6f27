// "23: 读写寄存器组 (...)": writes a block of registers and reads another in
// one request (function 23), in the document's display format. The values
// read are listed under "读取结果" after a good answer.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>

#include "writes/register_value_list.h"

namespace Ui {
class CMBReadWriteRegister;
}

namespace zentiq {

class ModbusLine;
class WriteSender;

struct ReadWriteBlock {
    int slaveId = 1;
    int writeAddress = 1;
    int writeQuantity = 10;
    int readAddress = 0;
    int readQuantity = 1;
    int base = 1;
};

class CMBReadWriteRegister : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxQuantity = 127;

    CMBReadWriteRegister(const ReadWriteBlock& block, int displayFormat, QWidget* parent = nullptr);
    ~CMBReadWriteRegister() override;

    static QString Caption(int displayFormat);

    RegisterValueList::Buffer& values() { return m_list->values(); }
    RegisterValueList& list() { return *m_list; }
    const RegisterValueList::Buffer& readValues() const { return m_readValues; }
    const ReadWriteBlock& block() const { return m_block; }
    bool IsPending() const;
    // The connection the dialog writes to (the document's; the default
    // line until set).
    void SetLine(ModbusLine& line);

    bool UpdateData(bool fromControls);
    void Send();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void onAnswered(int status);

    std::unique_ptr<Ui::CMBReadWriteRegister> m_ui;
    RegisterValueList* m_list;
    WriteSender* m_sender;
    ReadWriteBlock m_block;
    // The block the pending request reads, as it was sent.
    int m_sentReadAddress = 0;
    int m_sentReadQuantity = 0;
    int m_format;
    RegisterValueList::Buffer m_readValues{};
};

}  // namespace zentiq
