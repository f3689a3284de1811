#pragma once

#include "device/live_values.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

// A recording of live blocks as comma-separated values: one row per block,
// written and handed to the system at once, so that when the program dies
// or the line is lost the file holds every block up to the last one.
//
// The first line names the columns: "time" (ISO 8601 with milliseconds and
// the offset from UTC), then every field of the block in its order with its
// unit in brackets ("fInput [degC]"). The units of the measured value and of
// the output follow the block's mode and output kind; when a block's differ
// from the last header's, a new header line goes before its row. Numbers
// are written with a point and as many digits as read back to the same
// value; flags as 1 or 0.
class LiveCsvWriter
{
public:
    // Creates or replaces the file. False, with the system's reason, when it
    // cannot be written.
    bool open(const QString& path, QString* error = nullptr);
    // One row; false, with the reason, when it could not be written whole
    // (the file is then closed: what is in it stays).
    bool write(const QDateTime& time, const LiveValues& values, QString* error = nullptr);
    void close();

    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    // Rows written since the last open, header lines not counted; kept
    // after a close.
    qint64 rows() const { return m_rows; }

    // The header line and a row, without line end.
    static QStringList columns(const LiveValues& values);
    static QString header(const LiveValues& values);
    static QString row(const QDateTime& time, const LiveValues& values);

private:
    QFile m_file;
    QString m_header;
    qint64 m_rows = 0;
};
