#include "tests/support/full_file_system.h"

#include <QDir>
#include <QStringList>

#include <cerrno>

namespace {

constexpr qint64 kMountBytes = 256 * 1024;

} // namespace

FullFileSystem::FullFileSystem(const QString& folder)
    : m_path(folder), m_writeErrorOnMount(ENOSPC), m_writeErrorOnLimit(EFBIG)
{
    QString whyNot;
    m_mount = ScratchMount::mount(folder, kMountBytes, &whyNot);
    if (m_mount) {
        m_mechanism = QStringLiteral("a filled tmpfs");
    } else {
        QDir().mkpath(folder);
        m_mechanism = QStringLiteral("a file-size limit (no tmpfs: %1)").arg(whyNot);
    }
}

QStringList FullFileSystem::ownFiles() const
{
    return m_mount ? QStringList{QStringLiteral(".filler")} : QStringList();
}

FullFileSystem::SaveAttempt FullFileSystem::trySave(const std::function<bool(QString* error)>& save)
{
    SaveAttempt attempt;
    const auto work = [&] { attempt.saved = save(&attempt.error); };
    if (m_mount) {
        if (m_mount->fill(&attempt.whyNot))
            work();
    } else if (!runWithFileSizeLimit(0, work)) {
        attempt.whyNot = QStringLiteral("cannot set a file-size limit");
    }
    return attempt;
}
