// The MDI child frame of one poll window: hosts the document's view, asks
// the document before closing, and owns the document (the view goes first,
// so that it releases its engine slot before the document ends).
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QRect>

#include "framework/command_target.h"
#include "documents/window_placement.h"

namespace zentiq {

class CZentiqDoc;
class CZentiqView;

class CChildFrame : public QMdiSubWindow, public CommandTarget {
    Q_OBJECT
public:
    // Show commands of a stored placement.
    static constexpr qint32 kShowNormal = 1;     // frame_placement::kShowNormal
    static constexpr qint32 kShowMinimized = 2;  // frame_placement::kShowMinimized
    static constexpr qint32 kShowMaximized = 3;  // frame_placement::kShowMaximized

    // Takes ownership of `doc` and creates its view inside the frame.
    explicit CChildFrame(CZentiqDoc* doc, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CZentiqDoc* Document() const { return m_doc; }
    // The document belongs to an automation client (see CZentiqDoc).
    bool OwnedByClient() const;
    QWidget* View() const;
    // The document's title, with its connection's name once there are several.
    static QString TitleOf(const CZentiqDoc& doc);

    // Puts the frame where a stored placement says. A placement that is no
    // usable rectangle leaves the frame where it is; false then.
    bool ApplyPlacement(const WindowPlacement& placement);
    WindowPlacement CurrentPlacement() const;
    // The rectangle the frame has when neither minimised nor maximised.
    QRect NormalGeometry() const { return m_normalGeometry; }

    // The view's initial update (it registers the document with the
    // engine), then the frame is shown: the last step of opening a window.
    void InitialUpdateFrame();

    // Closes without asking the document (its answer was already given).
    void CloseWithoutAsking();
    // Closed, waiting for its deferred deletion: no window of the program's any more.
    bool IsClosed() const { return m_closed; }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showTitle();
    void rememberNormalGeometry();

    CZentiqDoc* m_doc;
    QPointer<CZentiqView> m_view;
    QRect m_normalGeometry;
    bool m_closeConfirmed = false;
    bool m_closed = false;
};

}  // namespace zentiq
