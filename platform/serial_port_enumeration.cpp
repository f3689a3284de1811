#include "platform/serial_port_enumeration.h"

#include "platform/serial_port.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

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

void enumerate(QStringList* available, QList<RefusedPort>* refused)
{
    for (const QString& path : serialPortCandidates()) {
        int error = 0;
        if (SerialPort::isAvailable(path, &error)) {
            if (available)
                available->append(path);
        } else if (refused && (error == EACCES || error == EPERM)) {
            refused->append({path, SerialPort::permissionText(path)});
        }
    }
}

QStringList refusalLines(const QList<RefusedPort>& refused)
{
    // A machine's built-in ports all share one group: one line for them.
    constexpr qsizetype kPathsNamed = 3;
    QStringList reasons;
    QList<QStringList> paths;
    for (const RefusedPort& port : refused) {
        qsizetype at = reasons.indexOf(port.reason);
        if (at < 0) {
            at = reasons.size();
            reasons.append(port.reason);
            paths.append(QStringList());
        }
        paths[at].append(port.path);
    }
    QStringList lines;
    for (qsizetype i = 0; i < reasons.size(); ++i) {
        const QStringList& named = paths.at(i);
        QString line = named.mid(0, kPathsNamed).join(QStringLiteral(", "));
        if (named.size() > kPathsNamed)
            line += QStringLiteral(" and %1 more").arg(named.size() - kPathsNamed);
        lines.append(line + QStringLiteral(": ") + reasons.at(i));
    }
    return lines;
}

} // namespace serial

void EnumerateSerialPorts(QStringList* list)
{
    if (list)
        serial::enumerate(list, nullptr);
}
