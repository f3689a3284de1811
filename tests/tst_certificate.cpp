#include "certificates/certificate_issuer.h"
#include "device/device_command.h"
#include "records/record_store.h"
#include "records/session_recorder.h"
#include "tests/support/device_records.h"
#include "tests/support/test_files.h"

#include <QJsonArray>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

// Certificates issued from real records: what the PDF says (read back with
// pdftotext), what it covers, and how it is numbered.
class tst_Certificate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void verificationCertificate_data();
    void verificationCertificate();
    void settingsCertificate();
    void numbersNeverRepeat();

private:
    QString pdfText(const QString& path);
    // A session as a commissioning leaves it: as found, adjusted, as left.
    void recordCommissioning(RecordStore& store, const QString& tag);
    QTemporaryDir m_dir;
    RecordOrigin m_origin{QStringLiteral("bench-3"), QStringLiteral("ann"), QStringLiteral("kvconf"),
                          QStringLiteral("0.1")};
};

void tst_Certificate::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QFAIL("pdftotext is missing (poppler-utils; scripts/test installs it)");
}

QString tst_Certificate::pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

VerificationRun runAt(const VerificationSetup& setup, const char* kind, double outputOffset)
{
    VerificationRun run;
    run.kind = QLatin1StringView(kind);
    run.setup = setup;
    run.reference = QStringLiteral("decade box DB-7");
    for (const double percent : verification::defaultPercents()) {
        const double value = verification::valueAt(setup, percent);
        run.points.append(verification::evaluate(setup, percent, value,
                                                 verification::expectedOutput(setup, value) + outputOffset,
                                                 OutputSource::Meter));
    }
    return run;
}

void tst_Certificate::recordCommissioning(RecordStore& store, const QString& tag)
{
    SessionRecorder recorder(&store, m_origin);
    recorder.setModel(QStringLiteral("KV4620"));
    recorder.setTag(tag);
    recorder.portOpened(QStringLiteral("/dev/ttyUSB1"));
    LiveValues live;
    live.FirmwareVersion = 20150325;
    recorder.liveValuesArrived(live);
    DeviceSettings found;
    found.fScaleLow = 0.0f;
    found.fScaleHigh = 200.0f;
    recorder.settingsRead(found);
    const VerificationSetup setup = VerificationSetup::from(found, live, 0.10);
    // Off by 0.05 mA: 0.31 % of the span, outside the tolerance.
    recorder.recordOther(RecordEvent::Verification, runAt(setup, VerificationRun::AsFound, 0.05).toJson());
    recorder.commandAcknowledged(CmdStorePWM4mA, quint16(13050), live);
    recorder.commandAcknowledged(CmdStorePWM20mA, quint16(65400), live);
    DeviceSettings left = found;
    left.fOutputLimitHigh = 20.8f;
    recorder.settingsWritten(left);
    recorder.settingsRead(left);
    recorder.recordOther(RecordEvent::Verification, runAt(setup, VerificationRun::AsLeft, 0.004).toJson());
    recorder.portClosed(false);
}

void tst_Certificate::verificationCertificate_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("phrases");
    QTest::newRow("en") << "en"
                        << QStringList{"Calibration certificate",
                                       "Verification as found",
                                       "Verification as left",
                                       "Output limit high",
                                       "20.5 mA",
                                       "20.8 mA",
                                       "Output low point",
                                       "13050",
                                       "Output high point",
                                       "65400",
                                       "decade box DB-7",
                                       "Overall result: pass",
                                       "119.397 ohm",
                                       "Next calibration due",
                                       "Technician",
                                       "Approved"};
    QTest::newRow("hu") << "hu"
                        << QStringList{"Kalibrálási bizonyítvány",
                                       "Ellenőrzés átvételkor",
                                       "Ellenőrzés átadáskor",
                                       "Kimenet felső határ",
                                       "megfelelt",
                                       "nem felelt meg",
                                       "119,397 ohm",
                                       "20,8 mA",
                                       "hőmérséklet",
                                       "Összesített eredmény: megfelelt",
                                       "Jóváhagyta"};
}

void tst_Certificate::verificationCertificate()
{
    QFETCH(QString, language);
    QFETCH(QStringList, phrases);
    RecordStore store(m_dir.filePath(language + QStringLiteral("/records.sqlite")));
    QVERIFY(store.open());
    recordCommissioning(store, QStringLiteral("TT-101"));
    CertificateIssuer issuer(store, m_origin);
    CertificateIssuer::Request request{QStringLiteral("TT-101"),
                                       CertificateIssuer::Kind::Verification,
                                       language,
                                       QStringLiteral("North Works"),
                                       QString(),
                                       12};
    const QString path = m_dir.filePath(language + QStringLiteral("/TT-101.pdf"));
    const CertificateIssuer::Issued first = issuer.issue(request, path);
    QVERIFY2(first.ok, qPrintable(first.error));
    const int year = QDate::currentDate().year();
    QCOMPARE(first.number, QStringLiteral("bench-3-%1-1").arg(year));

    // Kept for a look at its pages.
    QFile::remove(QDir(outputDir()).filePath(QStringLiteral("certificate_%1.pdf").arg(language)));
    QFile::copy(path, QDir(outputDir()).filePath(QStringLiteral("certificate_%1.pdf").arg(language)));
    const QString text = pdfText(path);
    for (const QString& phrase : phrases)
        QVERIFY2(text.contains(phrase), qPrintable(phrase + QStringLiteral(" missing in:\n") + text));
    for (const QString& field :
         {first.number, QStringLiteral("TT-101"), QStringLiteral("KV4620"), QStringLiteral("20150325"),
          QStringLiteral("North Works"), QStringLiteral("ann")})
        QVERIFY2(text.contains(field), qPrintable(field));
    // Every point of both runs: the five as found fail, and so does that run.
    const bool english = language == QLatin1String("en");
    QCOMPARE(text.count(english ? QStringLiteral("fail") : QStringLiteral("nem felelt meg")), 5 + 1);
    QCOMPARE(text.count(english ? QStringLiteral("119.397 ohm") : QStringLiteral("119,397 ohm")), 2);

    // The certificate is on record with its file's hash; issued again for
    // the same runs it gets a new number that names the first.
    const RecordEvent issued = store.history(QStringLiteral("TT-101")).first();
    QCOMPARE(issued.kind, QStringLiteral("certificate"));
    QCOMPARE(issued.data.value("number").toString(), first.number);
    QCOMPARE(issued.data.value("covers").toArray().size(), 2);
    const CertificateIssuer::Issued second = issuer.issue(request, path + QStringLiteral(".2.pdf"));
    QVERIFY2(second.ok, qPrintable(second.error));
    QCOMPARE(second.number, QStringLiteral("bench-3-%1-2").arg(year));
    QCOMPARE(second.data.replaces, first.number);
    QVERIFY(pdfText(path + QStringLiteral(".2.pdf")).contains(first.number));
}

void tst_Certificate::settingsCertificate()
{
    RecordStore store(m_dir.filePath(QStringLiteral("settings/records.sqlite")));
    QVERIFY(store.open());
    recordCommissioning(store, QStringLiteral("FT-7"));
    CertificateIssuer issuer(store, m_origin);
    const QString path = m_dir.filePath(QStringLiteral("settings/FT-7.pdf"));
    const CertificateIssuer::Issued issued =
        issuer.issue({QStringLiteral("FT-7"), CertificateIssuer::Kind::Settings, QStringLiteral("en"),
                      QString(), QString(), 12},
                     path);
    QVERIFY2(issued.ok, qPrintable(issued.error));
    const QString text = pdfText(path);
    QVERIFY2(text.contains(QStringLiteral("No test points were verified")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("read back from the transmitter and agreed")));
    QVERIFY(!text.contains(QStringLiteral("Verification as left")));

    // Nothing to certify is said, and no number is spent on it.
    const CertificateIssuer::Issued none = issuer.issue(
        {QStringLiteral("FT-8"), CertificateIssuer::Kind::Verification, QStringLiteral("en"), {}, {}, 12},
        path + QStringLiteral(".none"));
    QVERIFY(!none.ok);
    QVERIFY2(none.error.contains(QStringLiteral("FT-8")), qPrintable(none.error));
    QVERIFY(!QFile::exists(path + QStringLiteral(".none")));
}

// Two programs issuing from one records file at once: every number once.
void tst_Certificate::numbersNeverRepeat()
{
    const QString path = m_dir.filePath(QStringLiteral("shared/records.sqlite"));
    {
        RecordStore store(path);
        QVERIFY(store.open());
    }
    constexpr int perProcess = 40;
    int pipes[2][2];
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        QVERIFY(pipe(pipes[c]) == 0);
        children[c] = fork();
        QVERIFY(children[c] >= 0);
        if (children[c] == 0) {
            RecordStore store(path);
            if (!store.open())
                _exit(2);
            for (int i = 0; i < perProcess; ++i) {
                const int n = store.nextCertificateNumber(QStringLiteral("bench-3"), 2026);
                if (n <= 0 || write(pipes[c][1], &n, sizeof n) != sizeof n)
                    _exit(3);
            }
            _exit(0);
        }
        ::close(pipes[c][1]);
    }
    QSet<int> numbers;
    for (int c = 0; c < 2; ++c) {
        int n = 0;
        while (read(pipes[c][0], &n, sizeof n) == sizeof n)
            numbers.insert(n);
        ::close(pipes[c][0]);
        int status = 0;
        QCOMPARE(waitpid(children[c], &status, 0), children[c]);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    QCOMPARE(numbers.size(), 2 * perProcess);
    QCOMPARE(*std::max_element(numbers.begin(), numbers.end()), 2 * perProcess);
}

QTEST_MAIN(tst_Certificate)
#include "tst_certificate.moc"
