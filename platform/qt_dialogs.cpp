#include "platform/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

// Not every window system hands the activation back to the owner when a
// dialog closes; the owner's activation handling relies on it.
void reactivate(QWidget* owner)
{
    if (owner && owner->isVisible())
        owner->activateWindow();
}

QString runFileDialog(QWidget* parent, const Dialogs::FileRequest& request, QFileDialog::AcceptMode mode)
{
    QWidget* owner = parent ? parent->window() : nullptr;
    QFileDialog dialog(owner, request.title, request.folder, Dialogs::toQtFilter(request.filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (mode == QFileDialog::AcceptSave)
        dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setWindowModality(Qt::ApplicationModal);
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    reactivate(owner);
    return accepted ? dialog.selectedFiles().constFirst() : QString();
}

} // namespace

void QtDialogs::message(QWidget* parent, MessageType type, const QString& title, const QString& text)
{
    // Texts joined with "\n\r" would show the carriage return as a stray
    // character in a label.
    QString shown = text;
    shown.remove(u'\r');
    QWidget* owner = parent ? parent->window() : nullptr;
    QMessageBox box(type == MessageType::Error ? QMessageBox::Critical : QMessageBox::Warning, title, shown,
                    QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    reactivate(owner);
}

QString QtDialogs::openFileName(QWidget* parent, const FileRequest& request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString QtDialogs::saveFileName(QWidget* parent, const FileRequest& request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}
