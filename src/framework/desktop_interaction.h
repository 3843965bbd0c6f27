// The real boxes and dialogs of the desktop.
#pragma once

#include "framework/user_interaction.h"

namespace zentiq {

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
