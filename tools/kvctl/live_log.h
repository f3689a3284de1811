#pragma once

#include "device/live_csv_writer.h"
#include "device/live_display.h"
#include "device/live_values.h"

#include <QDateTime>
#include <QFile>
#include <QString>

// The rows of `kvctl live`: the measured value, the analog output, the
// input resistance, the input mode, the wiring, the error and the status
// flags of one live block, with their units and the time it came.
//
// Text rows read as the window shows the values (its number patterns and
// decimal separator). CSV and JSON rows are for programs: a decimal point,
// ISO 8601 times with the UTC offset, flags by name; the CSV file has the
// columns of the Trend window's recording (LiveCsvWriter). Every row is
// flushed as it is written, so a file is complete up to its last row
// whenever the program ends.
class LiveLog
{
public:
    enum class Format
    {
        Text,
        Csv,
        Json
    };

    explicit LiveLog(Format format);

    // Csv: creates the file (replacing one that is there) and writes the
    // header. Text and Json go to standard output. False with the system's
    // reason when the file cannot be written.
    bool open(const QString& csvPath, QString* error);
    // One row; false with the reason when it could not be written.
    bool write(const QDateTime& time, const LiveValues& values, QString* error);

    int rows() const { return m_rows; }

private:
    QByteArray textRow(const QDateTime& time, const LiveValues& values, const LiveDisplay::View& view) const;
    QByteArray jsonRow(const QDateTime& time, const LiveValues& values, const LiveDisplay::View& view) const;
    bool put(const QByteArray& bytes, QString* error);

    Format m_format = Format::Text;
    QFile m_file;
    LiveCsvWriter m_csv;
    LiveDisplay m_display;
    int m_rows = 0;
};
