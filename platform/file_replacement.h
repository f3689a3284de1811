#pragma once

#include <QByteArrayView>
#include <QString>

// Saving a whole file so that a failure never costs the old one.
//
// replace() writes the new content to a temporary file in the same folder,
// checks every write, flushes it to the disk and only then renames it over
// the old file: a full disk, a file-size limit, a read-only folder or a lost
// device leave the old file byte for byte as it was (or still absent), and no
// temporary file stays behind. The new file keeps the old one's permissions
// (and owner, where the system allows); a link is followed, and its target is
// replaced.
//
// Failures are returned as the system's reason text (such as "No space left
// on device"); nothing is thrown. Blocking calls: use it for small files.
class FileReplacement
{
public:
    static bool replace(const QString& path, QByteArrayView bytes, QString* error = nullptr);

    // Makes folder and the folders above it that are missing. A folder that
    // cannot be made is reported with the system's reason (a read-only file
    // system, a permission, a file in the way), not as the missing folder.
    static bool makeFolder(const QString& folder, QString* error = nullptr);
};
