// The device records through the real main window against the virtual
// transmitter on a pseudo-terminal: what a session leaves in the history,
// in order and with its values; settings compared and put back after an
// erase; the history exported; tags given; records files that cannot be
// used or fill up; and the Device records window in both languages.

#include "tests/support/main_window_fixture.h"

#include "app/compare_before_write.h"
#include "app/device_records_window.h"
#include "link/port_reconnector.h"
#include "records/record_export.h"
#include "records/record_presentation.h"
#include "records/record_store.h"
#include "tests/support/full_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_files.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int WaitMs = 15000;

// The main window over the virtual transmitter, its records in a folder of
// the test's own unless another file is named.
struct Session
{
    explicit Session(const QString& records = {}, const QString& tag = {})
        : t(fastRestart()),
          form(nullptr, AppContext{{},
                                   {},
                                   dir.filePath(QStringLiteral("journal.txt")),
                                   records.isEmpty() ? dir.filePath(QStringLiteral("records/records.sqlite"))
                                                     : records,
                                   tag})
    {}

    static SimulatorOptions fastRestart()
    {
        SimulatorOptions options;
        options.restartSilenceMs = 20;
        return options;
    }
    // Opens the port and waits until the opening's settings read is done.
    bool open()
    {
        t.sim.start();
        form.show();
        return QTest::qWaitForWindowExposed(&form) && openPort(form, t.sim.devicePath()) && idle();
    }
    // No request pending, the group usable again.
    bool idle()
    {
        return QTest::qWaitFor(
            [this] {
                return liveCount(t.sent) >= 2 && !form.SpeedButton_KVKiolvasas->Down() &&
                       !form.SpeedButton_BeallitasokAKVbe->Down() && allGroupEnabled(form) &&
                       !form.PageControl_Main->isHidden();
            },
            WaitMs);
    }
    bool press(TSpeedButton* button)
    {
        button->click();
        return button->Down() && QTest::qWaitFor([button] { return !button->Down(); }, WaitMs) && idle();
    }
    DeviceRecordsWindow& records() { return *form.deviceRecordsWindow(); }
    const RecordEvent& shown(int row) { return records().history().event(row); }
    // The history the window lists, oldest first.
    QStringList kinds()
    {
        QStringList list;
        for (int row = 0; row < records().history().rowCount(); ++row)
            list.prepend(shown(row).kind);
        return list;
    }
    // Selects these rows of the list, as clicks with Ctrl would.
    void select(const QList<int>& rows)
    {
        QTableView* view = records().historyView;
        view->clearSelection();
        for (const int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QTemporaryDir dir;
    SimTransmitter t;
    TForm_Main form;
};

// The settings controls as a person reads them.
QStringList settingsShown(const TForm_Main& f)
{
    QStringList shown;
    for (const TRadioGroup* group : {f.RadioGroup_VezetekSzam, f.RadioGroup_Uzemmod, f.RadioGroup_Atlagolas,
                                     f.RadioGroup_AnalogKimTipus, f.RadioGroup_AnalogKimHibajelzes})
        shown << QString::number(group->ItemIndex());
    shown << QString::number(f.CheckBox_NemHibaAKimenetTulcsordulas->isChecked());
    for (const TLabeledEdit* edit :
         {f.LabeledEdit_AramL, f.LabeledEdit_AramH, f.LabeledEdit_AramLLimit, f.LabeledEdit_AramHLimit})
        shown << edit->text();
    return shown;
}

QString field(const QJsonObject& settings, const char* key)
{
    return settingsrecord::valueText(settings, QLatin1StringView(key));
}

// The compared fields marked as changed, by key.
QStringList markedFields(const QTableWidget* table)
{
    QStringList marked;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 1)->font().bold())
            marked << settingsrecord::keys().at(row);
    }
    return marked;
}

} // namespace

class tst_DeviceRecordsWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sessionHistoryThroughTheWindow();
    void tagsGivenAfterwards();
    void reconnectContinuesTheSession_data();
    void reconnectContinuesTheSession();
    void unusableRecordsFile_data();
    void unusableRecordsFile();
    void fullDiskIsNoticedOncePerReason();
};

void tst_DeviceRecordsWindow::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    qRegisterMetaType<TMBStatus>();
}

// Read, write, a calibration and an erase through the window: the history
// holds each in order with its values, the write agreed with its read-back,
// and the settings read before the erase go back into the controls.
void tst_DeviceRecordsWindow::sessionHistoryThroughTheWindow()
{
    ScriptedDialogs dialogs;
    Session s;
    QVERIFY(s.open());
    s.form.viewDeviceRecords->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(&s.records()));
    // Its title bar on the screen, and the keyboard with it.
    const QRect frame = s.records().frameGeometry();
    QVERIFY(
        s.records().screen()->availableGeometry().contains(QRect(frame.topLeft(), QSize(frame.width(), 1))));
    QTRY_VERIFY_WITH_TIMEOUT(s.records().isAncestorOf(QApplication::focusWidget()), WaitMs);
    QCOMPARE(s.kinds(), (QStringList{"session-start", "settings-read"}));
    QCOMPARE(s.records().historyView->isColumnHidden(DeviceHistoryModel::ColumnPort), false);

    // The tag typed now takes the session's events so far along.
    QTest::keyClicks(s.records().tagBox->lineEdit(), QStringLiteral(" TT-101 "));
    QTest::keyClick(s.records().tagBox->lineEdit(), Qt::Key_Return);
    QCOMPARE(s.form.sessionRecorder()->tag(), QStringLiteral("TT-101"));
    QCOMPARE(s.kinds(), (QStringList{"session-start", "settings-read", "tag-assigned"}));
    QVERIFY(s.records().historyView->isColumnHidden(DeviceHistoryModel::ColumnPort));

    s.form.RadioGroup_Atlagolas->button(5)->click();
    s.form.LabeledEdit_AramH->setText(QStringLiteral("300"));
    QVERIFY(s.press(s.form.SpeedButton_BeallitasokAKVbe));
    const QStringList asLeftShown = settingsShown(s.form);
    // The calibration page stays closed: opening it would read the settings.
    QVERIFY(s.press(s.form.SpeedButton_ADCal0Ohm));
    QVERIFY(s.press(s.form.SpeedButton_ParancsEEPROMTorles));
    QVERIFY(s.press(s.form.SpeedButton_KVKiolvasas));
    QVERIFY(settingsShown(s.form) != asLeftShown);
    s.form.MB1->closeAction();
    QTRY_COMPARE_WITH_TIMEOUT(s.kinds().constLast(), QStringLiteral("session-end"), WaitMs);

    QCOMPARE(s.kinds(), (QStringList{"session-start", "settings-read", "tag-assigned", "settings-write",
                                     "settings-read", "command", "erase", "settings-read", "session-end"}));
    const int rows = s.records().history().rowCount();
    const RecordEvent& asFound = s.shown(rows - 2);
    const RecordEvent& write = s.shown(rows - 4);
    const RecordEvent& asLeft = s.shown(rows - 5);
    const RecordEvent& command = s.shown(rows - 6);
    const RecordEvent& erase = s.shown(rows - 7);
    QVERIFY(asFound.data.value("asFound").toBool());
    const QJsonObject sent = write.data.value("sent").toObject();
    QCOMPARE(field(sent, "scaleHigh") + field(sent, "averaging"), QStringLiteral("300 °C32"));
    QVERIFY(asLeft.data.value("asLeft").toBool());
    QVERIFY(asLeft.data.value("agreed").toBool());
    QCOMPARE(asLeft.data.value("afterWrite").toString(), write.id.toString(QUuid::WithoutBraces));
    QCOMPARE(asLeft.data.value("settings"), write.data.value("sent"));
    // The command's line is the journal's line.
    const QString line = fileLines(s.form.context().journalPath).constFirst();
    QCOMPARE(command.data.value("name").toString() +
                 QStringLiteral("\tsent=%1\t").arg(command.data["sent"].toInteger()),
             line.section(u'\t', 5, 6, QString::SectionIncludeTrailingSep).section(u' ', 1));
    QVERIFY(line.contains(
        QStringLiteral("\tADAveraged=%1\t").arg(command.data["reading"]["ADAveraged"]["value"].toInteger())));
    QCOMPARE(erase.data.value("lastSettings"), asLeft.data.value("settings"));
    for (int row = 0; row < rows; ++row) {
        const RecordEvent& e = s.shown(row);
        QCOMPARE(e.port + e.model + e.program, s.t.sim.devicePath() + "KV4820kvconf");
        QCOMPARE(e.session, s.shown(rows - 1).id);
        QCOMPARE(e.firmware, row < rows - 1 ? SimulatorOptions::DefaultFirmwareVersion : 0u);
    }

    // The transmitter's factory settings against what it held as left.
    QVERIFY(!s.records().loadButton->isEnabled());
    s.select({rows - 5, 1});
    QVERIFY(s.records().compareButton->isEnabled() && !s.records().loadButton->isEnabled());
    s.records().compareButton->click();
    // In view, beside the list, not squeezed out of it.
    QVERIFY(s.records().compareTable->isVisible());
    QVERIFY(s.records().compareTable->height() > s.records().historyView->height() / 2);
    QVERIFY(markedFields(s.records().compareTable).contains(QStringLiteral("scaleHigh")));
    QVERIFY(!markedFields(s.records().compareTable).contains(QStringLiteral("wires")));
    // One of them against the transmitter's latest read: the same fields.
    const QStringList againstFactory = markedFields(s.records().compareTable);
    s.select({rows - 5});
    s.records().compareButton->click();
    QCOMPARE(s.records().compareTable->horizontalHeaderItem(2)->text(),
             QStringLiteral("Távadó most (utolsó kiolvasás)"));
    QCOMPARE(markedFields(s.records().compareTable), againstFactory);
    // As found against what was sent: exactly the two fields the user changed.
    s.select({rows - 2, rows - 4});
    s.records().compareButton->click();
    QCOMPARE(markedFields(s.records().compareTable), (QStringList{"averaging", "scaleHigh"}));
    // The pictures at the size it opens with on a desktop screen.
    s.records().resize(1000, 640);
    QVERIFY(s.records().grab().save(outputDir() + QStringLiteral("/device_records_hu.png")));

    // Load into window: the as-left settings back, the limit outputs as they are.
    s.form.LabeledEdit_Limit1Low->setText(QStringLiteral("12.5"));
    s.select({rows - 5});
    s.records().loadButton->click();
    QCOMPARE(settingsShown(s.form), asLeftShown);
    QCOMPARE(s.form.LabeledEdit_Limit1Low->text(), QStringLiteral("12.5"));
    QCOMPARE(s.records().history().rowCount(), rows);

    // Compare before write: the controls (the as-left just loaded) beside the
    // transmitter's last read (its factory settings) and the last as-left; a
    // value of the read taken into the controls, nothing sent.
    s.records().compareBeforeWriteButton->click();
    QVERIFY(s.records().compareBeforeWrite->isVisible() && s.records().compareTable->isHidden());
    QTableWidget* before = s.records().compareBeforeWrite->compareBeforeWriteTable;
    QCOMPARE(markedFields(before), againstFactory);
    const int scaleHigh = int(settingsrecord::keys().indexOf(QStringLiteral("scaleHigh")));
    const auto cell = [before, scaleHigh](int side) { return before->item(scaleHigh, side + 1)->text(); };
    QCOMPARE(cell(CompareBeforeWrite::Controls), cell(CompareBeforeWrite::AsLeft));
    before->setCurrentCell(scaleHigh, CompareBeforeWrite::Transmitter + 1);
    s.records().compareBeforeWrite->takeButton->click();
    QCOMPARE(cell(CompareBeforeWrite::Controls), cell(CompareBeforeWrite::Transmitter));
    QCOMPARE(s.form.LabeledEdit_AramH->text().toDouble(),
             cell(CompareBeforeWrite::Transmitter).section(u' ', 0, 0).toDouble());
    QVERIFY(s.form.LabeledEdit_AramH->text().toDouble() !=
            field(sent, "scaleHigh").section(u' ', 0, 0).toDouble());
    QCOMPARE(s.records().history().rowCount(), rows);

    // The whole history, newest first, in both formats.
    const QString csvPath = s.dir.filePath(QStringLiteral("TT-101.csv"));
    dialogs.queueFileAnswer(csvPath);
    s.records().exportCsvButton->click();
    dialogs.queueFileAnswer(s.dir.filePath(QStringLiteral("TT-101")));
    s.records().exportJsonButton->click();
    const QJsonArray json = QJsonDocument::fromJson(readAll(s.dir.filePath("TT-101.json"))).array();
    QCOMPARE(json.size(), rows);
    int writes = 0;
    for (int row = 0; row < rows; ++row) {
        const QJsonObject e = json.at(row).toObject();
        QCOMPARE(e.value("id").toString(), s.shown(row).id.toString(QUuid::WithoutBraces));
        // As kvctl history shows it: a write with the read-back that settled it.
        if (e.value("kind") == QLatin1StringView(RecordEvent::SettingsWrite)) {
            ++writes;
            QCOMPARE(e.value("readBack").toObject(), asLeft.data.value("settings").toObject());
            QVERIFY(e.value("verified").toBool() && e.value("agreed").toBool());
        }
    }
    QCOMPARE(writes, 1);
    const QStringList csv =
        QString::fromUtf8(readAll(csvPath)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(csv.size(), rows + 1);
    QCOMPARE(csv.constFirst(), QStringLiteral("id,time,tag,station,user,program,version,port,model,firmware,"
                                              "session,kind,data"));
    const QString settingsData = QString::fromUtf8(QJsonDocument(asLeft.data).toJson(QJsonDocument::Compact));
    QCOMPARE(
        csv.at(rows - 4),
        QStringList({asLeft.id.toString(QUuid::WithoutBraces), RecordEvent::timeText(asLeft.time), "TT-101",
                     asLeft.station, asLeft.user, "kvconf", asLeft.version, asLeft.port, "KV4820",
                     QString::number(asLeft.firmware), asLeft.session.toString(QUuid::WithoutBraces),
                     "settings-read", recordexport::csvField(settingsData)})
            .join(u','));

    // The language button: the window's texts and the comparison follow.
    const auto texts = [&s, rows] {
        return QStringList{s.records().windowTitle(),
                           s.records().historyView->model()->headerData(0, Qt::Horizontal).toString(),
                           s.records().historyView->model()->index(rows - 2, 4).data().toString(),
                           s.records().compareTable->horizontalHeaderItem(0)->text(),
                           s.records().compareTable->item(0, 0)->text(),
                           s.records().loadButton->text()};
    };
    QCOMPARE(texts(), (QStringList{"Készüléknapló", "Idő", "Beállítások kiolvasva, talált állapot", "Mező",
                                   "Vezetékszám", "&Betöltés az ablakba"}));
    // A command in the words of the certificate, not the protocol's name.
    const QString done = recordpresentation::commandText(command.data["command"].toInt(), true);
    const QString summary = s.records().historyView->model()->index(rows - 6, 5).data().toString();
    QVERIFY2(!done.isEmpty() && summary.startsWith(done + u';'), qPrintable(summary));
    s.form.Button_Nyelv->click();
    QCOMPARE(texts(), (QStringList{"Device records", "Time", "Settings read, as found", "Field", "Wires",
                                   "&Load into window"}));
    s.select({rows - 2, rows - 4});
    s.records().compareButton->click();
    QVERIFY(s.records().grab().save(outputDir() + QStringLiteral("/device_records_en.png")));
    QCOMPARE(dialogs.messages().size(), 0);
}

// A tag from the command line, taken away in the tag box: the session's
// events are untagged, listed with their port, and given a tag afterwards.
// The events themselves stay as they were made.
void tst_DeviceRecordsWindow::tagsGivenAfterwards()
{
    Session s({}, QStringLiteral("PT-1"));
    QCOMPARE(s.records().tagBox->currentText(), QStringLiteral("PT-1"));
    s.records().applyTag(QStringLiteral("bad\ttag"));
    QCOMPARE(s.records().tagBox->currentText(), QStringLiteral("PT-1"));
    QVERIFY(s.records().message().contains(QStringLiteral("bad\ttag")));
    s.records().applyTag(QString());
    QVERIFY(s.open());
    s.form.viewDeviceRecords->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(&s.records()));
    QCOMPARE(s.kinds(), (QStringList{"session-start", "settings-read"}));
    QCOMPARE(s.records().historyView->model()->index(0, DeviceHistoryModel::ColumnPort).data().toString(),
             s.t.sim.devicePath());
    QVERIFY(s.records().assignTagEdit->isVisible());

    const QList<QUuid> ids{s.shown(0).id, s.shown(1).id};
    s.select({0, 1});
    s.records().assignTagEdit->setText(QStringLiteral("PT-2"));
    s.records().assignTagButton->click();
    QCOMPARE(s.records().history().rowCount(), 0);
    s.records().applyTag(QStringLiteral("PT-2"));
    QCOMPARE(s.kinds(), (QStringList{"session-start", "settings-read", "tag-assigned"}));
    QCOMPARE((QList<QUuid>{s.shown(1).id, s.shown(2).id}), ids);
    QCOMPARE(s.shown(1).tag, QString());
    QCOMPARE(s.form.recordStore()->tags(), QStringList{QStringLiteral("PT-2")});
    QCOMPARE(s.records().tagBox->count(), 1);

    // What the plant's server says, and another station's event it brought;
    // without a server nothing is said to wait for one.
    QVERIFY2(!s.records().status().contains(QStringLiteral("szerver")), qPrintable(s.records().status()));
    RecordsSyncStatus sync;
    sync.waiting = 7;
    sync.lastError = QStringLiteral("connection refused");
    s.records().showSyncStatus(sync);
    QVERIFY2(
        s.records().status().contains(QStringLiteral("7 vár a szerverre  ·  szerver: connection refused")),
        qPrintable(s.records().status()));
    RecordEvent other = s.shown(0);
    other.id = QUuid::createUuid();
    other.station = QStringLiteral("station-2");
    other.time = other.time.addSecs(1);
    QCOMPARE(s.form.recordStore()->mergePulled({other}), 1);
    s.records().eventsPulled();
    QCOMPARE(s.shown(0).station, QStringLiteral("station-2"));
}

void tst_DeviceRecordsWindow::reconnectContinuesTheSession_data()
{
    QTest::addColumn<bool>("backInTime");
    QTest::newRow("back in time") << true;
    QTest::newRow("gone for good") << false;
}

// The adapter pulled: while the link waits for it the session goes on, and
// the settings read when it is back are no "as found"; a wait that ends
// without it ends the session.
void tst_DeviceRecordsWindow::reconnectContinuesTheSession()
{
    QFETCH(bool, backInTime);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("usb-KV_Adapter_0001-if00-port0"));
    auto transmitter = std::make_unique<SimTransmitter>();
    transmitter->sim.start();
    QVERIFY(QFile::link(transmitter->sim.devicePath(), link));
    TForm_Main form(nullptr, AppContext{{}, {}, {}, dir.filePath(QStringLiteral("records.sqlite")), "TT-9"});
    form.MB1->reconnector().setAliasFolder(dir.path());
    form.MB1->reconnector().setTiming(20, backInTime ? WaitMs : 200);
    const auto kinds = [&form] {
        QStringList list;
        for (const RecordEvent& e : form.recordStore()->history(QStringLiteral("TT-9")))
            list.prepend(e.kind + (e.data.value("asFound").toBool() ? "/as found" : ""));
        return list;
    };
    QVERIFY(openPort(form, link));
    QTRY_COMPARE_WITH_TIMEOUT(kinds().size(), 2, WaitMs);

    transmitter.reset();
    QVERIFY(QFile::remove(link));
    QTRY_VERIFY_WITH_TIMEOUT(!form.MB1->MBPortOpen(), WaitMs);
    if (!backInTime) {
        QTRY_COMPARE_WITH_TIMEOUT(
            kinds(), (QStringList{"session-start", "settings-read/as found", "session-end"}), WaitMs);
        return;
    }
    QVERIFY(form.MB1->reconnector().isWaiting());
    transmitter = std::make_unique<SimTransmitter>();
    transmitter->sim.start();
    QVERIFY(QFile::link(transmitter->sim.devicePath(), link));
    QTRY_COMPARE_WITH_TIMEOUT(kinds().size(), 3, WaitMs);
    form.MB1->closeAction();
    QTRY_COMPARE_WITH_TIMEOUT(
        kinds(), (QStringList{"session-start", "settings-read/as found", "settings-read", "session-end"}),
        WaitMs);
}

void tst_DeviceRecordsWindow::unusableRecordsFile_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("historyRows");
    QTest::newRow("not a database") << "text" << 0;
    QTest::newRow("newer schema") << "newer" << 2;
}

// One warning naming the file; the configurator reads and writes as ever,
// the file stays as it was, and a read-only file still shows its history.
void tst_DeviceRecordsWindow::unusableRecordsFile()
{
    QFETCH(QString, damage);
    QFETCH(int, historyRows);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.sqlite"));
    if (damage == QLatin1String("text")) {
        QVERIFY(writeAll(path, QByteArray("TT-101;pump\n")));
    } else {
        {
            RecordStore store(path);
            QVERIFY(store.open());
            SessionRecorder recorder(&store,
                                     RecordOrigin::current(QStringLiteral("kvctl"), QStringLiteral("9")));
            recorder.setTag(QStringLiteral("TT-101"));
            QVERIFY(recorder.portOpened(QStringLiteral("/dev/ttyS9")).recorded);
            QVERIFY(recorder.portClosed(false).recorded);
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = 7")));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("newer"));
    }
    const QByteArray before = readAll(path);

    ScriptedDialogs dialogs;
    Session s(path, QStringLiteral("TT-101"));
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.messages().size(), 1, WaitMs);
    QVERIFY2(dialogs.messages().constFirst().text.contains(path),
             qPrintable(dialogs.messages().constFirst().text));
    QVERIFY(s.open());
    s.form.LabeledEdit_AramL->setText(QStringLiteral("-50"));
    QVERIFY(s.press(s.form.SpeedButton_BeallitasokAKVbe));
    QCOMPARE(s.t.sim.model().settings().fScaleLow, -50.0f);
    QCOMPARE(s.form.LabeledEdit_AramL->text(), QStringLiteral("-50.0"));
    s.form.viewDeviceRecords->trigger();
    QCOMPARE(s.records().history().rowCount(), historyRows);
    QVERIFY(s.records().status().contains(QStringLiteral("nem rögzítve")));
    s.form.MB1->closeAction();
    // A second warning would be queued by now.
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.messages().size(), 1);
    s.form.recordStore()->close();
    QCOMPARE(readAll(path), before);
}

// A full disk while recording: the window's status says what was not
// recorded and why; the warning comes once for the reason.
void tst_DeviceRecordsWindow::fullDiskIsNoticedOncePerReason()
{
    QTemporaryDir dir;
    FullFileSystem full(dir.filePath(QStringLiteral("full")));
    ScriptedDialogs dialogs;
    Session s(full.path() + QStringLiteral("/records.sqlite"));
    SessionRecorder& recorder = *s.form.sessionRecorder();
    int failures = 0;
    const FullFileSystem::SaveAttempt attempt = full.trySave([&](QString* error) {
        for (int i = 0; i < 50 && failures < 3; ++i) {
            const SessionRecorder::Result result =
                recorder.fileSaved(QStringLiteral("/x.kvb"), QByteArray(4000, 'y'));
            if (!result.recorded) {
                ++failures;
                *error = result.reason;
            }
        }
        return failures == 0;
    });
    if (!attempt.whyNot.isEmpty())
        QSKIP(qPrintable(attempt.whyNot));
    QCOMPARE(failures, 3);
    QVERIFY2(s.records().status().endsWith(QStringLiteral("nem rögzítve: ") + attempt.error),
             qPrintable(s.records().status()));
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.messages().size(), 1, WaitMs);
    QVERIFY(dialogs.messages().constFirst().text.endsWith(attempt.error));
    // Room again: recording goes on and the notice goes.
    for (const QString& file : full.ownFiles())
        QVERIFY(QFile::remove(QDir(full.path()).filePath(file)));
    QVERIFY(recorder.fileSaved(QStringLiteral("/y.kvb"), QByteArray("z")).recorded);
    QVERIFY(!s.records().status().contains(QStringLiteral("nem rögzítve")));
    QCOMPARE(dialogs.messages().size(), 1);
}

QTEST_MAIN(tst_DeviceRecordsWindow)
#include "tst_device_records_window.moc"
