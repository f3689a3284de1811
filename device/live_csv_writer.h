#pragma once

#include "device/live_values.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

// A recording of live blocks as comma-separated values, for the Trend
// window's recording and `kvctl live --csv` alike: one row per block,
// written and handed to the system at once, so that when the program dies
// or the line is lost the file holds every block up to the last one.
//
// The first line names the columns, the same in every file: "time" (ISO
// 8601 with milliseconds and the offset from UTC), "value" and "unit" (the
// measured value and its unit, which follows the input mode: "degC", "%",
// "ohm"), "output" and "output_unit" ("mA" or "V"); then the other fields
// of the block in their order with their unit in brackets ("ADRaw
// [counts]"), the firmware version, and "status_flags", the names of the
// status bits that are set. Numbers are written with a point and as many
// digits as read back to the same value; flags as 1 or 0.
class LiveCsvWriter
{
public:
    // Creates or replaces the file and writes the header. False, with the
    // system's reason, when it cannot be written.
    bool open(const QString& path, QString* error = nullptr);
    // One row; false, with the reason, when it could not be written whole
    // (the file is then closed: what is in it stays).
    bool write(const QDateTime& time, const LiveValues& values, QString* error = nullptr);
    void close();

    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    // Rows written since the last open, the header not counted; kept after
    // a close.
    qint64 rows() const { return m_rows; }

    // The header's names, and a row without its line end.
    static QStringList columns();
    static QByteArray row(const QDateTime& time, const LiveValues& values);

private:
    bool put(const QByteArray& bytes, QString* error);

    QFile m_file;
    qint64 m_rows = 0;
};
