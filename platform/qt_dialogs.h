#pragma once

#include "platform/dialogs.h"

// The real dialogs: QMessageBox and Qt's own file dialog (not the desktop's,
// so that the default suffix and the overwrite question behave the same
// everywhere).
class QtDialogs : public Dialogs
{
public:
    void message(QWidget* parent, MessageType type, const QString& title, const QString& text) override;
    QString openFileName(QWidget* parent, const FileRequest& request) override;
    QString saveFileName(QWidget* parent, const FileRequest& request) override;
};
