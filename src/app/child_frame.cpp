#include "app/child_frame.h"

#include <QCloseEvent>
#include <QIcon>

#include "app/frame_placement.h"
#include "display/zentiq_view.h"
#include "documents/zentiq_doc.h"
#include "framework/connection_directory.h"
#include "resources/menus.h"

namespace zentiq {

CChildFrame::CChildFrame(CZentiqDoc* doc, QWidget* parent) : QMdiSubWindow(parent), m_doc(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("childFrame"));
    if (m_doc != nullptr) {
        auto* view = new CZentiqView(m_doc, this);
        m_view = view;
        if (view != nullptr)
            setWidget(view);
        showTitle();
        connect(m_doc, &CZentiqDoc::titleChanged, this, &CChildFrame::showTitle);
        connect(m_doc, &CZentiqDoc::lineChanged, this, &CChildFrame::showTitle);
        if (ConnectionDirectory* directory = ConnectionDirectory::Active())
            connect(directory, &ConnectionDirectory::changed, this, &CChildFrame::showTitle);
        connect(m_doc, &CZentiqDoc::placementRequested, this, [this](WindowPlacement* placement) {
            if (placement != nullptr)
                *placement = CurrentPlacement();
        });
    }
    m_normalGeometry = geometry();
}

QString CChildFrame::TitleOf(const CZentiqDoc& doc) {
    // The connection is named once there is more than one to tell apart.
    const QString connection = ConnectionDirectory::NameOfLine(doc.Line());
    if (!ConnectionDirectory::SeveralConnections() || connection.isEmpty())
        return doc.GetTitle();
    return tr("%1 [%2]").arg(doc.GetTitle(), connection);
}

void CChildFrame::showTitle() {
    if (m_doc != nullptr)
        setWindowTitle(TitleOf(*m_doc));
}

CChildFrame::~CChildFrame() {
    // The view first: it releases the document's engine slot as it goes.
    if (CZentiqView* view = m_view.data())
        delete view;
    delete m_doc;
}

QWidget* CChildFrame::View() const { return m_view.data(); }

bool CChildFrame::OwnedByClient() const { return m_doc != nullptr && m_doc->OwnedByClient(); }

void CChildFrame::InitialUpdateFrame() {
    if (m_view != nullptr && !m_view->InitialUpdateDone())
        m_view->OnInitialUpdate();
    if (!isVisible())
        show();
    if (m_view != nullptr)
        m_view->setFocus();
}

bool CChildFrame::ApplyPlacement(const WindowPlacement& placement) {
    if (!frame_placement::Apply(*this, placement))
        return false;
    m_normalGeometry = *frame_placement::NormalRect(placement);
    return true;
}

WindowPlacement CChildFrame::CurrentPlacement() const {
    return frame_placement::Take(*this,
                                 (isMinimized() || isMaximized()) ? m_normalGeometry : geometry());
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
        m_closed = true;
    else
        m_closeConfirmed = false;
}

bool CChildFrame::OnCommand(int id) {
    switch (id) {
    case cmd::FileClose: close(); return true;
    case cmd::FileSave:
        if (m_doc != nullptr)
            m_doc->DoFileSave();
        return true;
    case cmd::FileSaveAs:
        if (m_doc != nullptr)
            m_doc->DoSave(QString(), true);
        return true;
    default: return false;
    }
}

bool CChildFrame::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
    case cmd::FileClose:
    case cmd::FileSave:
    case cmd::FileSaveAs: state.enabled = m_doc != nullptr; return true;
    default: return false;
    }
}

}  // namespace zentiq
