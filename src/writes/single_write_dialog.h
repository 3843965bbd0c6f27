// What the single-value write dialogs share: the slave and address fields,
// Send with its validation and connection check, one request through slot
// 0 at a time, and the result text with the close-on-success choice.
//
// A dialog derives from this, builds its controls from its .ui file, hands
// the shared ones to bindCommon() and supplies its value fields, its request
// and the data it loads into slot 0.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "documents/polled_value_lookup.h"
#include "framework/one_shot_request.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zentiq {

class CurrentValueWatch;
class DialogDataExchange;

// A typed-key code of the data view: -1 none, -2 the minus key, 0..15 a
// digit already put into the value.
inline constexpr int kNoTypedKey = -1;
inline constexpr int kTypedMinus = -2;

class SingleWriteDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kAddressMax = 65535;
    static constexpr int kSlaveMax = 255;

    // Members the opener sets before the dialog runs. address is as the user
    // sees it: the protocol address plus addressBase (0 or 1).
    int slaveId = 1;
    int address = 0;
    int addressBase = 0;
    int closeOnSuccess = 0;

    // The connection Send writes to and whose poll windows give the current
    // value: the document's, the default line until set.
    void SetLine(ModbusLine& line);
    ModbusLine& Line() const { return *m_line; }

    // Takes the fields back with validation (fromControls) or shows the
    // members; false when a field failed (its message shown, focus on it).
    bool UpdateData(bool fromControls);

    // Send ("发送"): validate, check the connection, submit and load.
    void OnSend();
    // The engine's status of this dialog's own request.
    void OnResult(int code);

    bool IsPending() const { return m_request.IsPending(); }
    void setVisible(bool visible) override;
    QString ResultText() const;
    // "当前值: ..." beside the value: what a poll window last read at the
    // slave and address of the fields, in the dialog's form.
    QString CurrentValueText() const;

protected:
    explicit SingleWriteDialog(QWidget* parent);

    struct CommonControls {
        QLineEdit* slaveEdit = nullptr;
        QLineEdit* addressEdit = nullptr;
        QPushButton* sendButton = nullptr;
        QPushButton* cancelButton = nullptr;
        QLabel* resultText = nullptr;
        QCheckBox* closeOnSuccessCheck = nullptr;
        QLabel* currentValue = nullptr;
    };
    // Connects Send and Cancel; call once after setupUi.
    void bindCommon(const CommonControls& controls);

    // Members into the controls on the first show, then firstDisplay().
    void showEvent(QShowEvent* event) override;
    // Hides the fields of other formats; returns the value field that takes
    // the focus and the typed key (nullptr: none).
    virtual QLineEdit* firstDisplay() { return nullptr; }
    // The data view's typed-key code the dialog was opened with.
    virtual int typedKeyCode() const { return kNoTypedKey; }

    // The dialog's own fields, exchanged after the address and slave checks.
    virtual void exchangeValues(DialogDataExchange& dx) = 0;
    // Checks that need the exchanged members (the hex field); false stops Send.
    virtual bool afterExchange() { return true; }
    // The coil dialog refuses a missing connection before it validates.
    virtual bool checksConnectionFirst() const { return false; }
    virtual void showNoConnection();
    // The request (write address and write quantity 1 filled in by the base).
    virtual OneShotArgs request() const = 0;
    // Loads the value into slot 0; runs only after slot 0 took the request.
    // Returns the write-data operation's result.
    virtual int loadData(ModbusLine& line) const = 0;

    void setResultText(const QString& text);

    // The table the dialog writes and how many registers its value covers.
    virtual PollTable writtenTable() const { return PollTable::HoldingRegisters; }
    virtual int writtenItems() const { return 1; }
    // The value read in the dialog's form, from writtenItems() items.
    virtual QString currentValueText(const std::vector<std::uint16_t>& items) const = 0;
    // The fields changed what writtenItems() or the form are.
    void followFields();

private:
    bool connected();
    // The block the slave and address fields name as typed, none while they
    // name none.
    std::optional<PolledRange> fieldsRange() const;
    void showCurrentValue();

    CommonControls m_common;
    OneShotRequest m_request;
    ModbusLine* m_line = &DefaultLine();
    CurrentValueWatch* m_current = nullptr;
    // The close-on-success choice of the pending request, as Send read it.
    bool m_closeOnThisResult = false;
    bool m_shown = false;
    // Gets focus and caret once the dialog is visible: showing a dialog
    // selects the whole text of its focus field.
    QLineEdit* m_firstField = nullptr;
};

// The first display of a value field for a typed-key code: focus, and all
// text selected (no key), "-" with the caret after it, or the caret at the
// end so that typing continues the number.
void FocusValueField(QLineEdit* edit, int typedKey);

}  // namespace zentiq
