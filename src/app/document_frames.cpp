#include "app/document_frames.h"

#include <QMdiArea>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "display/zentiq_view.h"
#include "documents/zentiq_doc.h"

namespace zentiq {

CChildFrame* DocumentFrames::CreateFrame(CZentiqDoc* doc) {
    auto* frame = new CChildFrame(doc);
    frame->resize(560, 380);  // a stored placement, applied later, wins
    m_mainFrame.AddChildFrame(frame);
    return frame;
}

CChildFrame* DocumentFrames::FrameOf(const CZentiqDoc* doc) const {
    for (CChildFrame* frame : m_mainFrame.AllChildFrames())
        if (frame->Document() == doc)
            return frame;
    return nullptr;
}

void DocumentFrames::Adopt(CZentiqDoc* doc, Kind kind) {
    if (kind == Kind::Hidden) {
        // Its view registers it now; the frame shows only when the client
        // hands the document to the user.
        auto* frame = new CChildFrame(doc);
        frame->resize(560, 380);
        m_mainFrame.AddClientFrame(frame);
        if (auto* view = qobject_cast<CZentiqView*>(frame->View()))
            view->OnInitialUpdate();
        return;
    }
    CChildFrame* frame = CreateFrame(doc);
    if (kind == Kind::Opened)
        frame->ApplyPlacement(doc->LoadedPlacement());
    frame->InitialUpdateFrame();
    m_mainFrame.MdiArea()->setActiveSubWindow(frame);
}

void DocumentFrames::Activate(CZentiqDoc* doc) {
    if (CChildFrame* frame = FrameOf(doc))
        m_mainFrame.MdiArea()->setActiveSubWindow(frame);
}

QList<CZentiqDoc*> DocumentFrames::Documents() const {
    QList<CZentiqDoc*> docs;
    for (CChildFrame* frame : m_mainFrame.AllChildFrames())
        if (frame->Document() != nullptr)
            docs << frame->Document();
    return docs;
}

}  // namespace zentiq
