#include "app/child_frame.h"

#include <QCloseEvent>
#include <QIcon>

#include "display/zentiq_view.h"
#include "documents/zentiq_doc.h"
#include "resources/menus.h"

namespace zentiq {
namespace {

// Coordinates beyond this are no window position anyone can use.
constexpr qint32 kMaxCoordinate = 32767;

bool isMinimizedShowCommand(qint32 showCmd) {
    // The stored show commands that leave a window minimised.
    return showCmd == 2 || showCmd == 6 || showCmd == 7;
}

}  // namespace

CChildFrame::CChildFrame(CZentiqDoc* doc, QWidget* parent) : QMdiSubWindow(parent), m_doc(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("childFrame"));
    if (m_doc != nullptr) {
        CZentiqView* view = m_doc->CreateView(this);
        m_view = view;
        if (view != nullptr)
            setWidget(view);
        setWindowTitle(m_doc->GetTitle());
        connect(m_doc, &CZentiqDoc::titleChanged, this, [this](const QString& title) { setWindowTitle(title); });
        connect(m_doc, &CZentiqDoc::placementRequested, this, [this](WindowPlacement* placement) {
            if (placement != nullptr)
                *placement = CurrentPlacement();
        });
    }
    m_normalGeometry = geometry();
}

CChildFrame::~CChildFrame() {
    // The view first: it releases the document's engine slot as it goes.
    if (CZentiqView* view = m_view.data())
        delete view;
    delete m_doc;
}

QWidget* CChildFrame::View() const { return m_view.data(); }

void CChildFrame::InitialUpdateFrame() {
    if (m_view != nullptr && !m_view->InitialUpdateDone())
        m_view->OnInitialUpdate();
    if (!isVisible())
        show();
    if (m_view != nullptr)
        m_view->setFocus();
}

bool CChildFrame::ApplyPlacement(const WindowPlacement& placement) {
    if (placement.length != WindowPlacement::kRecordLength)
        return false;
    const qint64 width = qint64(placement.right) - placement.left;
    const qint64 height = qint64(placement.bottom) - placement.top;
    auto inRange = [](qint64 v) { return v >= -kMaxCoordinate && v <= kMaxCoordinate; };
    if (width <= 0 || height <= 0 || width > kMaxCoordinate || height > kMaxCoordinate ||
        !inRange(placement.left) || !inRange(placement.top))
        return false;
    const QRect normal(placement.left, placement.top, int(width), int(height));
    if (isMaximized() || isMinimized())
        showNormal();
    setGeometry(normal);
    m_normalGeometry = normal;
    if (placement.showCmd == kShowMaximized)
        showMaximized();
    else if (isMinimizedShowCommand(placement.showCmd))
        showMinimized();
    return true;
}

WindowPlacement CChildFrame::CurrentPlacement() const {
    WindowPlacement p;
    p.length = WindowPlacement::kRecordLength;
    p.flags = 0;
    p.showCmd = isMinimized() ? kShowMinimized : isMaximized() ? kShowMaximized : kShowNormal;
    p.minX = p.minY = -1;
    p.maxX = p.maxY = -1;
    const QRect normal = (isMinimized() || isMaximized()) ? m_normalGeometry : geometry();
    p.left = normal.left();
    p.top = normal.top();
    p.right = normal.left() + normal.width();
    p.bottom = normal.top() + normal.height();
    return p;
}

void CChildFrame::rememberNormalGeometry() {
    if (!isMinimized() && !isMaximized() && !isShaded())
        m_normalGeometry = geometry();
}

void CChildFrame::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    rememberNormalGeometry();
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    rememberNormalGeometry();
}

void CChildFrame::CloseWithoutAsking() {
    m_closeConfirmed = true;
    close();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_closeConfirmed && m_doc != nullptr && !m_doc->SaveModified()) {
        event->ignore();
        return;
    }
    m_closeConfirmed = true;
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted())
        setProperty("zentiqClosed", true);
    else
        m_closeConfirmed = false;
}

bool CChildFrame::OnCommand(int id) {
    switch (id) {
    case cmd::FileClose:
        close();
        return true;
    case cmd::FileSave:
        if (m_doc != nullptr)
            m_doc->DoFileSave();
        return true;
    case cmd::FileSaveAs:
        if (m_doc != nullptr)
            m_doc->DoSave(QString(), true);
        return true;
    default:
        return false;
    }
}

bool CChildFrame::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
    case cmd::FileClose:
    case cmd::FileSave:
    case cmd::FileSaveAs:
        state.enabled = m_doc != nullptr;
        return true;
    default:
        return false;
    }
}

}  // namespace zentiq
