#pragma once

#include "tests/support/scratch_mount.h"

#include <QString>

#include <functional>
#include <memory>

// A folder whose file system is full while run() runs: a tmpfs mounted on it
// and filled up where the test may mount (writes fail with ENOSPC), else a
// plain folder and a file-size limit of zero (writes fail with EFBIG). Put
// the files the test starts from into path() before run().
class FullFileSystem
{
public:
    explicit FullFileSystem(const QString& folder);

    const QString& path() const { return m_path; }
    // How it is done, for the test's log.
    const QString& mechanism() const { return m_mechanism; }
    // The error number a write fails with.
    int writeError() const { return m_mount ? m_writeErrorOnMount : m_writeErrorOnLimit; }
    // Files the mechanism itself put there.
    QStringList ownFiles() const;

    struct SaveAttempt
    {
        QString whyNot; // empty when the disk was full for the save
        bool saved = false;
        QString error;
    };
    // Runs a save, given as a call that reports its failure's text, on the
    // full disk.
    SaveAttempt trySave(const std::function<bool(QString* error)>& save);

private:
    QString m_path;
    QString m_mechanism;
    std::unique_ptr<ScratchMount> m_mount;
    int m_writeErrorOnMount = 0;
    int m_writeErrorOnLimit = 0;
};
