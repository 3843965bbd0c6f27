// Everything the program asks of the person in front of the screen: error
// and information boxes, questions, file, colour and font choosers, modal
// dialogs, and ending the program. One object answers all of it; the
// desktop one shows the real boxes, a test installs one that records and
// answers instead.
#pragma once

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QString>
#include <optional>

class QDialog;
class QWidget;

namespace zentiq {

// What a file dialog offers: a proposed name, one filter and a default
// extension.
struct FileRequest {
    bool save = true;      // save dialogs ask before overwriting
    QString proposedName;  // "commdata", "logfile.txt", ...
    QString filter;        // "modbus comm. data (*.txt)"
    QString defaultSuffix = QStringLiteral("txt");
    QString title = QString();  // empty: the platform's own
};

class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    // A box with the exclamation icon.
    virtual void error(QWidget* parent, const QString& title, const QString& text) = 0;
    // A box with the information icon.
    virtual void notify(QWidget* parent, const QString& title, const QString& text) = 0;
    // The button the user chose (Cancel or the escape button when the box
    // was closed).
    virtual QMessageBox::StandardButton question(QWidget* parent, const QString& title,
                                                 const QString& text,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton) = 0;
    // The chosen path, empty when cancelled. The name comes as the user gave
    // it: FileDialog adds the default extension.
    virtual QString chooseFile(QWidget* parent, const FileRequest& request) = 0;
    // An invalid colour when cancelled.
    virtual QColor chooseColour(QWidget* parent, const QColor& initial) = 0;
    // Nothing when cancelled.
    virtual std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) = 0;
    // Runs a dialog modally; its result code.
    virtual int runModal(QDialog& dialog) = 0;
    // Leaves the program's event loop with the code.
    virtual void quit(int exitCode) = 0;
};

// The one in use: the desktop's unless a replacement is installed.
UserInteraction& userInteraction();
// Installs `replacement` (nullptr restores the desktop's) and returns the
// one it replaces, for the caller to put back. The caller keeps ownership.
UserInteraction* installUserInteraction(UserInteraction* replacement);

}  // namespace zentiq
