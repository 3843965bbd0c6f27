// Stands in for the person in front of the screen while it lives: records
// every box, question and file dialog, answers them as the test says, and
// runs modal dialogs through the test's own handlers instead of exec().
// Installed on construction; the one it replaced is back on destruction.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "framework/user_interaction.h"

namespace zentiq::testing {

class RecordingInteraction : public UserInteraction {
public:
    enum class Kind { Error, Notification };
    struct Message {
        Kind kind;
        QWidget* parent;
        QString title;
        QString text;
    };

    RecordingInteraction() : m_previous(installUserInteraction(this)) {}
    ~RecordingInteraction() override { installUserInteraction(m_previous); }
    RecordingInteraction(const RecordingInteraction&) = delete;
    RecordingInteraction& operator=(const RecordingInteraction&) = delete;

    // ---- what was shown ----------------------------------------------------
    std::vector<Message> messages;          // error and information boxes, in order
    std::vector<QString> questions;         // texts of the questions, in order
    std::vector<FileRequest> fileRequests;  // file dialogs, in order
    std::vector<int> quits;                 // exit codes the program asked for
    int modalRuns = 0;                      // dialogs run modally

    // Texts of the boxes of one kind (errors by default), in order.
    QStringList texts(Kind kind = Kind::Error) const {
        QStringList out;
        for (const Message& m : messages)
            if (m.kind == kind)
                out << m.text;
        return out;
    }
    int count(Kind kind) const { return static_cast<int>(texts(kind).size()); }

    // ---- how it answers ------------------------------------------------------
    // Questions: `answerQuestion` for the text when set, else `answer`
    // (NoButton: the box's default button).
    std::function<QMessageBox::StandardButton(const QString& text)> answerQuestion;
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    // File dialogs: `filePath` (empty = cancelled) unless `answerFile` is set.
    QString filePath;
    std::function<QString(const FileRequest& request)> answerFile;
    // Colour and font choosers: cancelled unless set.
    QColor colour;
    std::optional<QFont> font;

    // Dialogs of type D are shown and run `run` instead of exec(), returning what it
    // returns; the newest handler that fits wins. Other dialogs are
    // cancelled.
    template <class D>
    void onModal(std::function<int(D&)> run) {
        m_modal.push_back([run = std::move(run)](QDialog& dialog) -> std::optional<int> {
            auto* d = dynamic_cast<D*>(&dialog);
            if (d == nullptr)
                return std::nullopt;
            d->show();  // as exec() would
            return run(*d);
            return std::nullopt;
        });
    }
    void clearModal() { m_modal.clear(); }

    // ---- UserInteraction -------------------------------------------------------
    void error(QWidget* parent, const QString& title, const QString& text) override {
        messages.push_back({Kind::Error, parent, title, text});
    }
    void notify(QWidget* parent, const QString& title, const QString& text) override {
        messages.push_back({Kind::Notification, parent, title, text});
    }
    QMessageBox::StandardButton question(QWidget*, const QString&, const QString& text,
                                         QMessageBox::StandardButtons,
                                         QMessageBox::StandardButton defaultButton) override {
        questions.push_back(text);
        if (answerQuestion)
            return answerQuestion(text);
        return answer != QMessageBox::NoButton ? answer : defaultButton;
    }
    QString chooseFile(QWidget*, const FileRequest& request) override {
        fileRequests.push_back(request);
        return answerFile ? answerFile(request) : filePath;
    }
    QColor chooseColour(QWidget*, const QColor&) override { return colour; }
    std::optional<QFont> chooseFont(QWidget*, const QFont&) override { return font; }
    int runModal(QDialog& dialog) override {
        ++modalRuns;
        for (auto it = m_modal.rbegin(); it != m_modal.rend(); ++it) {
            if (const std::optional<int> result = (*it)(dialog))
                return *result;
        }
        return QDialog::Rejected;
    }
    void quit(int exitCode) override { quits.push_back(exitCode); }

private:
    UserInteraction* m_previous;
    std::vector<std::function<std::optional<int>(QDialog&)>> m_modal;
};

}  // namespace zentiq::testing
