#include "tests/support/scripted_dialogs.h"

#include <QFileInfo>

ScriptedDialogs::ScriptedDialogs()
{
    m_previous = Dialogs::setCurrent(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    Dialogs::setCurrent(m_previous);
}

void ScriptedDialogs::clear()
{
    m_answers.clear();
    m_messages.clear();
    m_fileDialogs.clear();
}

void ScriptedDialogs::message(QWidget* parent, MessageType type, const QString& title, const QString& text)
{
    m_messages.append(Message{parent, type, title, text});
    if (m_onMessage)
        m_onMessage(m_messages.constLast());
}

QString ScriptedDialogs::openFileName(QWidget* parent, const FileRequest& request)
{
    return answer(parent, FileKind::Open, request);
}

QString ScriptedDialogs::saveFileName(QWidget* parent, const FileRequest& request)
{
    return answer(parent, FileKind::Save, request);
}

QString ScriptedDialogs::answer(QWidget* parent, FileKind kind, const FileRequest& request)
{
    QString path = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    if (kind == FileKind::Save && !path.isEmpty() && !request.defaultSuffix.isEmpty() &&
        QFileInfo(path).suffix().isEmpty())
        path += u'.' + request.defaultSuffix;
    m_fileDialogs.append(FileDialog{parent, kind, request, path});
    return path;
}
