#pragma once

#include "certificates/certificate.h"
#include "records/record_event.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class RecordStore;

// Issues a tag's certificate from its device records: gathers what it
// covers, takes its number, writes the PDF (checked, then one atomic step)
// and records that it was issued. A certificate once issued is never
// changed; issuing again for the same runs gives a new number that names
// the one it replaces.
//
// Numbers: from the plant's server, KV-<year>-<n> (through `serverNumber`,
// which must answer within its own deadline); without a server,
// <station>-<year>-<n> from the local records file.
class CertificateIssuer
{
public:
    enum class Kind
    {
        Verification, // the latest as-left run, the as-found run before it, and what lies between
        Settings,     // the latest verified write: settings as found and as left, no test points
    };

    struct Request
    {
        QString tag;
        Kind kind = Kind::Verification;
        QString language = QStringLiteral("en");
        QString plant;
        QString reference;
        int intervalMonths = certificate::DefaultIntervalMonths;
    };

    // The next number of the server's series for the year, or nullopt with
    // the reason when the server could not give one in time.
    using ServerNumber = std::function<std::optional<int>(int year, QString* error)>;

    struct Issued
    {
        bool ok = false;
        // Why not: nothing to certify, no number, the file, the records.
        QString error;
        // The number could not be had from the server (kvctl exits 3).
        bool numberUnavailable = false;
        QString number;
        QString path;
        QByteArray pdf;
        CertificateData data;
    };

    // What a certificate of the tag would hold now, without its number.
    static std::optional<CertificateData> gather(const RecordStore& store, const Request& request,
                                                 QList<QUuid>* covered, QString* error);

    CertificateIssuer(RecordStore& store, RecordOrigin origin, ServerNumber serverNumber = {});

    // Writes the certificate to `path` and records it. A certificate written
    // but not recorded is reported as a failure, with the file left.
    Issued issue(const Request& request, const QString& path);
    // The same into a folder, as <tag>-<number>.pdf (characters a file name
    // should not hold replaced by "_").
    Issued issueInto(const Request& request, const QString& folder);

private:
    Issued issueAt(const Request& request, const std::function<QString(const QString& number)>& pathFor);

    RecordStore& m_store;
    RecordOrigin m_origin;
    ServerNumber m_serverNumber;
};
