#pragma once

#include <QString>
#include <QStringList>

// What the main window needs to know about how the program was started.
struct AppContext
{
    // Command-line arguments after the program's name.
    QStringList arguments;
    // The program file: its name and folder place the configuration file and
    // give the default settings folder. Empty: no configuration file is read
    // or written.
    QString programPath;
    // The calibration journal's file (CalibrationJournal). Empty: no journal
    // is kept.
    QString journalPath = {};
    // The device records' file (RecordStore). Empty: nothing is recorded.
    QString recordsPath = {};
    // The instrument tag the window's sessions start with ("" untagged).
    QString recordsTag = {};
};
