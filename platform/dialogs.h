#pragma once

#include <QString>

class QWidget;

// The standard dialogs the windows use: a message with one OK button, and
// the open and save file dialogs. Code asks Dialogs::current() for them, so
// that tests can put a scripted double in place of the real dialogs.
class Dialogs
{
public:
    enum class MessageType
    {
        Error,
        Warning
    };

    struct FileRequest
    {
        QString title;
        // Folder the dialog starts in.
        QString folder;
        // "Description|pattern" pairs separated by "|", several patterns
        // separated by ";": "KV4820 settings file (*.kvb)|*.kvb".
        QString filter;
        // Appended (after a dot) to a name typed without extension; save only.
        QString defaultSuffix;
    };

    virtual ~Dialogs() = default;

    // Modal: returns when the user has closed the dialog. The parent window
    // becomes active again afterwards.
    virtual void message(QWidget* parent, MessageType type, const QString& title, const QString& text) = 0;
    // The chosen file's path, or empty when the user cancelled.
    virtual QString openFileName(QWidget* parent, const FileRequest& request) = 0;
    // Asks before an existing file is overwritten. The chosen path, or empty.
    virtual QString saveFileName(QWidget* parent, const FileRequest& request) = 0;

    // The dialogs in use: the real ones unless replaced.
    static Dialogs& current();
    // nullptr puts the real dialogs back. Returns the previous replacement
    // (nullptr when the real dialogs were in use).
    static Dialogs* setCurrent(Dialogs* dialogs);

    // "desc|*.a;*.b|desc2|*.c" in the form Qt's file dialog takes:
    // "desc (*.a *.b);;desc2 (*.c)". A description that already ends with its
    // patterns in brackets is not given them twice.
    static QString toQtFilter(const QString& filter);
};
