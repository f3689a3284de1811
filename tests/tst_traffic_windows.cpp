// The traffic log and link statistics windows in the main window: opened
// from the View menu, following the language, showing a transmitter's
// traffic with its failures, and saving what they show.

#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "app/link_statistics_window.h"
#include "app/traffic_log_filter.h"
#include "app/traffic_log_model.h"
#include "app/traffic_log_window.h"
#include "device/communication_task.h"
#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_files.h"
#include "widgets/radio_group.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

constexpr int WaitMs = 20000;

// Rows of the log with this status.
int rowsWith(TrafficLogModel& log, TrafficDecoder::Status status)
{
    int count = 0;
    for (int row = 0; row < log.rowCount(); ++row)
        count += log.record(row).status == status ? 1 : 0;
    return count;
}

int lastRow(TrafficLogModel& log, TrafficDecoder::Status status, int command)
{
    for (int row = log.rowCount() - 1; row >= 0; --row) {
        if (log.record(row).status == status && log.record(row).command == command)
            return row;
    }
    return -1;
}

// The log's model, counting how often a view or filter asks for the decoded
// fields of an entry (the children of its row): each such count decodes.
class FieldCountingLog : public TrafficLogModel
{
public:
    FieldCountingLog() : TrafficLogModel(nullptr) {}

    int rowCount(const QModelIndex& parent = {}) const override
    {
        if (parent.isValid())
            ++fieldRequests;
        return TrafficLogModel::rowCount(parent);
    }

    mutable int fieldRequests = 0;
};

LinkTraffic liveQueryEntry()
{
    LinkTraffic e;
    e.kind = LinkTraffic::Kind::Query;
    e.wire =
        frame::asciiEncode(frame::AsciiQueryStart, frame::withCrc(QByteArray::fromHex("01220100000000")));
    e.tryNumber = 1;
    return e;
}

} // namespace

class tst_TrafficWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowsFollowTheLanguage_data();
    void windowsFollowTheLanguage();
    void windowsShowTheTransmittersTraffic();
    void failedSaveIsReported();
    void fieldsDecodedOnlyForOpenedRows_data();
    void fieldsDecodedOnlyForOpenedRows();
    void shownLogTakesEntriesTogether_data();
    void shownLogTakesEntriesTogether();
};

void tst_TrafficWindows::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_TrafficWindows::windowsFollowTheLanguage_data()
{
    QTest::addColumn<int>("startLanguage");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    const QStringList english{"Traffic log", "Time", "Hide live polls", "Link statistics", "Reset"};
    const QStringList hungarian{"Forgalomnapló", "Idő", "Élő lekérdezések elrejtése",
                                "Kapcsolati statisztika", "Nullázás"};
    QTest::newRow("English, then the button") << 0 << english << hungarian;
    QTest::newRow("Magyar, then the button") << 1 << hungarian << english;
}

void tst_TrafficWindows::windowsFollowTheLanguage()
{
    QFETCH(int, startLanguage);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    TForm_KVTipusValasztas startForm;
    TForm_Main form(&startForm);
    startForm.RadioGroup_NyelvValasztas->setItemIndex(startLanguage);
    TrafficLogWindow& log = *form.trafficLogWindow();
    LinkStatisticsWindow& statistics = *form.linkStatisticsWindow();
    const auto texts = [&] {
        return QStringList{log.windowTitle(), log.view->model()->headerData(0, Qt::Horizontal).toString(),
                           log.hideLivePolls->text(), statistics.windowTitle(), statistics.reset->text()};
    };
    form.FormActivate();
    QCOMPARE(texts(), before);
    form.Button_Nyelv->click();
    QCOMPARE(texts(), after);

    // The View menu opens and closes them.
    form.viewTrafficLog->trigger();
    form.viewLinkStatistics->trigger();
    QVERIFY(log.isVisible() && statistics.isVisible());
    form.viewTrafficLog->trigger();
    QVERIFY(!log.isVisible());
}

void tst_TrafficWindows::windowsShowTheTransmittersTraffic()
{
    SimulatorOptions options;
    options.dropEvery = 3;
    options.corruptRate = 0.2;
    options.seed = 5;
    SimTransmitter transmitter(options);
    QVERIFY(transmitter.sim.isValid());
    transmitter.sim.start();

    TForm_KVTipusValasztas startForm;
    TForm_Main form(&startForm);
    startForm.RadioGroup_NyelvValasztas->setItemIndex(0);
    form.FormActivate();
    form.MB1->setMBMasterTimeOut(60);
    TrafficLogWindow& window = *form.trafficLogWindow();
    TrafficLogModel& log = window.model();
    QVERIFY(openPort(form, transmitter.sim.devicePath()));
    using Status = TrafficDecoder::Status;
    QTRY_VERIFY_WITH_TIMEOUT(rowsWith(log, Status::CrcError) + rowsWith(log, Status::FormatError) >= 1 &&
                                 rowsWith(log, Status::Resent) >= 2 && rowsWith(log, Status::Ok) >= 12,
                             WaitMs);
    form.MB1->closeAction();

    // The answers the task used are in the log, the live ones with their
    // fields: the last one is what the window shows.
    const int liveAnswer = lastRow(log, Status::Ok, CmdReadLiveValues);
    QVERIFY(liveAnswer >= 0);
    QVERIFY(lastRow(log, Status::Ok, CmdIdentify) >= 0);
    const QModelIndex answer = log.index(liveAnswer, 0);
    QCOMPARE(log.rowCount(answer), 28);
    QCOMPARE(log.index(9, TrafficLogModel::ColumnFrame, answer).data().toString(), QStringLiteral("fInput"));
    QCOMPARE(log.index(9, TrafficLogModel::ColumnCommand, answer).data().toString().toFloat(),
             form.communicationTask().liveValues().fInput);

    // Hiding live polls keeps the failures of live polls in view.
    const int all = window.filter().rowCount();
    window.hideLivePolls->setChecked(true);
    const int shown = window.filter().rowCount();
    QVERIFY(shown < all && shown > 0);
    int failures = 0;
    for (int row = 0; row < shown; ++row) {
        const QModelIndex source = window.filter().mapToSource(window.filter().index(row, 0));
        const TrafficDecoder::Record& r = log.record(source.row());
        QVERIFY(!r.livePoll || r.status != Status::Ok);
        failures += r.status == Status::CrcError || r.status == Status::NoAnswer ? 1 : 0;
    }
    QVERIFY(failures > 0);
    window.hideLivePolls->setChecked(false);

    // Copied: the selected rows, else all shown.
    window.view->selectionModel()->select(window.filter().mapFromSource(answer),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    window.copy->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), log.lineAt(liveAnswer) + QLatin1Char('\n'));
    window.view->clearSelection();
    window.copy->click();
    QCOMPARE(QGuiApplication::clipboard()->text().count(QLatin1Char('\n')), all);

    // Saved as shown: a header, then one line per row.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.txt"));
    QString error;
    QVERIFY2(window.saveTo(path, &error), qPrintable(error));
    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), all + 1);
    QVERIFY(lines[0].startsWith(QStringLiteral("Time\tDir.\tFrame")));
    QCOMPARE(lines[liveAnswer + 1], log.lineAt(liveAnswer));
    QVERIFY(lines[liveAnswer + 1].contains(QStringLiteral("\tRX\tS0122010")));

    // The statistics counted the same traffic.
    LinkStatisticsWindow& statistics = *form.linkStatisticsWindow();
    const LinkStatistics::Figures f = statistics.statistics().figures(form.MB1->baudRate());
    QCOMPARE(f.crcOrFormatErrors,
             quint64(rowsWith(log, Status::CrcError) + rowsWith(log, Status::FormatError)));
    QCOMPARE(f.resends, quint64(rowsWith(log, Status::Resent)));
    QCOMPARE(f.responses, quint64(rowsWith(log, Status::Ok) + rowsWith(log, Status::Refused)));

    // Pictures, with a live answer opened, in both languages.
    window.resize(1100, 520);
    window.show();
    window.view->expand(window.filter().mapFromSource(answer));
    window.view->scrollTo(window.filter().mapFromSource(answer), QAbstractItemView::PositionAtTop);
    statistics.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const char* language : {"en", "hu"}) {
        statistics.refresh();
        QVERIFY(window.grab().save(outputDir() + QStringLiteral("/traffic_log_%1.png").arg(language)));
        QVERIFY(
            statistics.grab().save(outputDir() + QStringLiteral("/link_statistics_%1.png").arg(language)));
        form.Button_Nyelv->click();
    }
    window.failuresOnly->setChecked(true);
    QVERIFY(window.grab().save(outputDir() + QStringLiteral("/traffic_log_failures_en.png")));
}

void tst_TrafficWindows::failedSaveIsReported()
{
    QTemporaryDir dir;
    ReadOnlyFolder folder(dir.filePath(QStringLiteral("ro")));
    if (!folder.whyNot().isEmpty())
        QSKIP(qPrintable(folder.whyNot()));
    TForm_Main form;
    TrafficLogWindow& window = *form.trafficLogWindow();
    ScriptedDialogs dialogs;
    const QString path = folder.path() + QStringLiteral("/traffic.txt");
    dialogs.queueFileAnswer(path);
    window.save->click();
    QCOMPARE(dialogs.fileDialogs().size(), 1);
    QCOMPARE(dialogs.messages().size(), 1);
    QCOMPARE(dialogs.messages()[0].type, Dialogs::MessageType::Error);
    QVERIFY2(dialogs.messages()[0].text.contains(path), qPrintable(dialogs.messages()[0].text));
    QVERIFY(!QFileInfo::exists(path));

    // Cancelled: nothing written, nothing said.
    window.save->click();
    QCOMPARE(dialogs.messages().size(), 1);
}

void tst_TrafficWindows::fieldsDecodedOnlyForOpenedRows_data()
{
    QTest::addColumn<bool>("shown");
    QTest::newRow("view shown") << true;
    QTest::newRow("view hidden") << false;
}

// A log of many entries stays as cheap per new entry as an empty one only
// if nothing walks every row's fields: the filter must answer "has fields?"
// without decoding them.
void tst_TrafficWindows::fieldsDecodedOnlyForOpenedRows()
{
    QFETCH(bool, shown);
    FieldCountingLog log;
    TrafficLogFilter filter;
    filter.setSourceModel(&log);
    QTreeView view;
    view.setModel(&filter);
    view.setUniformRowHeights(true);
    if (shown) {
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    constexpr int Entries = 200;
    for (int k = 0; k < Entries; ++k) {
        log.append(liveQueryEntry());
        if (shown)
            view.scrollToBottom();
        QCoreApplication::processEvents();
    }
    QCOMPARE(filter.rowCount(), Entries);
    QVERIFY(filter.hasChildren(filter.index(0, 0)));
    QCOMPARE(log.fieldRequests, 0);

    // Opening a row decodes that row's fields, and they show.
    const QModelIndex opened = filter.index(Entries - 1, 0);
    view.expand(opened);
    QCoreApplication::processEvents();
    QCOMPARE(filter.rowCount(opened), 2);
    QVERIFY(log.fieldRequests > 0);
    QCOMPARE(filter.index(0, TrafficLogModel::ColumnFrame, opened).data().toString(),
             QStringLiteral("CalibrationPage"));
}

void tst_TrafficWindows::shownLogTakesEntriesTogether_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("pauseBetween");
    QTest::addColumn<int>("insertions");
    QTest::newRow("hidden: each at once") << false << false << 6;
    QTest::newRow("shown: together") << true << false << 1;
    QTest::newRow("shown, paused between: in order") << true << true << 2;
}

void tst_TrafficWindows::shownLogTakesEntriesTogether()
{
    QFETCH(bool, shown);
    QFETCH(bool, pauseBetween);
    QFETCH(int, insertions);
    TMB mb;
    TrafficLogWindow window(mb);
    TrafficLogModel& log = window.model();
    if (shown) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    QSignalSpy inserted(&log, &QAbstractItemModel::rowsInserted);
    constexpr int Entries = 6;
    for (int k = 0; k < Entries; ++k) {
        LinkTraffic entry = liveQueryEntry();
        entry.wallMs = k;
        if (pauseBetween && k == Entries / 2)
            window.pause->click();
        log.append(entry);
    }
    if (pauseBetween)
        window.pause->click();
    QTRY_COMPARE(log.rowCount(), Entries);
    QCOMPARE(inserted.size(), insertions);
    for (int row = 0; row < Entries; ++row)
        QCOMPARE(log.record(row).entry.wallMs, qint64(row));
    QCOMPARE(window.filter().rowCount(), Entries);

    // What waits goes into the log at once when the log is copied or saved,
    // and when the window hides.
    if (shown) {
        log.append(liveQueryEntry());
        QCOMPARE(log.rowCount(), Entries);
        QCOMPARE(window.shownLines(false).size(), Entries + 1);
        log.append(liveQueryEntry());
        window.hide();
        QCOMPARE(log.rowCount(), Entries + 2);
    }
}

QTEST_MAIN(tst_TrafficWindows)
#include "tst_traffic_windows.moc"
