// "写线圈组": writes a block of coils with function 15. The coils are kept in
// a check list that can be saved to and loaded from a value-list file; beside
// each stands what a poll window last read of it.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>

#include "writes/write_block.h"

namespace Ui {
class CMBForceMultibleCoils;
}

namespace zentiq {

class CurrentValueWatch;
class ModbusLine;
class WriteSender;

class CMBForceMultibleCoils : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxQuantity = 1968;
    using Coils = std::array<std::uint8_t, 2000>;

    explicit CMBForceMultibleCoils(const WriteBlock& block, QWidget* parent = nullptr);
    ~CMBForceMultibleCoils() override;

    // One byte per coil, 1 = ON; the opener may fill it before the dialog shows.
    Coils& coils() { return m_coils; }
    const WriteBlock& block() const { return m_block; }
    const QString& fileName() const { return m_fileName; }
    bool IsPending() const;
    // The connection the dialog writes to (the document's; the default
    // line until set).
    void SetLine(ModbusLine& line);

    // Moves the fields into the controls or takes them back with validation.
    bool UpdateData(bool fromControls);
    void Send();
    void Open();
    void Save();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void rebuildList();
    void takeCheckMarks();
    // The watched block: the coils the lines name, at the slave typed.
    void followCoils();
    void showCurrent();

    std::unique_ptr<Ui::CMBForceMultibleCoils> m_ui;
    WriteSender* m_sender;
    CurrentValueWatch* m_current;
    WriteBlock m_block;
    Coils m_coils{};
    QString m_fileName = QStringLiteral("data");
    bool m_filling = false;
};

}  // namespace zentiq
