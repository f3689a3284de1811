#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Whole-file reads and writes for checking what the program stored, and
// the folder where tests leave pictures to look at.

// The file's bytes; empty when it cannot be read.
QByteArray readAll(const QString& path);
// Replaces the file's content; false unless every byte was written.
bool writeAll(const QString& path, const QByteArray& bytes);
// The file's non-empty lines, read as UTF-8.
QStringList fileLines(const QString& path);

// KV_TEST_OUTPUT_DIR, or test-output in the current folder; made if missing.
QString outputDir();
