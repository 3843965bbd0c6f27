#include "app/ending_interaction.h"

#include <QCoreApplication>
#include <QDialog>
#include <cstdio>

namespace zentiq {
namespace {

void say(const QString& title, const QString& text) {
    std::fprintf(stderr, "zentiq: %s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
}

}  // namespace

void EndingInteraction::error(QWidget*, const QString& title, const QString& text) {
    say(title, text);
}

void EndingInteraction::notify(QWidget*, const QString& title, const QString& text) {
    say(title, text);
}

QMessageBox::StandardButton EndingInteraction::question(QWidget*, const QString&, const QString&,
                                                        QMessageBox::StandardButtons buttons,
                                                        QMessageBox::StandardButton) {
    if (buttons.testFlag(QMessageBox::Cancel))
        return QMessageBox::Cancel;
    return buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::NoButton;
}

QString EndingInteraction::chooseFile(QWidget*, const FileRequest&) { return QString(); }

QColor EndingInteraction::chooseColour(QWidget*, const QColor&) { return QColor(); }

std::optional<QFont> EndingInteraction::chooseFont(QWidget*, const QFont&) { return std::nullopt; }

int EndingInteraction::runModal(QDialog&) { return QDialog::Rejected; }

void EndingInteraction::quit(int) {}

void EndForSignal() {
    // Never destroyed: whatever runs at exit still finds it.
    static EndingInteraction* const ending = new EndingInteraction;
    installUserInteraction(ending);
    QCoreApplication::exit(0);
}

}  // namespace zentiq
