// Gives each poll document a child frame in the main frame: the windows
// side of the document manager.
#pragma once

#include "app/document_manager.h"

namespace zentiq {

class CChildFrame;
class CMainFrame;

class DocumentFrames : public DocumentWindows {
public:
    explicit DocumentFrames(CMainFrame& mainFrame) : m_mainFrame(mainFrame) {}

    void Adopt(CZentiqDoc* doc, Kind kind) override;
    void Activate(CZentiqDoc* doc) override;
    QList<CZentiqDoc*> Documents() const override;

    // A frame for doc in the main frame, not yet shown (printing uses it too).
    CChildFrame* CreateFrame(CZentiqDoc* doc);
    // The frame that holds doc, nullptr for none.
    CChildFrame* FrameOf(const CZentiqDoc* doc) const;

private:
    CMainFrame& m_mainFrame;
};

}  // namespace zentiq
