#pragma once

#include <QByteArray>
#include <QString>

// Appends to a file so that what was appended survives the program being
// killed and, once the call returns, the machine losing power: the file is
// opened for appending (and made when missing), written in full, synced to
// the disk and closed again on every call. Small appends from several
// processes do not interleave.
namespace durableappend {

// False, with the system's reason, when any step failed; the file may then
// hold part of the bytes.
bool append(const QString& path, const QByteArray& bytes, QString* errorText = nullptr);

} // namespace durableappend
