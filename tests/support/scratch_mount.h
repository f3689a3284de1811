#pragma once

#include <QString>

#include <functional>
#include <memory>

// A small file system of the test's own: a tmpfs mounted on an empty folder,
// for failures that only a real file system gives (a full disk, a read-only
// folder that even root cannot write to). Mounting needs the right to mount
// (root, as in CI); mount() says why it could not, and the caller falls back
// to another mechanism or skips.
//
// The mount is made in a mount namespace private to the calling thread: it is
// invisible to the rest of the machine and goes away with the process even
// when a test dies. The destructor unmounts it earlier. Use it from the
// thread that made it (the test's main thread).
class ScratchMount
{
public:
    ~ScratchMount();
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    // Mounts a tmpfs of about sizeBytes on folder (made when missing).
    static std::unique_ptr<ScratchMount> mount(const QString& folder, qint64 sizeBytes, QString* whyNot);

    const QString& path() const { return m_path; }

    // Remounts it read-only: every write, even root's, fails with EROFS.
    bool makeReadOnly(QString* whyNot);
    // Takes the free space with a filler file until the system says the
    // disk is full.
    bool fill(QString* whyNot);

private:
    explicit ScratchMount(QString path) : m_path(std::move(path)) {}

    QString m_path;
};

// Runs work with the process's file-size limit at limitBytes and SIGXFSZ
// ignored, so a write beyond the limit fails with EFBIG as a write to a full
// disk does; both are restored after. False when the limit cannot be set.
bool runWithFileSizeLimit(qint64 limitBytes, const std::function<void()>& work);
