#include "tests/support/process_threads.h"

#include <QDir>
#include <QFile>

namespace process_threads {

QList<int> ids()
{
    QList<int> result;
    const QStringList entries =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool ok = false;
        const int tid = entry.toInt(&ok);
        if (ok)
            result.append(tid);
    }
    return result;
}

int count()
{
    return int(ids().size());
}

long currentSyscall(int tid)
{
    QFile file(QStringLiteral("/proc/self/task/%1/syscall").arg(tid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray first = file.readLine().split(' ').value(0).trimmed();
    bool ok = false;
    const long number = first.toLong(&ok);
    return ok ? number : -1;
}

} // namespace process_threads
