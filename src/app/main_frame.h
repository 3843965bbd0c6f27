// The main frame: menu bar (one set without documents, one while poll
// windows are open), toolbar, status bar with the connection pane, the
// accelerators, and the MDI area in which every poll window lives. It also
// routes every command id: active view (its grid first), document, child
// frame, main frame, application.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <functional>

#include "documents/window_placement.h"
#include "framework/command_target.h"

class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;

namespace zentiq {

class CChildFrame;
class SettingsStore;

class CMainFrame : public QMainWindow, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kCommPaneWidth = 120;  // the connection pane's least width
    static constexpr int kMessagePaneMinWidth = 200;
    static constexpr int kIdleUpdateMs = 250;

    // Reads "View"/"AlwaysOnTop" and the stored position from `store`
    // (nullptr: the application's store).
    explicit CMainFrame(SettingsStore* store = nullptr, QWidget* parent = nullptr);
    // Stores the position unless minimised or maximised.
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_mdiArea; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QLabel* CommPane() const { return m_commPane; }
    bool AlwaysOnTop() const { return m_alwaysOnTop; }
    // The child frame that commands go to, nullptr without documents.
    CChildFrame* ActiveChildFrame() const;
    // The user's child frames in the order they were created: those of
    // documents that an automation client owns are not among them.
    QList<CChildFrame*> ChildFrames() const;
    // Every child frame, the clients' hidden ones included (after the
    // others).
    QList<CChildFrame*> AllChildFrames() const;
    void AddChildFrame(CChildFrame* frame);
    // A frame of a document that an automation client owns: kept hidden and
    // out of the MDI area (a client may hold hundreds, and the area, the
    // menus and the window list would pay for each on every step) until
    // the client hands its document to the user, then added as any other.
    void AddClientFrame(CChildFrame* frame);
    // The frame's own placement, as workspaces store it; false (and the
    // frame unchanged) for a placement that is no usable rectangle.
    bool ApplyPlacement(const WindowPlacement& placement);
    WindowPlacement CurrentPlacement() const;

    // Routes a command; false when nobody handled it or it is disabled.
    bool ExecuteCommand(int id);
    // The state the update rules give a command (disabled when nobody answers).
    CommandState QueryCommand(int id);

    // Runs the update rules of the toolbar, the title and the comm pane (the
    // idle timer does this too).
    void UpdateIdle();
    // Which menu bar is showing.
    bool ShowsDocumentMenu() const { return m_showsDocumentMenu; }
    // The top-level menus of the bar that is showing.
    QList<QMenu*> TopMenus() const;

    // Asks every document to save; false when one refused (nothing closed).
    bool SaveAllModified();
    // Closes every child frame of the user after SaveAllModified (or
    // unconditionally); the clients' documents stay.
    void CloseAllDocuments();

    // Tests see (and may swallow: return true) every command before it is routed.
    using CommandFilter = std::function<bool(int id)>;
    void SetCommandFilter(CommandFilter filter) { m_commandFilter = std::move(filter); }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // The QAction data() of a command (its id), -1 for none.
    static int CommandIdOf(const QObject* action);

signals:
    // The user closed the frame; the clients' documents may still be open.
    void frameClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    QList<QMenu*> buildMenuBar(bool withDocuments);
    void buildToolBar();
    void buildStatusBar();
    void buildAccelerators();
    void switchMenus();
    // Every text again from the tables, in the language now installed.
    void retranslate();
    void updateMenu(QMenu* menu);
    void fillRecentFiles(QMenu* menu, QAction* placeholder);
    void fillWindowList(QMenu* menu, QAction* placeholder);
    // The user's connections with their state; the current one checked.
    void fillConnectionList(QMenu* menu, QAction* placeholder);
    void updateTitle();
    void applyAlwaysOnTop();
    void setAlwaysOnTop(bool on);
    void arrangeIcons();
    void storePosition();
    QAction* makeAction(int id, const QString& text, QObject* parent);
    QList<CommandTarget*> routeTargets() const;
    QList<CChildFrame*> areaFrames() const;

    std::unique_ptr<SettingsStore> m_ownStore;
    SettingsStore* m_store;
    QMdiArea* m_mdiArea = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_commPane = nullptr;
    QTimer* m_idleTimer = nullptr;
    QList<CChildFrame*> m_clientFrames;  // hidden, in creation order
    QList<QMenu*> m_menusWithout;
    QList<QMenu*> m_menusWith;
    QList<QAction*> m_toolBarActions;
    bool m_showsDocumentMenu = false;
    bool m_retranslatePending = false;
    bool m_alwaysOnTop = false;
    bool m_placementFixPending = false;
    QSize m_storedOuterSize;
    CommandFilter m_commandFilter;
};

}  // namespace zentiq
