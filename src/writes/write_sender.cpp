#include "writes/write_sender.h"

#include <QAbstractButton>

#include "values/status_texts.h"
#include "framework/dialog_data_exchange.h"
#include "resources/strings.h"

namespace zentiq {

WriteSender::WriteSender(QWidget* dialog, QAbstractButton* sendButton)
    : QObject(dialog), m_dialog(dialog), m_send(sendButton), m_request(new OneShotRequest(this)) {
    connect(m_request, &OneShotRequest::Finished, this, &WriteSender::onFinished);
}

bool WriteSender::Send(const OneShotArgs& args, const OneShotRequest::Loader& loadData) {
    if (m_line->IsConnected() == 0) {
        DialogDataExchange::ShowWarning(m_dialog, LoadString(ids::NoConnection));
        return false;
    }
    if (m_send)
        m_send->setEnabled(false);
    if (m_request->Submit(*m_line, args, loadData))
        return true;
    if (m_send)
        m_send->setEnabled(true);
    DialogDataExchange::ShowWarning(m_dialog, m_request->FailureText());
    return false;
}

void WriteSender::onFinished(int status) {
    if (m_send)
        m_send->setEnabled(true);
    emit answered(status);
    DialogDataExchange::ShowWarning(
        m_dialog, StatusText(static_cast<EngineStatus>(status), StatusFlavour::WriteResult));
}

}  // namespace zentiq
