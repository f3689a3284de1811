#include "device/device_command.h"
#include "records/record_checkpointer.h"
#include "records/record_export.h"
#include "records/record_store.h"
#include "records/session_recorder.h"
#include "tests/support/device_records.h"
#include "tests/support/full_file_system.h"
#include "tests/support/test_files.h"

#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

// The device records' SQLite file and the recorder over it, on real files:
// what a session leaves behind, tags given later, a writer killed mid-run,
// files that are not, or no longer, records, and a full disk.
class tst_RecordStore : public QObject
{
    Q_OBJECT

private slots:
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void sessionLeavesHistory();
    void tagsGivenLater();
    void killedWriterLosesNothingCommitted();
    void unusableFiles_data();
    void unusableFiles();
    void fullDiskSaysNotRecorded();
    void checkpointsOnTheirOwnThread();
    void csvFields_data();
    void csvFields();

private:
    // A file of each test's own, in a folder still to be made.
    QString dbPath() const
    {
        return m_dir.filePath(QLatin1StringView(QTest::currentTestFunction()) +
                              QStringLiteral("/records.sqlite"));
    }
    static RecordOrigin origin()
    {
        return {QStringLiteral("station-1"), QStringLiteral("ann"), QStringLiteral("kvconf"),
                QStringLiteral("0.1")};
    }
    QTemporaryDir m_dir;
};

void tst_RecordStore::settingsRoundTrip_data()
{
    QTest::addColumn<bool>("voltage");
    QTest::addColumn<bool>("pt1000");
    QTest::addColumn<quint8>("mode");
    QTest::addColumn<QString>("scaleLowText");
    QTest::addColumn<QString>("errorLevelText");
    QTest::newRow("current, Pt100, temperature") << false << false << quint8(imTemperature) << "10.5 °C"
                                                 << "22 mA";
    QTest::newRow("voltage, Pt1000, resistance") << true << true << quint8(imResistance) << "10.5 ohm"
                                                 << "11 V";
    QTest::newRow("potentiometer") << false << true << quint8(imPotentiometer) << "10.5 %"
                                   << "22 mA";
}

void tst_RecordStore::settingsRoundTrip()
{
    QFETCH(bool, voltage);
    QFETCH(bool, pt1000);
    QFETCH(quint8, mode);
    QFETCH(QString, scaleLowText);
    QFETCH(QString, errorLevelText);
    RecordedSettings r{testrecords::distinctSettings(), voltage, pt1000};
    r.settings.InputMode = mode;
    // A value with no short decimal form must come back to the bit.
    r.settings.fOutputLimitLow = 3.8f + 1e-6f;

    const QJsonObject json = settingsrecord::toJson(r);
    QCOMPARE(json.keys().size(), settingsrecord::keys().size());
    QCOMPARE(settingsrecord::valueText(json, QStringLiteral("scaleLow")), scaleLowText);
    QCOMPARE(settingsrecord::valueText(json, QStringLiteral("errorLevel")), errorLevelText);
    QCOMPARE(settingsrecord::valueText(json, QStringLiteral("wires")), QStringLiteral("3"));
    // The float as typed, not its double's digits.
    QCOMPARE(settingsrecord::valueText(json, QStringLiteral("outputLimitLow")).section(u' ', 0, 0),
             QStringLiteral("3.800001"));
    QCOMPARE(settingsrecord::fromJson(json), std::optional<RecordedSettings>(r));

    QJsonObject broken = json;
    broken.insert(QStringLiteral("outputType"),
                  QJsonObject{{QStringLiteral("value"), QStringLiteral("4-20 V")}});
    QVERIFY(!settingsrecord::fromJson(broken));
    QCOMPARE(settingsrecord::changedKeys(json, broken), QStringList{QStringLiteral("outputType")});
}

// One session as the window leaves it: every event in order, with the
// values that make the history useful.
void tst_RecordStore::sessionLeavesHistory()
{
    RecordStore store(dbPath());
    QVERIFY2(store.open(), qPrintable(store.message()));
    SessionRecorder recorder(&store, origin());
    recorder.setModel(QStringLiteral("KV4820"));
    QVERIFY(recorder.setTag(QStringLiteral("TT-101")).reason.isEmpty());

    QVERIFY(recorder.portOpened(QStringLiteral("/dev/ttyUSB0")).recorded);
    LiveValues live = testrecords::distinctLiveValues();
    live.FirmwareVersion = 0x0102;
    recorder.liveValuesArrived(live);
    const DeviceSettings found = testrecords::distinctSettings();
    QVERIFY(recorder.settingsRead(found).recorded);
    DeviceSettings sent = found;
    sent.fScaleHigh = 300.0f;
    QVERIFY(recorder.settingsWritten(sent).recorded);
    QVERIFY(recorder.writeAwaitsReadBack());
    // The transmitter kept something else than it was sent.
    DeviceSettings stored = sent;
    stored.Averaging = 8;
    QVERIFY(recorder.settingsRead(stored).recorded);
    QVERIFY(recorder.commandAcknowledged(CmdStoreAD0Ohm, qint32(1234567), live).recorded);
    QVERIFY(!recorder.commandAcknowledged(CmdReadLiveValues, {}, live).recorded);
    QVERIFY(recorder.commandAcknowledged(CmdEraseEEPROM, {}, live).recorded);
    QVERIFY(recorder.fileSaved(m_dir.filePath(QStringLiteral("pump.kvb")), QByteArray("abc")).recorded);
    // A reconnect continues the session; the real close ends it.
    QVERIFY(!recorder.portClosed(true).recorded);
    QVERIFY(!recorder.portOpened(QStringLiteral("/dev/ttyUSB0")).recorded);
    QVERIFY(recorder.portClosed(false).recorded);

    // A second program's connection sees it all, newest first.
    RecordStore reader(dbPath());
    QVERIFY(reader.open());
    const QList<RecordEvent> h = reader.history(QStringLiteral("TT-101"));
    QStringList kinds;
    for (const RecordEvent& e : h)
        kinds.prepend(e.kind);
    QCOMPARE(kinds, (QStringList{"session-start", "settings-read", "settings-write", "settings-read",
                                 "command", "erase", "file-saved", "session-end"}));
    QCOMPARE(reader.historySize(QStringLiteral("TT-101")), 8);
    QCOMPARE(reader.tags(), QStringList{QStringLiteral("TT-101")});
    QCOMPARE(reader.waitingCount(), 8);

    const RecordEvent& asFound = h.at(6);
    QCOMPARE(asFound.data.value("asFound").toBool(), true);
    QCOMPARE(asFound.firmware, 0x0102u);
    QCOMPARE(asFound.session, h.last().id);
    QCOMPARE(asFound.station, QStringLiteral("station-1"));
    QCOMPARE(asFound.model, QStringLiteral("KV4820"));
    QCOMPARE(asFound.port, QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(settingsrecord::fromJson(asFound.data.value("settings").toObject())->settings, found);

    const RecordEvent& write = h.at(5);
    const RecordEvent& asLeft = h.at(4);
    QCOMPARE(asLeft.data.value("asFound").toBool(), false);
    QCOMPARE(asLeft.data.value("asLeft").toBool(), true);
    QCOMPARE(asLeft.data.value("agreed").toBool(true), false);
    QCOMPARE(asLeft.data.value("differences").toArray(), QJsonArray{QStringLiteral("averaging")});
    QCOMPARE(reader.followUps(write.id), QList<RecordEvent>{asLeft});

    QCOMPARE(h.at(3).data.value("sent").toInt(), 1234567);
    QCOMPARE(h.at(3).data.value("name").toString(), devicecmd::name(CmdStoreAD0Ohm));
    // The erase keeps what the transmitter held: the read-back after the write.
    QCOMPARE(settingsrecord::fromJson(h.at(2).data.value("lastSettings").toObject())->settings, stored);
    QCOMPARE(h.at(1).data.value("sha256").toString(),
             QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));

    // What the server took no longer waits; what it did not still does.
    QVERIFY(store.markPushed({h.at(7).id, h.at(6).id}));
    QCOMPARE(reader.waitingCount(), 6);
    QCOMPARE(reader.waiting(1).first().id, h.at(5).id);
    // Pulled back from the server, it is not added twice.
    QCOMPARE(store.mergePulled(h), 0);
    QCOMPARE(reader.historySize(QStringLiteral("TT-101")), 8);
}

// Events never change: a tag given later is an event of its own, and the
// history follows it, also when the server delivers it before its events.
void tst_RecordStore::tagsGivenLater()
{
    RecordStore store(dbPath());
    QVERIFY(store.open());
    SessionRecorder recorder(&store, origin());
    QVERIFY(recorder.portOpened(QStringLiteral("/dev/ttyS3")).recorded);
    recorder.settingsRead(DeviceSettings());
    QCOMPARE(store.historySize(QString()), 2);
    QVERIFY(recorder.setTag(QStringLiteral("PT-7")).recorded);
    QCOMPARE(store.historySize(QString()), 0);
    const QList<RecordEvent> tagged = store.history(QStringLiteral("PT-7"));
    QCOMPARE(tagged.size(), 3);
    QCOMPARE(tagged.first().kind, QStringLiteral("tag-assigned"));
    QCOMPARE(tagged.last().tag, QString()); // the event itself is unchanged

    // Another station's events and the tag it gave them, the tag first.
    RecordEvent a = tagged.at(1);
    a.id = QUuid::createUuid();
    a.station = QStringLiteral("station-2");
    RecordEvent give = tagged.first();
    give.id = QUuid::createUuid();
    give.tag = QStringLiteral("PT-8");
    give.time = a.time.addSecs(60);
    give.data = QJsonObject{{"events", QJsonArray{a.id.toString(QUuid::WithoutBraces)}}};
    QCOMPARE(store.mergePulled({give}), 1);
    QCOMPARE(store.historySize(QStringLiteral("PT-8")), 1);
    QCOMPARE(store.mergePulled({a, give}), 1);
    QCOMPARE(store.historySize(QStringLiteral("PT-8")), 2);
    QCOMPARE(store.history(QStringLiteral("PT-8")).last().id, a.id);
    QCOMPARE(store.tags(), (QStringList{"PT-7", "PT-8"}));

    // An event given a tag by hand is not taken along by the session's next tag.
    recorder.setTag(QString());
    QVERIFY(recorder.fileSaved(QStringLiteral("/x.kvb"), QByteArray("x")).recorded);
    QVERIFY(recorder.assignTag({store.history(QString()).first().id}, QStringLiteral("PT-9")).recorded);
    QVERIFY(!recorder.setTag(QStringLiteral("PT-10")).recorded);
    QCOMPARE(store.tags(), (QStringList{"PT-7", "PT-8", "PT-9"}));
}

// The recording connection leaves the log alone; the checkpointer's thread
// copies it into the file, which then holds every event on its own.
void tst_RecordStore::checkpointsOnTheirOwnThread()
{
    RecordStore store(dbPath());
    QVERIFY(store.open());
    QVERIFY(store.setAutoCheckpoint(false));
    RecordCheckpointer checkpointer(store.path(), 20);
    SessionRecorder recorder(&store, origin());
    recorder.setTag(QStringLiteral("TT-5"));
    QVERIFY(recorder.portOpened(QStringLiteral("/dev/ttyS5")).recorded);
    // Past the thousand pages at which SQLite would copy the log itself.
    for (int i = 0; i < 300; ++i)
        QVERIFY(recorder.fileSaved(QStringLiteral("/x%1.kvb").arg(i), QByteArray(3000, 'c')).recorded);
    const auto eventsInFileAlone = [&] {
        const QString copy = m_dir.filePath(QStringLiteral("checkpointed/records.sqlite"));
        QFile::remove(copy);
        QDir().mkpath(QFileInfo(copy).path());
        if (!QFile::copy(store.path(), copy))
            return -1;
        RecordStore alone(copy);
        alone.open();
        return alone.historySize(QStringLiteral("TT-5"));
    };
    QCOMPARE(eventsInFileAlone(), 0);
    checkpointer.noteWritten();
    QTRY_COMPARE_WITH_TIMEOUT(checkpointer.completed(), 1, 5000);
    QCOMPARE(eventsInFileAlone(), 301);
}

void tst_RecordStore::csvFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "TT-101"
                           << "TT-101";
    QTest::newRow("comma") << "a,b"
                           << "\"a,b\"";
    QTest::newRow("quote") << "12\" pipe"
                           << "\"12\"\" pipe\"";
    QTest::newRow("line end") << "a\r\nb"
                              << "\"a\r\nb\"";
}

// What a spreadsheet reads back as the same text.
void tst_RecordStore::csvFields()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(recordexport::csvField(text), field);
}

// A writer killed at an arbitrary moment: every event it had reported as
// committed is in the file afterwards, and the file opens as ever.
void tst_RecordStore::killedWriterLosesNothingCommitted()
{
    int pipeEnds[2];
    QVERIFY(pipe(pipeEnds) == 0);
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(pipeEnds[0]);
        RecordStore store(dbPath());
        if (!store.open())
            _exit(2);
        SessionRecorder recorder(&store, origin());
        recorder.setTag(QStringLiteral("TT-9"));
        recorder.portOpened(QStringLiteral("/dev/ttyS0"));
        for (int i = 0;; ++i) {
            if (!recorder.commandAcknowledged(CmdStoreAD0Ohm, qint32(i), LiveValues()).recorded)
                _exit(3);
            // Told only once committed.
            const char one = 1;
            if (write(pipeEnds[1], &one, 1) != 1)
                _exit(4);
        }
    }
    ::close(pipeEnds[1]);
    int acknowledged = 0;
    char byte = 0;
    while (acknowledged < 200 && read(pipeEnds[0], &byte, 1) == 1)
        ++acknowledged;
    kill(child, SIGKILL);
    // Whatever it wrote after the 200th report.
    while (read(pipeEnds[0], &byte, 1) == 1)
        ++acknowledged;
    ::close(pipeEnds[0]);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(WIFSIGNALED(status), "the writer ended before it was killed");

    RecordStore store(dbPath());
    QVERIFY2(store.open(), qPrintable(store.message()));
    // The session's start and every reported command, perhaps one more
    // committed in the moment before the kill.
    const int commands = store.historySize(QStringLiteral("TT-9")) - 1;
    QVERIFY2(commands >= acknowledged && commands <= acknowledged + 1,
             qPrintable(QStringLiteral("%1 reported, %2 kept").arg(acknowledged).arg(commands)));
}

void tst_RecordStore::unusableFiles_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("said");
    QTest::newRow("text file") << "text" << int(RecordStore::State::Unusable) << "not a records database";
    QTest::newRow("folder") << "folder" << int(RecordStore::State::Unusable) << "not a file";
    QTest::newRow("damaged pages") << "pages" << int(RecordStore::State::Unusable) << "damaged";
    QTest::newRow("newer schema") << "newer" << int(RecordStore::State::ReadOnly) << "newer version";
}

// Nothing this program cannot read as its records is written: the bytes on
// disk stay as they were, and the store says why, naming the file.
void tst_RecordStore::unusableFiles()
{
    QFETCH(QString, damage);
    QFETCH(int, state);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.sqlite"));
    if (damage == QLatin1String("text")) {
        QVERIFY(writeAll(path, QByteArray("[Records]\nServer=x\n")));
    } else if (damage == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else {
        {
            RecordStore store(path);
            QVERIFY(store.open());
            SessionRecorder recorder(&store, origin());
            recorder.setTag(QStringLiteral("TT-1"));
            recorder.portOpened(QStringLiteral("/dev/ttyS0"));
            for (int i = 0; i < 300; ++i)
                recorder.fileSaved(QStringLiteral("/tmp/x%1.kvb").arg(i), QByteArray(200, 'x'));
            if (damage == QLatin1String("newer")) {
                QSqlQuery q(QSqlDatabase::database(QSqlDatabase::connectionNames().constFirst()));
                QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = 99")));
            }
        }
        if (damage == QLatin1String("pages")) {
            QByteArray bytes = readAll(path);
            QVERIFY(bytes.size() > 40000);
            // Pages in the middle of the table and its indexes, not the header.
            bytes.replace(8192, 24576, QByteArray(24576, char(0xA5)));
            QVERIFY(writeAll(path, bytes));
        }
    }
    const QByteArray before = QFileInfo(path).isFile() ? readAll(path) : QByteArray();

    RecordStore store(path);
    QVERIFY(!store.open() || damage == QLatin1String("pages"));
    // Damage deep in the file shows when the history reaches it.
    store.history(QStringLiteral("TT-1"));
    store.waitingCount();
    QCOMPARE(int(store.state()), state);
    QVERIFY2(store.message().contains(said) && store.message().contains(path), qPrintable(store.message()));
    SessionRecorder recorder(&store, origin());
    const SessionRecorder::Result result = recorder.portOpened(QStringLiteral("/dev/ttyS0"));
    QVERIFY(!result.recorded);
    QVERIFY(!result.reason.isEmpty());
    if (state == int(RecordStore::State::ReadOnly))
        QCOMPARE(store.historySize(QStringLiteral("TT-1")), 301);
    store.close();
    if (!before.isEmpty())
        QCOMPARE(readAll(path), before);
}

void tst_RecordStore::fullDiskSaysNotRecorded()
{
    FullFileSystem full(m_dir.filePath(QStringLiteral("full")));
    const QString path = full.path() + QStringLiteral("/records.sqlite");
    RecordStore store(path);
    QVERIFY(store.open());
    SessionRecorder recorder(&store, origin());
    recorder.setTag(QStringLiteral("TT-2"));
    QVERIFY(recorder.portOpened(QStringLiteral("/dev/ttyS0")).recorded);
    SessionRecorder::Result result;
    const FullFileSystem::SaveAttempt attempt = full.trySave([&](QString* error) {
        // Enough to need new pages of the write-ahead log.
        for (int i = 0;
             i < 50 &&
             (result = recorder.fileSaved(QStringLiteral("/x.kvb"), QByteArray(4000, 'y'))).recorded;
             ++i) {
        }
        *error = result.reason;
        return result.recorded;
    });
    if (!attempt.whyNot.isEmpty())
        QSKIP(qPrintable(attempt.whyNot));
    QVERIFY(!result.recorded);
    QVERIFY(!result.reason.isEmpty());
    // A full disk is a moment, not a damaged file: recording goes on after.
    QVERIFY(store.canWrite());
    // What was committed before stays readable.
    QCOMPARE(store.history(QStringLiteral("TT-2")).last().kind, QStringLiteral("session-start"));
}

QTEST_GUILESS_MAIN(tst_RecordStore)
#include "tst_record_store.moc"
