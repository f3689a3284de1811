#pragma once

#include "device/communication_task_host.h"
#include "device/live_values.h"

#include <QDateTime>
#include <QString>

// The record of the calibration and store commands the transmitter has
// acknowledged, one text line each, appended to a file. The transmitter
// cannot report these values back; after an erase the journal is what a
// calibration is repeated from. append() returns only once the line is on
// the disk, so a program that is killed loses nothing it has journaled.
//
// A line is tab-separated: the local time (ISO 8601 with milliseconds and
// offset), then name=value fields: port, model, sensor (sub type), firmware,
// command (code and name), sent (the parameter, "-" for none), and the live
// reading when the button was pressed: ADAveraged, fCalculatedR,
// fCalculatedRWithoutCompensation, PWM, fOutput.
class CalibrationJournal
{
public:
    static constexpr const char* FileName = "calibration-journal.txt";

    struct Entry
    {
        QDateTime time;
        QString port;
        QString model; // "KV4620" or "KV4820"
        quint8 command = 0;
        CommunicationTaskHost::SentParameter sent;
        // The latest live block when the button was pressed; the sub type
        // and the firmware version come from it too.
        LiveValues reading;
    };

    // The folder is made when the first line is appended.
    explicit CalibrationJournal(QString path) : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }

    // The commands journaled once acknowledged: the converter, three-wire,
    // output, potentiometer and two-wire stores and the erase.
    static bool isJournaled(quint8 command);
    // One entry as its line, without the line end.
    static QString line(const Entry& entry);
    // The parameter as text: shortest exact decimal form, "-" for none.
    static QString text(const CommunicationTaskHost::SentParameter& sent);

    // Appends the entry's line; false, with the reason, when it could not be
    // written completely.
    bool append(const Entry& entry, QString* errorText = nullptr) const;

    // In the configurator's data folder: ~/.local/share/kvconf/ on Linux.
    static QString defaultPath();

private:
    QString m_path;
};
