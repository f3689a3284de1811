#include "platform/serial_port_enumeration.h"

#include "platform/serial_port.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace serial {

bool naturalLess(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Compare digit runs by value without overflow: strip leading
            // zeros, then longer is larger, then lexicographic.
            QStringView da = QStringView(a).mid(i, ei - i);
            QStringView db = QStringView(b).mid(j, ej - j);
            while (da.size() > 1 && da.front() == u'0')
                da = da.mid(1);
            while (db.size() > 1 && db.front() == u'0')
                db = db.mid(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (const int c = da.compare(db); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return (a.size() - i) < (b.size() - j);
}

QStringList serialPortCandidates()
{
    QStringList names;
    const QDir sysTty(QStringLiteral("/sys/class/tty"));
    const QStringList entries = sysTty.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& entry : entries) {
        // Only ttys backed by a device; virtual consoles and ptys have none.
        if (QFileInfo::exists(sysTty.filePath(entry + QStringLiteral("/device"))))
            names.append(entry);
    }
    std::sort(names.begin(), names.end(), naturalLess);

    QStringList candidates;
    for (const QString& name : std::as_const(names))
        candidates.append(QStringLiteral("/dev/") + name);

    const QString extra = qEnvironmentVariable("KV_EXTRA_PORTS");
    for (const QString& path : extra.split(u':', Qt::SkipEmptyParts)) {
        if (!candidates.contains(path))
            candidates.append(path);
    }
    return candidates;
}

QStringList aliasesOf(const QString& path, const QString& folder)
{
    QStringList aliases;
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return aliases;
    const QDir dir(folder);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        if (entry.isSymLink() && entry.canonicalFilePath() == device)
            aliases.append(entry.filePath());
    }
    return aliases;
}

} // namespace serial

void EnumerateSerialPorts(QStringList* list)
{
    if (!list)
        return;
    for (const QString& path : serial::serialPortCandidates()) {
        if (SerialPort::isAvailable(path))
            list->append(path);
    }
}
