#include "testcenter/test_center.h"

#include <QCloseEvent>
#include <QLineEdit>

#include <algorithm>

#include "framework/user_interaction.h"
#include "framework/file_dialog.h"
#include "framework/traffic_list_view.h"
#include "framework/dialog_data_exchange.h"
#include "framework/one_shot_request.h"
#include "framework/settings_store.h"
#include "resources/strings.h"
#include "testcenter/frame_parser.h"
#include "testcenter/test_center_list_file.h"
#include "ui_test_center.h"

namespace zentiq {
namespace {

const QLatin1String kSection("TestCenter");
const QLatin1String kAddCheckKey("AddCheck");
const QLatin1String kCrcLrcKey("CRCLRC");

}  // namespace

CTestCenter::Settings CTestCenter::Settings::Load(const SettingsStore& store) {
    Settings s;
    s.addCheck = store.GetInt(kSection, kAddCheckKey, 0);
    s.crcLrc = store.GetInt(kSection, kCrcLrcKey, 0);
    return s;
}

void CTestCenter::Settings::Store(SettingsStore& store) const {
    store.SetInt(kSection, kAddCheckKey, addCheck);
    store.SetInt(kSection, kCrcLrcKey, crcLrc);
}

CTestCenter::CTestCenter(const Settings& settings, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CTestCenter>()), m_settings(settings) {
    m_ui->setupUi(this);
    m_list = new TrafficListView(TrafficLines::kTestCenterDigits, nullptr, this);
    m_list->setObjectName(QStringLiteral("lineList"));
    m_list->setProperty("controlId", kListControlId);
    m_ui->mainLayout->addWidget(m_list, 1);
    m_request = new OneShotRequest(this);

    m_ui->addCheckBox->setChecked(m_settings.addCheck != 0);
    (m_settings.crcLrc == 1 ? m_ui->lrcRadio : m_ui->crcRadio)->setChecked(true);

    // Every letter of the frame text is upper case, typed or set.
    QLineEdit* edit = m_ui->frameCombo->lineEdit();
    connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text)
            return;
        const int cursor = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(cursor);
    });

    connect(m_ui->sendButton, &QPushButton::clicked, this, &CTestCenter::Send);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->addListButton, &QPushButton::clicked, this, &CTestCenter::AddToList);
    connect(m_ui->openListButton, &QPushButton::clicked, this, &CTestCenter::OpenList);
    connect(m_ui->saveListButton, &QPushButton::clicked, this, &CTestCenter::SaveList);
    connect(m_ui->copyButton, &QPushButton::clicked, this, &CTestCenter::Copy);
    connect(m_request, &OneShotRequest::Finished, this, &CTestCenter::onResult);
    connect(m_list, &TrafficListView::copyRequested, this, &CTestCenter::Copy);
}

CTestCenter::~CTestCenter() = default;

void CTestCenter::Open(QWidget* parent, ModbusLine& line) {
    SettingsStore store;
    CTestCenter dialog(Settings::Load(store), parent);
    dialog.SetLine(line);
    userInteraction().runModal(dialog);
    dialog.settings().Store(store);
    store.Sync();
}

QComboBox* CTestCenter::FrameCombo() const { return m_ui->frameCombo; }
bool CTestCenter::IsWaiting() const { return m_request->IsPending(); }

QString CTestCenter::ListFilter() { return QStringLiteral("modbus test. data (*.txt)"); }
QString CTestCenter::MaxLengthText() { return QStringLiteral("Max length 900"); }

void CTestCenter::takeSettings() {
    m_settings.addCheck = m_ui->addCheckBox->isChecked() ? 1 : 0;
    m_settings.crcLrc = m_ui->lrcRadio->isChecked() ? 1 : 0;
}

void CTestCenter::closeEvent(QCloseEvent* e) {
    takeSettings();
    QDialog::closeEvent(e);
}

void CTestCenter::Send() {
    if (m_line->IsConnected() == 0) {
        DialogDataExchange::ShowWarning(this, LoadString(ids::NoConnection));
        return;
    }
    const QString text = m_ui->frameCombo->currentText();
    if (text.size() > FrameParser::kMaxTextLength) {
        DialogDataExchange::ShowWarning(this, MaxLengthText());
        return;
    }
    const FrameParser::Result parsed = FrameParser::Parse(text);
    takeSettings();
    if (parsed.status != FrameParser::Status::Ok || parsed.bytes.isEmpty()) {
        DialogDataExchange::ShowWarning(this, LoadString(ids::BadInput));
        if (parsed.errorPosition >= 0) {
            m_ui->frameCombo->setFocus();
            m_ui->frameCombo->lineEdit()->setSelection(parsed.errorPosition, 1);
        }
        return;
    }
    QByteArray frame = parsed.bytes;
    if (m_settings.addCheck != 0) {
        if (m_settings.crcLrc == 1)
            FrameParser::AppendLrc(frame);
        else
            FrameParser::AppendCrc(frame);
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.constData());
    const bool submitted = m_request->Submit(*m_line, OneShotArgs{}, [&](ModbusLine& line) {
        return line.SetWriteBytes(0, static_cast<int>(frame.size()), bytes);
    });
    if (!submitted) {
        DialogDataExchange::ShowWarning(this, m_request->FailureText());
        return;
    }
    m_ui->sendButton->setEnabled(false);
    m_list->Add(TrafficLines::Direction::Tx, bytes, static_cast<std::size_t>(frame.size()));
}

void CTestCenter::onResult() {
    m_ui->sendButton->setEnabled(true);
    // The answer kept for this frame: slot 0 may already carry another
    // request whose capture is not this frame's answer.
    if (const OneShotAnswer* answer = m_request->Answer();
        answer != nullptr && answer->responseLength > 0)
        m_list->Add(TrafficLines::Direction::Rx, answer->response,
                    std::min<std::size_t>(answer->responseLength, sizeof answer->response));
}

void CTestCenter::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
}

void CTestCenter::AddToList() {
    // A list file keeps only what Open reads back.
    if (m_ui->frameCombo->count() >= TestCenterListFile::kMaxEntries) {
        DialogDataExchange::ShowWarning(this, ListFullText());
        return;
    }
    m_ui->frameCombo->addItem(m_ui->frameCombo->currentText());
}

QString CTestCenter::ListFullText() {
    return tr("列表最多保存 %1 条，本条未添加。").arg(TestCenterListFile::kMaxEntries);
}

void CTestCenter::OpenList() {
    const QString path = FileDialog::Ask(this, {false, QStringLiteral("testdata"), ListFilter()});
    if (path.isEmpty())
        return;
    QStringList entries;
    const TestCenterListFile::Status status = TestCenterListFile::Load(path, &entries);
    if (status == TestCenterListFile::Status::OpenFailed) {
        DialogDataExchange::ShowWarning(this, TestCenterListFile::StatusText(status));
        return;
    }
    // A file of another kind leaves the list empty.
    m_ui->frameCombo->clear();
    if (status != TestCenterListFile::Status::Ok) {
        DialogDataExchange::ShowWarning(this, TestCenterListFile::StatusText(status));
        return;
    }
    m_ui->frameCombo->addItems(entries);
    if (!entries.isEmpty())
        m_ui->frameCombo->setCurrentIndex(0);
}

void CTestCenter::SaveList() {
    const QString path = FileDialog::Ask(this, {true, QStringLiteral("testdata"), ListFilter()});
    if (path.isEmpty())
        return;
    QStringList entries;
    for (int i = 0; i < m_ui->frameCombo->count(); ++i)
        entries.append(m_ui->frameCombo->itemText(i));
    const TestCenterListFile::Status status = TestCenterListFile::Save(path, entries);
    if (status != TestCenterListFile::Status::Ok)
        DialogDataExchange::ShowWarning(this, TestCenterListFile::StatusText(status));
}

void CTestCenter::Copy() { m_list->CopySelectedLines(); }

}  // namespace zentiq
