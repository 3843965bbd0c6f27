#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>

#include "app/child_frame.h"
#include "app/frame_placement.h"
#include "framework/contrast.h"
#include "framework/settings_store.h"
#include "app/connection_controller.h"
#include "app/connection_set.h"
#include "app/document_manager.h"
#include "app/zentiq_app.h"
#include "documents/zentiq_doc.h"
#include "grid/grid_ctrl.h"
#include "grid/grid_types.h"
#include "resources/menus.h"
#include "resources/strings.h"

namespace zentiq {
namespace {

const char* const kKindProperty = "zentiqMenuKind";
const char* const kDynamicProperty = "zentiqDynamic";
constexpr int kMaxStoredSize = 32767;

bool isGridCommand(int id) {
    return id == cmd::EditCopy || id == cmd::EditCut || id == cmd::EditPaste ||
           id == cmd::EditSelectAll;
}

// A small square icon with a label, for commands no standard icon fits.
QIcon labelIcon(const QString& label, const QColor& colour) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(160));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(label.size() > 2 ? 10 : 14);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, label);
    return QIcon(pixmap);
}

// A style's black glyph (stop, help) drawn in the text colour on a dark
// palette, where black would vanish; unchanged on a light one.
QIcon glyphIcon(const QIcon& icon) {
    const QPalette palette = QApplication::palette();
    if (IsLightColour(palette.color(QPalette::Window)))
        return icon;
    QPixmap pixmap = icon.pixmap(32, 32);
    QPainter p(&pixmap);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(pixmap.rect(), palette.color(QPalette::WindowText));
    return QIcon(pixmap);
}

QIcon commandIcon(int id, QStyle* style) {
    switch (id) {
    case cmd::FileNew: return style->standardIcon(QStyle::SP_FileIcon);
    case cmd::FileOpen: return style->standardIcon(QStyle::SP_DialogOpenButton);
    case cmd::FileSave: return style->standardIcon(QStyle::SP_DialogSaveButton);
    case cmd::FilePrint: return labelIcon(QStringLiteral("P"), QColor(90, 90, 90));
    case cmd::ClearCounters: return labelIcon(QStringLiteral("0"), QColor(170, 60, 60));
    case cmd::PollDefinition: return labelIcon(QStringLiteral("R/W"), QColor(40, 110, 170));
    case cmd::Disconnect: return glyphIcon(style->standardIcon(QStyle::SP_MediaStop));
    case cmd::QuickConnect: return glyphIcon(style->standardIcon(QStyle::SP_MediaPlay));
    case cmd::ReadOnce: return labelIcon(QStringLiteral("1x"), QColor(40, 140, 90));
    case cmd::WriteSingleCoil: return labelIcon(QStringLiteral("05"), QColor(150, 100, 30));
    case cmd::WriteSingleRegister: return labelIcon(QStringLiteral("06"), QColor(150, 100, 30));
    case cmd::WriteMultipleCoils: return labelIcon(QStringLiteral("15"), QColor(150, 100, 30));
    case cmd::WriteMultipleRegisters: return labelIcon(QStringLiteral("16"), QColor(150, 100, 30));
    case cmd::MaskWrite: return labelIcon(QStringLiteral("22"), QColor(150, 100, 30));
    case cmd::ReadWriteRegisters: return labelIcon(QStringLiteral("23"), QColor(150, 100, 30));
    case cmd::TrafficMonitor: return style->standardIcon(QStyle::SP_ComputerIcon);
    case cmd::AppAbout: return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case cmd::ContextHelp:
        return glyphIcon(style->standardIcon(QStyle::SP_TitleBarContextHelpButton));
    default: return {};
    }
}

enum class ActionKind { Command, RecentPlaceholder, WindowListPlaceholder, ConnectionPlaceholder };

}  // namespace

CMainFrame::CMainFrame(SettingsStore* store, QWidget* parent)
    : QMainWindow(parent), m_store(store) {
    if (m_store == nullptr) {
        m_ownStore = std::make_unique<SettingsStore>();
        m_store = m_ownStore.get();
    }
    setWindowTitle(LoadString(ids::AppTitle));
    // The application's icon, which the poll windows show too.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(labelIcon(QStringLiteral("Zq"), QColor(40, 110, 170)));
    m_alwaysOnTop = m_store->GetInt(QStringLiteral("View"), QStringLiteral("AlwaysOnTop"), 0) != 0;
    setWindowFlag(Qt::WindowStaysOnTopHint, m_alwaysOnTop);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] {
        switchMenus();
        updateTitle();
    });

    buildMenus();
    buildToolBar();
    buildStatusBar();
    buildAccelerators();
    setDockNestingEnabled(true);
    setAcceptDrops(true);
    switchMenus();

    // Last, once the bars have their sizes: the stored outer rectangle, when it is a usable one; otherwise the
    // window system places the frame.
    const int cx = m_store->GetInt(QStringLiteral("Position"), QStringLiteral("Cx"), 0);
    const int cy = m_store->GetInt(QStringLiteral("Position"), QStringLiteral("Cy"), 0);
    const int x = m_store->GetInt(QStringLiteral("Position"), QStringLiteral("x"), 0);
    const int y = m_store->GetInt(QStringLiteral("Position"), QStringLiteral("y"), 0);
    if (cx > 0 && cy > 0 && cx <= kMaxStoredSize && cy <= kMaxStoredSize) {
        resize(cx, cy);
        const QRect wanted(x, y, cx, cy);
        bool onScreen = false;
        for (const QScreen* screen : QGuiApplication::screens())
            onScreen = onScreen || screen->availableGeometry().intersects(wanted);
        if (onScreen)
            move(x, y);
        m_storedOuterSize = QSize(cx, cy);
        m_placementFixPending = true;
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        resize(screen->availableSize() * 2 / 3);
    }

    m_idleTimer = new QTimer(this);
    m_idleTimer->setInterval(kIdleUpdateMs);
    connect(m_idleTimer, &QTimer::timeout, this, &CMainFrame::UpdateIdle);
    m_idleTimer->start();
    UpdateIdle();
}

CMainFrame::~CMainFrame() {
    storePosition();
    // Child frames (closed ones waiting for deletion too) go before the rest
    // of the frame: each view releases its engine slot, each document stores
    // its application-wide values.
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList())
        delete sub;
    while (!m_clientFrames.isEmpty())
        delete m_clientFrames.takeLast();
}

// ---- building ---------------------------------------------------------------------------------

QAction* CMainFrame::makeAction(int id, const QString& text, QObject* parent) {
    auto* action = new QAction(text, parent);
    action->setData(id);
    action->setStatusTip(CommandName(id));
    action->setProperty(kKindProperty, static_cast<int>(ActionKind::Command));
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    return action;
}

QList<QMenu*> CMainFrame::buildMenuBar(bool withDocuments) {
    const std::span<const MenuEntry> table =
        withDocuments ? MenuWithDocuments() : MenuWithoutDocuments();
    QList<QMenu*> tops;
    QList<QMenu*> stack;
    for (const MenuEntry& e : table) {
        switch (e.kind) {
        case MenuEntry::Kind::Popup: {
            auto* menu = new QMenu(MenuString(e.text),
                                   stack.isEmpty() ? static_cast<QWidget*>(this) : stack.last());
            connect(menu, &QMenu::aboutToShow, this, [this, menu] { updateMenu(menu); });
            if (stack.isEmpty())
                tops << menu;
            else
                stack.last()->addMenu(menu);
            stack << menu;
            break;
        }
        case MenuEntry::Kind::End:
            if (!stack.isEmpty())
                stack.removeLast();
            break;
        case MenuEntry::Kind::Separator:
            if (!stack.isEmpty())
                stack.last()->addSeparator();
            break;
        case MenuEntry::Kind::Command:
            if (!stack.isEmpty()) {
                QAction* action = makeAction(e.id, MenuString(e.text), stack.last());
                if (IsRadioCommand(e.id)) {
                    // One exclusive group per menu, drawn as radio items.
                    auto* group = stack.last()->findChild<QActionGroup*>(
                        QString(), Qt::FindDirectChildrenOnly);
                    if (group == nullptr)
                        group = new QActionGroup(stack.last());
                    action->setCheckable(true);
                    group->addAction(action);
                }
                stack.last()->addAction(action);
            }
            break;
        case MenuEntry::Kind::RecentFiles:
            if (!stack.isEmpty()) {
                auto* placeholder = new QAction(MenuString(e.text), stack.last());
                placeholder->setEnabled(false);
                placeholder->setProperty(kKindProperty,
                                         static_cast<int>(ActionKind::RecentPlaceholder));
                stack.last()->addAction(placeholder);
            }
            break;
        case MenuEntry::Kind::WindowList:
            if (!stack.isEmpty()) {
                auto* placeholder = stack.last()->addSeparator();
                placeholder->setProperty(kKindProperty,
                                         static_cast<int>(ActionKind::WindowListPlaceholder));
            }
            break;
        case MenuEntry::Kind::ConnectionList:
            if (!stack.isEmpty()) {
                // Invisible: the connections go in front of it.
                auto* placeholder = new QAction(stack.last());
                placeholder->setVisible(false);
                placeholder->setProperty(kKindProperty,
                                         static_cast<int>(ActionKind::ConnectionPlaceholder));
                stack.last()->addAction(placeholder);
            }
            break;
        }
    }
    return tops;
}

void CMainFrame::buildMenus() {
    m_menusWithout = buildMenuBar(false);
    m_menusWith = buildMenuBar(true);
}

void CMainFrame::buildToolBar() {
    m_toolBar = new QToolBar(tr("工具栏"), this);
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setMovable(true);
    m_toolBar->setIconSize(QSize(20, 20));
    for (int id : ToolbarButtons()) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = makeAction(id, CommandName(id), m_toolBar);
        action->setIcon(commandIcon(id, style()));
        action->setToolTip(CommandName(id));
        m_toolBar->addAction(action);
        m_toolBarActions << action;
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setMinimumWidth(kMessagePaneMinWidth + kCommPaneWidth);
    m_commPane = new QLabel(LoadString(ids::CommPane), bar);
    m_commPane->setObjectName(QStringLiteral("commPane"));
    // At least the pane's usual width, wider when the text needs it
    // ("127.0.0.1: 22673 (RTU)").
    m_commPane->setMinimumWidth(kCommPaneWidth);
    m_commPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(m_commPane);
}

void CMainFrame::buildAccelerators() {
    for (const Accelerator& a : Accelerators()) {
        QAction* action = makeAction(a.id, CommandName(a.id), this);
        action->setShortcut(QKeySequence(QString::fromLatin1(a.keys), QKeySequence::PortableText));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setObjectName(QStringLiteral("accelerator_%1").arg(a.id));
        addAction(action);
    }
}

// ---- menus ------------------------------------------------------------------------------------

QList<QMenu*> CMainFrame::TopMenus() const {
    return m_showsDocumentMenu ? m_menusWith : m_menusWithout;
}

void CMainFrame::switchMenus() {
    const bool withDocuments = !ChildFrames().isEmpty();
    if (withDocuments == m_showsDocumentMenu && !menuBar()->actions().isEmpty())
        return;
    m_showsDocumentMenu = withDocuments;
    menuBar()->clear();
    for (QMenu* menu : TopMenus())
        menuBar()->addMenu(menu);
}

void CMainFrame::updateMenu(QMenu* menu) {
    QAction* recentPlaceholder = nullptr;
    QAction* windowPlaceholder = nullptr;
    QAction* connectionPlaceholder = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->menu() != nullptr || action->property(kDynamicProperty).isValid())
            continue;
        const int kind = action->property(kKindProperty).toInt();
        if (kind == static_cast<int>(ActionKind::RecentPlaceholder)) {
            recentPlaceholder = action;
            continue;
        }
        if (kind == static_cast<int>(ActionKind::WindowListPlaceholder)) {
            windowPlaceholder = action;
            continue;
        }
        if (kind == static_cast<int>(ActionKind::ConnectionPlaceholder)) {
            connectionPlaceholder = action;
            continue;
        }
        const int id = CommandIdOf(action);
        if (id < 0)
            continue;
        const CommandState state = QueryCommand(id);
        action->setEnabled(state.enabled);
        if (state.checked || action->isCheckable()) {
            action->setCheckable(true);
            action->setChecked(state.checked);
        }
    }
    // The lists replace their entries, so they come after the loop above.
    if (recentPlaceholder != nullptr)
        fillRecentFiles(menu, recentPlaceholder);
    if (windowPlaceholder != nullptr)
        fillWindowList(menu, windowPlaceholder);
    if (connectionPlaceholder != nullptr)
        fillConnectionList(menu, connectionPlaceholder);
}

void CMainFrame::fillConnectionList(QMenu* menu, QAction* placeholder) {
    for (QAction* old : menu->actions())
        if (old->property(kDynamicProperty).toString() == QLatin1String("connection"))
            delete old;
    const CZentiqApp* app = CZentiqApp::instance();
    if (app == nullptr)
        return;
    const ConnectionSet& connections = app->Connections();
    for (int i = 0; i < connections.Count(); ++i) {
        QString text = connections.MenuText(i);
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = makeAction(cmd::ConnectionFirst + i,
                                     i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(text) : text,
                                     menu);
        action->setCheckable(true);
        action->setChecked(i == connections.CurrentIndex());
        action->setProperty(kDynamicProperty, QStringLiteral("connection"));
        menu->insertAction(placeholder, action);
    }
}

void CMainFrame::fillRecentFiles(QMenu* menu, QAction* placeholder) {
    for (QAction* old : menu->actions())
        if (old->property(kDynamicProperty).toString() == QLatin1String("recent"))
            delete old;
    const CZentiqApp* app = CZentiqApp::instance();
    const QStringList files = app != nullptr ? app->DocManager().RecentFiles() : QStringList();
    placeholder->setVisible(files.isEmpty());
    for (int i = 0; i < files.size() && i < DocumentManager::kRecentFileCount; ++i) {
        const int id = cmd::RecentFileFirst + i;
        QString shown = QDir::toNativeSeparators(files[i]);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = makeAction(id, QStringLiteral("&%1 %2").arg(i + 1).arg(shown), menu);
        action->setStatusTip(files[i]);
        action->setProperty(kDynamicProperty, QStringLiteral("recent"));
        menu->insertAction(placeholder, action);
    }
}

void CMainFrame::fillWindowList(QMenu* menu, QAction* placeholder) {
    for (QAction* old : menu->actions())
        if (old->property(kDynamicProperty).toString() == QLatin1String("window"))
            delete old;
    const QList<CChildFrame*> frames = ChildFrames();
    placeholder->setVisible(!frames.isEmpty());
    CChildFrame* active = ActiveChildFrame();
    for (int i = 0; i < frames.size(); ++i) {
        QPointer<CChildFrame> frame = frames[i];
        QString title = frame->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action =
            new QAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : title, menu);
        action->setData(cmd::WindowListFirst + i);
        action->setCheckable(true);
        action->setChecked(frame == active);
        action->setProperty(kDynamicProperty, QStringLiteral("window"));
        connect(action, &QAction::triggered, this, [this, frame] {
            if (frame != nullptr) {
                if (frame->isMinimized())
                    frame->showNormal();
                m_mdiArea->setActiveSubWindow(frame);
            }
        });
        menu->addAction(action);
    }
}

// ---- routing ----------------------------------------------------------------------------------

int CMainFrame::CommandIdOf(const QObject* action) {
    const auto* a = qobject_cast<const QAction*>(action);
    if (a == nullptr || !a->data().isValid())
        return -1;
    bool ok = false;
    const int id = a->data().toInt(&ok);
    return ok ? id : -1;
}

CChildFrame* CMainFrame::ActiveChildFrame() const {
    auto* frame = qobject_cast<CChildFrame*>(m_mdiArea->currentSubWindow());
    if (frame != nullptr && ChildFrames().contains(frame))
        return frame;
    // Before the area has made one current (no activation yet), the last one opened.
    const QList<CChildFrame*> frames = ChildFrames();
    return frames.isEmpty() ? nullptr : frames.last();
}

QList<CChildFrame*> CMainFrame::areaFrames() const {
    QList<CChildFrame*> frames;
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        auto* frame = qobject_cast<CChildFrame*>(sub);
        if (frame != nullptr && !frame->IsClosed())
            frames << frame;
    }
    return frames;
}

QList<CChildFrame*> CMainFrame::AllChildFrames() const {
    QList<CChildFrame*> frames = areaFrames();
    for (CChildFrame* frame : m_clientFrames)
        if (!frame->IsClosed())
            frames << frame;
    return frames;
}

QList<CChildFrame*> CMainFrame::ChildFrames() const {
    // The clients' hidden frames are never in the area: the menus and the
    // toolbar, which ask for these all the time, do not see them at all.
    QList<CChildFrame*> frames = areaFrames();
    frames.removeIf([](const CChildFrame* frame) { return frame->OwnedByClient(); });
    return frames;
}

void CMainFrame::AddClientFrame(CChildFrame* frame) {
    frame->setParent(this);  // a child widget, no window of its own
    frame->hide();           // explicitly: it stays hidden when the main frame shows
    m_clientFrames << frame;
    connect(frame, &QObject::destroyed, this, [this, frame] { m_clientFrames.removeOne(frame); });
    if (CZentiqDoc* doc = frame->Document()) {
        connect(doc, &CZentiqDoc::ownedByClientChanged, frame, [this, frame](bool owned) {
            if (!owned && m_clientFrames.removeOne(frame))
                AddChildFrame(frame);
        });
    }
}

void CMainFrame::AddChildFrame(CChildFrame* frame) {
    m_mdiArea->addSubWindow(frame);
    connect(frame, &QObject::destroyed, this, [this] {
        // The frame is half gone here; look again once it has left the area.
        QTimer::singleShot(0, this, [this] {
            switchMenus();
            updateTitle();
        });
    });
    connect(frame, &QWidget::windowTitleChanged, this, [this] { updateTitle(); });
    switchMenus();
}

QList<CommandTarget*> CMainFrame::routeTargets() const {
    QList<CommandTarget*> targets;
    if (CChildFrame* frame = ActiveChildFrame()) {
        if (auto* view = dynamic_cast<CommandTarget*>(frame->View()))
            targets << view;
        if (CZentiqDoc* doc = frame->Document())
            targets << doc;
        targets << frame;
    }
    targets << const_cast<CMainFrame*>(this);
    if (CZentiqApp* app = CZentiqApp::instance())
        targets << app;
    return targets;
}

CommandState CMainFrame::QueryCommand(int id) {
    CommandState state;
    if (isGridCommand(id)) {
        CChildFrame* frame = ActiveChildFrame();
        CGridCtrl* grid =
            frame != nullptr && frame->Document() != nullptr ? frame->Document()->Grid() : nullptr;
        if (grid != nullptr) {
            bool enabled = false;
            grid->OnUpdateCommand(id, enabled);
            state.enabled = enabled;
            state.handled = true;
            return state;
        }
    }
    for (CommandTarget* target : routeTargets()) {
        CommandState answer;
        if (target->OnUpdateCommand(id, answer)) {
            answer.handled = true;
            return answer;
        }
    }
    // Nobody handles it: disabled, as the framework does for commands without a handler.
    state.enabled = false;
    return state;
}

bool CMainFrame::ExecuteCommand(int id) {
    if (m_commandFilter && m_commandFilter(id))
        return true;
    if (!QueryCommand(id).enabled)
        return false;
    if (isGridCommand(id)) {
        CChildFrame* frame = ActiveChildFrame();
        CGridCtrl* grid =
            frame != nullptr && frame->Document() != nullptr ? frame->Document()->Grid() : nullptr;
        if (grid != nullptr && grid->OnCommand(id))
            return true;
    }
    // Targets may close windows while handling; keep them guarded.
    QList<QPointer<QObject>> guards;
    const QList<CommandTarget*> targets = routeTargets();
    for (CommandTarget* target : targets)
        guards << dynamic_cast<QObject*>(target);
    for (int i = 0; i < targets.size(); ++i) {
        if (guards[i] == nullptr)
            continue;
        if (targets[i]->OnCommand(id))
            return true;
    }
    return false;
}

void CMainFrame::UpdateIdle() {
    for (QAction* action : m_toolBarActions) {
        const CommandState state = QueryCommand(CommandIdOf(action));
        action->setEnabled(state.enabled);
        if (state.checked || action->isCheckable()) {
            action->setCheckable(true);
            action->setChecked(state.checked);
        }
    }
    if (const CZentiqApp* app = CZentiqApp::instance())
        m_commPane->setText(app->Connections().PaneText());
    updateTitle();
}

void CMainFrame::updateTitle() {
    const QString app = LoadString(ids::AppTitle);
    CChildFrame* frame = ActiveChildFrame();
    if (frame != nullptr && frame->isMaximized())
        return;  // the MDI area shows the maximised window's name itself
    const QString title = frame != nullptr && !frame->windowTitle().isEmpty()
                              ? app + QStringLiteral(" - ") + frame->windowTitle()
                              : app;
    if (windowTitle() != title)
        setWindowTitle(title);
}

// ---- the frame's own commands -----------------------------------------------------------------

bool CMainFrame::OnCommand(int id) {
    switch (id) {
    case cmd::AlwaysOnTop: setAlwaysOnTop(!m_alwaysOnTop); return true;
    case cmd::ViewToolbar: m_toolBar->setVisible(!m_toolBar->isVisible()); return true;
    case cmd::ViewStatusBar: statusBar()->setVisible(!statusBar()->isVisible()); return true;
    case cmd::WindowCascade: m_mdiArea->cascadeSubWindows(); return true;
    case cmd::WindowTile: m_mdiArea->tileSubWindows(); return true;
    case cmd::WindowArrange: arrangeIcons(); return true;
    case cmd::ContextHelp: QWhatsThis::enterWhatsThisMode(); return true;
    default: return false;
    }
}

bool CMainFrame::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
    case cmd::AlwaysOnTop: state.checked = m_alwaysOnTop; return true;
    case cmd::ViewToolbar: state.checked = !m_toolBar->isHidden(); return true;
    case cmd::ViewStatusBar: state.checked = !statusBar()->isHidden(); return true;
    case cmd::WindowCascade:
    case cmd::WindowTile:
    case cmd::WindowArrange: state.enabled = !ChildFrames().isEmpty(); return true;
    case cmd::ContextHelp: return true;
    default: return false;
    }
}

void CMainFrame::arrangeIcons() {
    // Minimised windows in a row along the bottom of the client area.
    int x = 0;
    for (CChildFrame* frame : ChildFrames()) {
        if (!frame->isMinimized())
            continue;
        const QSize size = frame->size();
        if (x > 0 && x + size.width() > m_mdiArea->viewport()->width())
            x = 0;
        frame->move(x, m_mdiArea->viewport()->height() - size.height());
        x += size.width();
    }
}

void CMainFrame::setAlwaysOnTop(bool on) {
    m_alwaysOnTop = on;
    m_store->SetInt(QStringLiteral("View"), QStringLiteral("AlwaysOnTop"), on ? 1 : 0);
    m_store->Sync();
    applyAlwaysOnTop();
}

void CMainFrame::applyAlwaysOnTop() {
    const bool has = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (has == m_alwaysOnTop)
        return;
    // Changing the flags re-creates the native window: keep where it was.
    const QRect where = geometry();
    const bool visible = isVisible();
    const Qt::WindowStates states = windowState();
    setWindowFlag(Qt::WindowStaysOnTopHint, m_alwaysOnTop);
    if (visible) {
        if (!(states & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
            setGeometry(where);
        setWindowState(states);
        show();
    }
}

// ---- position ---------------------------------------------------------------------------------

void CMainFrame::storePosition() {
    if (isMinimized() || isMaximized() || isFullScreen())
        return;
    const QRect outer = frameGeometry();
    if (outer.width() <= 0 || outer.height() <= 0)
        return;
    m_store->SetInt(QStringLiteral("Position"), QStringLiteral("Cx"), outer.width());
    m_store->SetInt(QStringLiteral("Position"), QStringLiteral("Cy"), outer.height());
    m_store->SetInt(QStringLiteral("Position"), QStringLiteral("x"), outer.x());
    m_store->SetInt(QStringLiteral("Position"), QStringLiteral("y"), outer.y());
    m_store->Sync();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != m_alwaysOnTop)
        QTimer::singleShot(0, this, [this] { applyAlwaysOnTop(); });
    if (m_placementFixPending) {
        m_placementFixPending = false;
        // The stored size is the outer one; once the window system has added
        // its decoration, take that back off so that the size does not creep.
        QTimer::singleShot(0, this, [this] {
            const QSize decoration = frameGeometry().size() - size();
            if (!isMaximized() && !isMinimized() && decoration.width() > 0 &&
                decoration.height() > 0)
                resize(m_storedOuterSize - decoration);
        });
    }
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        updateTitle();
    // The language is usually switched from one of the menus that are about
    // to be replaced: rebuild them once that menu has closed.
    if (event->type() == QEvent::LanguageChange && !m_retranslatePending) {
        m_retranslatePending = true;
        QMetaObject::invokeMethod(this, &CMainFrame::retranslate, Qt::QueuedConnection);
    }
}

void CMainFrame::retranslate() {
    m_retranslatePending = false;
    const QList<QMenu*> old = m_menusWithout + m_menusWith;
    menuBar()->clear();
    buildMenus();
    m_showsDocumentMenu = ChildFrames().isEmpty();  // forces switchMenus to fill the bar
    switchMenus();
    for (QMenu* menu : old)
        menu->deleteLater();
    m_toolBar->setWindowTitle(tr("工具栏"));
    for (QAction* action : m_toolBarActions) {
        const QString name = CommandName(CommandIdOf(action));
        action->setText(name);
        action->setToolTip(name);
        action->setStatusTip(name);
    }
    for (QAction* action : actions())
        if (const int id = CommandIdOf(action); id >= 0)
            action->setStatusTip(CommandName(id));
    m_commPane->setText(LoadString(ids::CommPane));
    UpdateIdle();
}

// ---- closing ----------------------------------------------------------------------------------

bool CMainFrame::ApplyPlacement(const WindowPlacement& placement) {
    // A placement saved on a monitor that is gone must still be seen.
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    return frame_placement::Apply(*this, frame_placement::ClampToScreens(placement, screens));
}

WindowPlacement CMainFrame::CurrentPlacement() const {
    return frame_placement::Take(*this,
                                 (isMinimized() || isMaximized()) ? normalGeometry() : geometry());
}

bool CMainFrame::SaveAllModified() {
    for (CChildFrame* frame : ChildFrames())
        if (frame->Document() != nullptr && !frame->Document()->SaveModified())
            return false;
    return true;
}

void CMainFrame::CloseAllDocuments() {
    for (CChildFrame* frame : ChildFrames())
        frame->CloseWithoutAsking();
    switchMenus();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!SaveAllModified()) {
        event->ignore();
        return;
    }
    CloseAllDocuments();
    storePosition();
    event->accept();
    emit frameClosed();
}

// ---- dropped files ----------------------------------------------------------------------------

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
    }
    QMainWindow::dragEnterEvent(event);
}

void CMainFrame::dropEvent(QDropEvent* event) {
    CZentiqApp* app = CZentiqApp::instance();
    if (app == nullptr || !event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    activateWindow();
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            app->DocManager().OpenByName(url.toLocalFile());
}

}  // namespace zentiq
