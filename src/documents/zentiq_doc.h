// The poll document: one poll definition with its values, counters, display
// settings, grid and log, claiming one engine slot while its view lives and
// taking that slot's results itself.
#pragma once

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "framework/command_target.h"
#include "documents/poll_result_intake.h"
#include "documents/window_placement.h"
#include "engine/engine_types.h"
#include "values/row_type.h"
#include "resources/menus.h"  // the command ids the document answers

namespace zentiq {

class CGridCtrl;
class CZentiqSetup;
class DataLogger;
class ModbusLine;
class PollDocumentModel;
class PolledValuesCopy;
struct DefinitionDialogValues;

class CZentiqDoc : public QObject, public CommandTarget {
    Q_OBJECT
public:
    // Defaults come from the settings store; the grid is created here.
    explicit CZentiqDoc(QObject* parent = nullptr);
    ~CZentiqDoc() override;

    // A new, untitled document: named Zentiq1, Zentiq2, ... in order of
    // creation. A document that is neither opened nor given a title takes
    // its number the first time its title is asked for.
    bool OnNewDocument();
    // Loads a .zqd file; false (and *error) when it cannot be read. An
    // unknown version is not a failure: the document keeps its defaults
    // and the file's name as its title, but no path, so that a save asks
    // for a name instead of replacing the file.
    bool OnOpenDocument(const QString& path, QString* error);
    bool OnSaveDocument(const QString& path, QString* error);

    QString GetTitle() const;
    void SetTitle(const QString& title);
    QString GetPathName() const;
    void SetPathName(const QString& path);
    bool IsModified() const;
    void SetModifiedFlag(bool modified = true);
    // The closing check: asks "保存%1吗？" when modified; false = do not close.
    bool SaveModified();
    // Save (asks for a name when the document has none) / Save As.
    bool DoFileSave();
    bool DoSave(const QString& path, bool replace);

    // Control id of the document's grid.
    static constexpr int kGridControlId = 100;

    // The document's one view, which the child frame creates: it attaches
    // itself, says when it has done its initial update, and detaches as it
    // goes (which gives the slot back and takes the grid home). The
    // document tells it what changed through signals; the view parents the
    // document's dialogs.
    void AttachView(QWidget* view);
    void ViewInitialUpdateDone();
    void DetachView(QWidget* view);
    QWidget* View() const;
    CGridCtrl* Grid() const;
    PollDocumentModel& Model();
    const PollDocumentModel& Model() const;
    // Placement read from the file, for the child frame to apply.
    const WindowPlacement& LoadedPlacement() const;

    // The connection the document polls on (the default line until moved);
    // its dialogs, views and automation talk to the engine through it.
    ModbusLine& Line() const;
    // Moves the poll to `line`: the slot on the old line is freed and one
    // claimed on the new line; the values stay until the new line answers.
    // A refusal is told as RegisterWithEngine tells it; false then.
    bool SetLine(ModbusLine& line);
    // The same without telling anyone (an automation client learns it from
    // its call).
    bool SetLineQuietly(ModbusLine& line);

    // Claims a slot whose results this document takes; when refused, says
    // why (unless a client owns it) and the view shows NotPollingText()
    // until a later registration succeeds.
    bool RegisterWithEngine();
    // The same without telling anyone: for callers that report the outcome
    // their own way (an automation client learns it from the call).
    bool RegisterQuietly();
    // Why the window does not poll, for its status band; empty while it
    // holds a slot or was never refused one.
    QString NotPollingText() const;
    // The message box text for a refused registration.
    QString RefusalMessage() const;
    // A document that an automation client owns: its window stays hidden, so
    // no one is there to answer a message box (failures go unshown) and it
    // is never offered for saving. Window and workspace commands leave it
    // alone; showing it hands it to the user.
    void SetOwnedByClient(bool owned);
    bool OwnedByClient() const;
    void UpdateAndMarkModified();
    // Gives the rows at `addresses` (protocol addresses) the type `type`, or
    // takes their type away (nullopt: the display format again); the views
    // show it at once and the document is modified. Invalid types change
    // nothing and return false.
    bool SetRowTypes(const std::vector<int>& addresses, const std::optional<RowType>& type);
    // Replaces every row type (a register map imported, a file read).
    bool ReplaceRowTypes(const RowTypes& types);
    // Every view of the document rebuilds and refills its grid; the
    // modified flag is left alone.
    void UpdateAllViews();
    // Every view shows the values again: all of them, or only the changed.
    void RefreshValues(bool all);
    // A result of the document's slot (or of a one-off request made in its
    // name, slot 0) as the engine posts it to the document: taken into the
    // values and counters (see PollResultIntake) and logged, then told to
    // the views through resultTaken. A result of a slot the document no
    // longer holds changes nothing.
    TakenPollResult TakePollResult(EngineStatus status, int slot);
    // The connection opened or closed: values read before are stale, and
    // the views hear it through connectionChanged.
    void TakeConnectionChange();
    // Values read before are stale from now on.
    void MarkValuesStale();
    // The values as readers on other threads see them. Whatever changes the
    // values tells the views (UpdateAllViews, RefreshValues, a taken result)
    // or loads a file, and each of these brings the copy up to date.
    std::shared_ptr<const PolledValuesCopy> PolledValues() const;
    // Derives the grid geometry from the definition and sizes the grid.
    void ComputeGridSize();
    // The poll definition dialog's values after OK: stored, re-registered,
    // views updated, modified. Nothing happens when nothing changed.
    void ApplyDefinition(const DefinitionDialogValues& values);

    // The data log, which alone holds the logging options and state. Every
    // result the document takes goes to LogResult; lines are written only
    // while a log file is open.
    DataLogger& Logger();
    void LogResult(bool ok, const QString& statusText);
    // What became of the log's file (deleted and created again, or lost),
    // for the status band; empty when nothing or while not logging.
    QString LogNotice() const;

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // "Zentiq Files (*.zqd)", the filter of the open and save dialogs.
    static QString FileFilter();
    // The open-file dialog with that filter;
    // empty when cancelled.
    static QString AskOpenFileName(QWidget* parent);
    // The question of the closing check for this document.
    QString SaveQuestion() const;
    // The aliases of addresses the grid does not show now (the poll was
    // shrunk or moved), by protocol address. The document keeps them while
    // it is open and shows them again when the poll covers them; a .zqd
    // file can hold only the grid's.
    std::map<int, QString> AliasesOffGrid() const;

signals:
    void titleChanged(const QString& title);
    void modifiedChanged(bool modified);
    // The child frame's current placement is wanted (saving fills it).
    void placementRequested(WindowPlacement* placement);
    // For the views: rebuild and refill the grid (UpdateAllViews).
    void updateRequested();
    // For the views: show the values again (RefreshValues).
    void valuesChanged(bool all);
    // The values of the read poll turned stale or live again.
    void freshnessChanged();
    // A read poll's slot brought good values (taken by TakePollResult).
    void valuesRead();
    // A result the document took and logged, for the views' status band,
    // counters and redraws.
    void resultTaken(zentiq::EngineStatus status, int slot, const zentiq::TakenPollResult& taken);
    // The line's connection opened or closed (values already marked stale).
    void connectionChanged();
    // The document now polls on another line (SetLine).
    void lineChanged();
    // The document is going away before its view.
    void closing();
    // SetOwnedByClient changed the owner: the app gives a client's document
    // its place among the user's windows once the client hands it over.
    void ownedByClientChanged(bool owned);

private:
    // Refreshes the views after a registration and tells a refusal.
    bool reportRegistration(bool registered);
    // The handle under which `line` posts this document's results.
    WindowHandle resultsHandleOn(ModbusLine& line);
    // Frees the slot on the old line and claims one on `line`; whether it got one.
    bool moveToLine(ModbusLine& line);
    void sizeGrid();
    bool takeAliasesFromGrid();
    void putAliasesOnGrid();
    // Refreshes the copy readers on other threads use; `all`: also the
    // definition's and row types' part (they may have changed).
    void publishValues(bool all);
    void openSetupDialog();
    void setFormat(int format);
    void formatSelectedCells(int id);
    void afterDialogAction(int result);

    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace zentiq
