#include "writes/mb_write_register_bin.h"

#include <QCheckBox>

#include "framework/dialog_data_exchange.h"
#include "engine/engine.h"
#include "resources/strings.h"
#include "ui_mb_write_register_bin.h"

namespace zentiq {

CMBWriteRegisterBin::CMBWriteRegisterBin(QWidget* parent)
    : SingleWriteDialog(parent), m_ui(std::make_unique<Ui::CMBWriteRegisterBin>()) {
    m_ui->setupUi(this);
    bindCommon({m_ui->slaveEdit, m_ui->addressEdit, m_ui->sendButton, m_ui->cancelButton,
                m_ui->resultText, m_ui->closeOnSuccessCheck});
    m_bits = {m_ui->bit0Check,  m_ui->bit1Check,  m_ui->bit2Check,  m_ui->bit3Check,
              m_ui->bit4Check,  m_ui->bit5Check,  m_ui->bit6Check,  m_ui->bit7Check,
              m_ui->bit8Check,  m_ui->bit9Check,  m_ui->bit10Check, m_ui->bit11Check,
              m_ui->bit12Check, m_ui->bit13Check, m_ui->bit14Check, m_ui->bit15Check};
}

CMBWriteRegisterBin::~CMBWriteRegisterBin() = default;

void CMBWriteRegisterBin::exchangeValues(DialogDataExchange& dx) {
    std::uint16_t word = 0;
    for (int bit = 0; bit < 16; ++bit) {
        int set = (value >> bit) & 1;
        dx.Check(BitBox(bit), set);
        word = static_cast<std::uint16_t>(word | (set << bit));
    }
    if (dx.fromControls())
        value = word;
    dx.Radio({m_ui->singleFunctionRadio, m_ui->multipleFunctionRadio}, presetSingle);
}

void CMBWriteRegisterBin::showNoConnection() {
    DialogDataExchange::ShowWarning(this, LoadString(ids::NoConnection));
}

OneShotArgs CMBWriteRegisterBin::request() const {
    OneShotArgs args;
    args.function = presetSingle == 1 ? 16 : 6;
    return args;
}

int CMBWriteRegisterBin::loadData() const { return SetWriteRegisters(0, 1, &value); }

}  // namespace zentiq
