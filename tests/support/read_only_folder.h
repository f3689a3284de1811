#pragma once

#include "tests/support/scratch_mount.h"

#include <QByteArray>
#include <QString>

#include <memory>

// A folder this process cannot write to, even as root: a read-only tmpfs
// where the test may mount, else (for a user that is not root) a folder
// without write permission. Root without the right to mount gets none:
// whyNot() says so, and the test skips. The file given is put in first.
class ReadOnlyFolder
{
public:
    ReadOnlyFolder(const QString& folder, const QString& fileName = QString(),
                   const QByteArray& content = QByteArray());
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    const QString& path() const { return m_path; }
    // Empty once the folder is read-only.
    const QString& whyNot() const { return m_whyNot; }
    // The error number a write there fails with.
    int writeError() const { return m_writeError; }

private:
    void make(const QString& fileName, const QByteArray& content);

    QString m_path;
    std::unique_ptr<ScratchMount> m_mount;
    int m_writeError = 0;
    QString m_whyNot;
};
