// "读写定义": edits the poll definition of one document with its display
// settings. Apply and read once act on the document at once, through
// handlers the document installs; OK hands the values back for the
// document's ApplyDefinition.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

#include "documents/poll_document_model.h"
#include "framework/connection_directory.h"

class QComboBox;

namespace Ui {
class CZentiqSetup;
}

namespace zentiq {

class CZentiqSetup : public QDialog {
    Q_OBJECT
public:
    static constexpr int kAddressMin = 0, kAddressMax = 65535;
    static constexpr int kLengthMin = 1, kLengthMax = 2000;
    static constexpr int kScanRateMin = 1, kScanRateMax = 60000;
    static constexpr int kSlaveMin = 1, kSlaveMax = 255;
    static constexpr int kFormatCount = 10;

    explicit CZentiqSetup(const DefinitionDialogValues& values, QWidget* parent = nullptr);
    ~CZentiqSetup() override;

    // The connection "读写仅一次" needs (the document's; the default line
    // until set).
    void SetLine(const ModbusLine& line) { m_line = &line; }

    // Offers a choice among `entries`, `current` chosen; without a call (or
    // with one connection) the dialog shows none.
    void SetConnections(const QList<ConnectionDirectory::Entry>& entries, int current);
    // The connection chosen; nullptr when the dialog offers no choice.
    ModbusLine* ChosenLine() const;

    // The values as last taken from the controls by a button (the opening
    // values before that).
    DefinitionDialogValues values() const { return m_values; }

    // Called with the validated values by "应用" and "读写仅一次".
    using Handler = std::function<void(const DefinitionDialogValues&)>;
    void setApplyHandler(Handler handler) { m_applyHandler = std::move(handler); }
    void setReadOnceHandler(Handler handler) { m_readOnceHandler = std::move(handler); }

    // Takes the values from the controls and validates them in the order of
    // the exchange, then the length for the function and the PLC address.
    bool UpdateData(bool fromControls);
    void accept() override;

    // Largest length of a function index (0..7) beyond the general limit.
    static int MaxLengthForIndex(int functionIndex);
    // Text of "Disable ... before read/write once".
    static QString ReadOnceWhileEnabledMessage();

    // ---- the document's side --------------------------------------------
    // The dialog's values for a document.
    static DefinitionDialogValues FromModel(const PollDocumentModel& model);
    enum class ActionResult {
        SameDefinition,  // read once: nothing to store, the slot polls once
        Redefined,       // definition stored and the slot registered anew
        Unsound,         // values the document cannot hold: nothing changed
        NoSlot,          // stored, but the engine granted no slot (out-of-slots message)
    };
    // "应用": the communication part of the values into the document
    // (address without the PLC offset, function, length, scan rate, slave,
    // enable), values zeroed, grid resized, slot registered anew with
    // `window`. The display settings, the PLC style included, wait for OK.
    static ActionResult ApplyToModel(PollDocumentModel& model, const DefinitionDialogValues& values,
                                     WindowHandle window);
    // "读写仅一次" on the document: polling switched off and the slot polls
    // once; a definition that differs from the document's is stored and
    // registered first, as Apply does.
    static ActionResult ReadOnceOnModel(PollDocumentModel& model,
                                        const DefinitionDialogValues& values, WindowHandle window);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onApply();
    void onReadOnce();
    void enableReadOnce();

    std::unique_ptr<Ui::CZentiqSetup> m_ui;
    DefinitionDialogValues m_values;
    Handler m_applyHandler;
    Handler m_readOnceHandler;
    const ModbusLine* m_line = &DefaultLine();
    QComboBox* m_connectionCombo = nullptr;
    QList<ModbusLine*> m_connectionLines;
};

}  // namespace zentiq
