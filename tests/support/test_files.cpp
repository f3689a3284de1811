#include "tests/support/test_files.h"

#include <QDir>
#include <QFile>

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList fileLines(const QString& path)
{
    return QString::fromUtf8(readAll(path)).split(u'\n', Qt::SkipEmptyParts);
}

QString outputDir()
{
    QString dir = qEnvironmentVariable("KV_TEST_OUTPUT_DIR");
    if (dir.isEmpty())
        dir = QDir::current().filePath(QStringLiteral("test-output"));
    QDir().mkpath(dir);
    return dir;
}
