#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

// Stands in for the real dialogs while it exists: records every message and
// file dialog request and answers the file dialogs from a queue (an empty
// queue answers like Cancel). Like the real save dialog it appends the
// default suffix to an answer without extension.
class ScriptedDialogs : public Dialogs
{
public:
    enum class FileKind
    {
        Open,
        Save
    };

    struct Message
    {
        QPointer<QWidget> parent;
        MessageType type = MessageType::Error;
        QString title;
        QString text;
    };

    struct FileDialog
    {
        QPointer<QWidget> parent;
        FileKind kind = FileKind::Open;
        FileRequest request;
        // What the dialog returned.
        QString answer;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // The next file dialog returns this path; an empty path means Cancel.
    void queueFileAnswer(const QString& path) { m_answers.append(path); }
    // Runs while a message is "shown", e.g. to look at the windows then.
    void setOnMessage(std::function<void(const Message&)> hook) { m_onMessage = std::move(hook); }

    const QList<Message>& messages() const { return m_messages; }
    const QList<FileDialog>& fileDialogs() const { return m_fileDialogs; }
    void clear();

    void message(QWidget* parent, MessageType type, const QString& title, const QString& text) override;
    QString openFileName(QWidget* parent, const FileRequest& request) override;
    QString saveFileName(QWidget* parent, const FileRequest& request) override;

private:
    QString answer(QWidget* parent, FileKind kind, const FileRequest& request);

    Dialogs* m_previous = nullptr;
    QStringList m_answers;
    QList<Message> m_messages;
    QList<FileDialog> m_fileDialogs;
    std::function<void(const Message&)> m_onMessage;
};
