#include "framework/desktop_interaction.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>
#include <QRegularExpression>
#include <QFontDialog>
#include <QThread>

#include "framework/log_categories.h"

namespace zentiq {
namespace {

// A program without widgets (a tool that hosts a document, a test) can show
// no box: the text goes to the log instead.
bool canShowBoxes(const QString& title, const QString& text) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr)
        return true;
    qWarning("%s: %s", qPrintable(title), qPrintable(text));
    return false;
}

}  // namespace

void DesktopInteraction::error(QWidget* parent, const QString& title, const QString& text) {
    qCDebug(lcUi) << "error:" << text;
    if (canShowBoxes(title, text))
        QMessageBox::warning(parent, title, text);
}

void DesktopInteraction::notify(QWidget* parent, const QString& title, const QString& text) {
    qCDebug(lcUi) << "notification:" << text;
    if (canShowBoxes(title, text))
        QMessageBox::information(parent, title, text);
}

QMessageBox::StandardButton DesktopInteraction::question(
    QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    const QMessageBox::StandardButton answer =
        QMessageBox::question(parent, title, text, buttons, defaultButton);
    qCDebug(lcUi) << "question:" << text << "answered" << answer;
    return answer;
}

void FitFileDialogColumns(QFileDialog& dialog) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto* tree = dialog.findChild<QTreeView*>();
    if (model == nullptr || tree == nullptr)
        return;
    const auto fit = [tree] {
        for (int column = 0; column < tree->header()->count(); ++column)
            tree->resizeColumnToContents(column);
    };
    QObject::connect(model, &QFileSystemModel::directoryLoaded, tree, fit);
    fit();
    // Wide enough for the four columns of a usual folder.
    dialog.resize(std::max(dialog.width(), 820), std::max(dialog.height(), 480));
}

QString DesktopInteraction::chooseFile(QWidget* parent, const FileRequest& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    // A name typed without extension takes the chosen filter's, so that
    // "log" under "CSV (*.csv)" becomes log.csv.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        static const QRegularExpression suffix(QStringLiteral("\\*\\.(\\w+)"));
        const QRegularExpressionMatch m = suffix.match(filter);
        if (m.hasMatch())
            dialog.setDefaultSuffix(m.captured(1));
    });
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    FitFileDialogColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QColor DesktopInteraction::chooseColour(QWidget* parent, const QColor& initial) {
    return QColorDialog::getColor(initial, parent);
}

std::optional<QFont> DesktopInteraction::chooseFont(QWidget* parent, const QFont& initial) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
    return ok ? std::optional<QFont>(chosen) : std::nullopt;
}

int DesktopInteraction::runModal(QDialog& dialog) { return dialog.exec(); }

void DesktopInteraction::quit(int exitCode) {
    qCDebug(lcUi) << "program ends with" << exitCode;
    // Queued, so that the caller finishes first. Without a loop running (an
    // application object hosted by a test) exit would only leave every later
    // event loop returning at once.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [exitCode] {
            if (QThread::currentThread()->loopLevel() > 0)
                QCoreApplication::exit(exitCode);
        },
        Qt::QueuedConnection);
}

}  // namespace zentiq
