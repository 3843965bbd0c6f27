// The real boxes and dialogs of the desktop.
#pragma once

#include "framework/user_interaction.h"

class QFileDialog;

namespace zentiq {

// Sizes the name, size, type and date columns of Qt's own file dialog to
// what they show, each time a folder has been read, so that none is cut.
// Does nothing to a dialog of the desktop (native).
void FitFileDialogColumns(QFileDialog& dialog);

class DesktopInteraction final : public UserInteraction {
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
    void quit(int exitCode) override;
};

}  // namespace zentiq
