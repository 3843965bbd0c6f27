// The sending half shared by the multiple-write, mask-write and read/write
// dialogs: after the dialog has validated its fields, checks the
// connection, submits through slot 0 and keeps the Send button disabled
// until the dialog's own request has answered; then shows the result text
// in a warning box (success included).
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "framework/one_shot_request.h"

class QAbstractButton;
class QWidget;

namespace zentiq {

class WriteSender final : public QObject {
    Q_OBJECT
public:
    // `dialog` owns the sender and parents its boxes.
    WriteSender(QWidget* dialog, QAbstractButton* sendButton);

    // Without a connection: "没有连接" in a box, nothing sent. A refused slot:
    // no data loaded, the user told, Send given back. Returns true when the
    // request went out.
    bool Send(const OneShotArgs& args, const std::function<void()>& loadData);
    bool IsPending() const { return m_request->IsPending(); }

signals:
    // The dialog's request answered; emitted before the result box.
    void answered(int status);

private:
    void onFinished(int status);

    QWidget* m_dialog;
    QPointer<QAbstractButton> m_send;
    OneShotRequest* m_request;
};

}  // namespace zentiq
