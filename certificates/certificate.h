#pragma once

#include "records/record_event.h"
#include "verification/verification.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// What a certificate states, gathered from the device records: who, what,
// when, the settings as found and as left, the verification runs and the
// calibration done between them. A settings certificate (bulk
// commissioning) has no runs and says that no test points were verified.
struct CertificateData
{
    struct Calibration
    {
        QDateTime time;
        quint8 command = 0; // the command's code
        QString sent;       // the value sent, "-" for none
    };

    QString number;
    // The certificate this one replaces (issued again for the same runs).
    QString replaces;
    QString language = QStringLiteral("en"); // "en" or "hu"

    QString tag;
    QString model;
    quint32 firmware = 0;
    QDateTime issued;
    QString station;
    QString technician;
    QString plant;
    QString reference;

    // The settings JSON of the records (settingsrecord::toJson); empty when
    // none was read.
    QJsonObject settingsAsFound;
    QJsonObject settingsAsLeft;
    std::optional<VerificationRun> asFound;
    std::optional<VerificationRun> asLeft;
    QList<Calibration> calibrations;
    // The settings written were read back and agreed (settings certificates).
    bool settingsVerified = false;
    QDate nextDue;

    bool settingsOnly() const { return !asFound && !asLeft; }
    // The as-left run passed, or for settings only, the write verified.
    bool pass() const;
};

namespace certificate {

inline constexpr int DefaultIntervalMonths = 12;

// The certificate as a document, in its language.
QString html(const CertificateData& data);
// The PDF's bytes (A4, fonts embedded); empty on failure. Needs a
// QGuiApplication (the offscreen platform will do); any thread.
QByteArray pdf(const CertificateData& data);

} // namespace certificate
