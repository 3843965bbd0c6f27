// The sending half shared by the multiple-write, mask-write and read/write
// dialogs: after the dialog has validated its fields, checks the
// connection, submits through slot 0 and keeps the Send button disabled
// until the dialog's own request has answered; then shows the result text
// in a warning box (success included).
#pragma once

#include <QObject>
#include <QPointer>

#include "framework/one_shot_request.h"

class QAbstractButton;
class QWidget;

namespace zentiq {

class WriteSender final : public QObject {
    Q_OBJECT
public:
    // `dialog` owns the sender and parents its boxes.
    WriteSender(QWidget* dialog, QAbstractButton* sendButton);

    // The connection the request goes to: the document's the dialog writes
    // for, the default line until set.
    void SetLine(ModbusLine& line) { m_line = &line; }
    ModbusLine& Line() const { return *m_line; }

    // Without a connection: "没有连接" in a box, nothing sent. A refused slot
    // or refused data: the user told, Send given back, slot 0 left free. Returns true when the
    // request went out.
    bool Send(const OneShotArgs& args, const OneShotRequest::Loader& loadData);
    bool IsPending() const { return m_request->IsPending(); }
    // During answered(): the request's answer (see OneShotRequest::Answer).
    const OneShotAnswer* Answer() const { return m_request->Answer(); }

signals:
    // The dialog's request answered; emitted before the result box.
    void answered(int status);

private:
    void onFinished(int status);

    QWidget* m_dialog;
    QPointer<QAbstractButton> m_send;
    OneShotRequest* m_request;
    ModbusLine* m_line = &DefaultLine();
};

}  // namespace zentiq
