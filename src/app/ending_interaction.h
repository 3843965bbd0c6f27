// What the program asks of the person once a signal has asked it to end:
// nothing. A box or dialog that comes up while it goes down would hold the
// end until someone answers, so every text goes to stderr instead, every
// question is answered as closing its box would (Cancel, else No), and
// choosers and dialogs are cancelled without being shown.
#pragma once

#include "framework/user_interaction.h"

namespace zentiq {

class EndingInteraction final : public UserInteraction {
public:
    void error(QWidget* parent, const QString& title, const QString& text) override;
    void notify(QWidget* parent, const QString& title, const QString& text) override;
    QMessageBox::StandardButton question(QWidget* parent, const QString& title, const QString& text,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) override;
    QString chooseFile(QWidget* parent, const FileRequest& request) override;
    QColor chooseColour(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
    int runModal(QDialog& dialog) override;
    // The program is ending already, with 0.
    void quit(int exitCode) override;
};

// Ends the program for a signal: puts EndingInteraction in place for the
// rest of the process and leaves every running event loop, those of open
// boxes and dialogs included (each returns as if closed unanswered).
// Idempotent.
void EndForSignal();

}  // namespace zentiq
