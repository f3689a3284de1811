#include "tests/support/read_only_folder.h"

#include "tests/support/test_files.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace {

constexpr qint64 kMountBytes = 64 * 1024;

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& folder, const QString& fileName, const QByteArray& content)
    : m_path(folder)
{
    make(fileName, content);
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (!m_mount)
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void ReadOnlyFolder::make(const QString& fileName, const QByteArray& content)
{
    if (!QDir().mkpath(m_path)) {
        m_whyNot = QStringLiteral("cannot make ") + m_path;
        return;
    }
    m_mount = ScratchMount::mount(m_path, kMountBytes, &m_whyNot);
    if (!m_mount && ::geteuid() == 0) {
        m_whyNot = QStringLiteral("permissions do not stop root, and ") + m_whyNot;
        return;
    }
    if (!fileName.isEmpty() && !writeAll(QDir(m_path).filePath(fileName), content)) {
        m_whyNot = QStringLiteral("cannot write ") + fileName;
        return;
    }
    if (m_mount) {
        if (!m_mount->makeReadOnly(&m_whyNot))
            return;
        m_writeError = EROFS;
    } else {
        if (!QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner)) {
            m_whyNot = QStringLiteral("cannot take the write permission");
            return;
        }
        m_writeError = EACCES;
    }
    m_whyNot.clear();
}
