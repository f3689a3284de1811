#include "link/port_reconnector.h"
#include "link/tcomm_thread.h"
#include "link/tmb.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_port.h"
#include "tests/support/process_threads.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/tmb_event_log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <poll.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 1500;
// How long a babbling peer goes on at most.
constexpr int kBabbleMs = 6000;

// The id of the one thread that appeared since `before` was taken, or 0.
int newThread(const QList<int>& before)
{
    int found = 0;
    for (const int tid : process_threads::ids()) {
        if (!before.contains(tid)) {
            if (found)
                return 0;
            found = tid;
        }
    }
    return found;
}

} // namespace

class tst_TCommThread : public QObject
{
    Q_OBJECT

private slots:
    void handsOverOnTheContextThread()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        const int baseline = process_threads::count();
        QByteArray received;
        bool onContextThread = true;
        TCommThread* self = nullptr;
        TCommThread thread(
            SerialPort::open(pty->devicePath(), 19200), this,
            [&] {
                onContextThread = onContextThread && QThread::currentThread() == this->thread();
                received += self->port()->readAll();
            },
            [] {});
        self = &thread;
        QVERIFY(thread.port());
        thread.start();
        QCOMPARE(process_threads::count(), baseline + 1);

        QVERIFY(pty->write("first"));
        QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("first"), kWaitMs);
        QVERIFY(pty->write(QByteArray(3000, 'x')));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 5 + 3000, kWaitMs);
        QVERIFY(onContextThread);

        thread.stop();
        QTRY_COMPARE_WITH_TIMEOUT(process_threads::count(), baseline, kWaitMs);
        thread.stop(); // twice is harmless
    }

    // Stopping from inside the hand-over: the thread is blocked waiting for
    // this very callback, and must still end.
    void stopInsideCallback()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        const int baseline = process_threads::count();
        int calls = 0;
        TCommThread* self = nullptr;
        TCommThread thread(
            SerialPort::open(pty->devicePath(), 19200), this,
            [&] {
                ++calls;
                self->stop(); // the bytes stay unread: only a live thread would wake again
            },
            [] {});
        self = &thread;
        thread.start();
        QVERIFY(pty->write("x"));
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(process_threads::count(), baseline, kWaitMs);
        QCOMPARE(calls, 1);
    }

    // A batch already posted to the user-interface thread when closing starts
    // is dropped; stopping does not wait for the user-interface thread.
    void postedBatchDiscardedOnStop()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        const QList<int> before = process_threads::ids();
        int calls = 0;
        TCommThread thread(
            SerialPort::open(pty->devicePath(), 19200), this, [&] { ++calls; }, [] {});
        thread.start();
        const int tid = newThread(before);
        QVERIFY(tid != 0);
        if (!QTest::qWaitFor([&] { return process_threads::currentSyscall(tid) >= 0; }, kWaitMs))
            QSKIP("the kernel does not show where threads wait");

        QVERIFY(pty->write("late"));
        // No events are processed here: once the thread blocks on its
        // hand-over, the batch sits in this thread's queue.
        QDeadlineTimer deadline(kWaitMs);
        while (process_threads::currentSyscall(tid) != SYS_futex && !deadline.hasExpired())
            QThread::msleep(1);
        QCOMPARE(process_threads::currentSyscall(tid), long(SYS_futex));

        thread.stop();
        QVERIFY(!process_threads::ids().contains(tid) ||
                QTest::qWaitFor([&] { return !process_threads::ids().contains(tid); }, kWaitMs));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(calls, 0);
    }

    void hangUpReportedOnce()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        const int baseline = process_threads::count();
        int hangUps = 0;
        TCommThread* self = nullptr;
        TCommThread thread(
            SerialPort::open(pty->devicePath(), 19200), this, [&] { self->port()->readAll(); },
            [&] { ++hangUps; });
        self = &thread;
        thread.start();
        QVERIFY(pty->write("last words"));
        pty->hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(hangUps, 1, kWaitMs);
        // The thread has ended rather than waking up for ever.
        QTRY_COMPARE_WITH_TIMEOUT(process_threads::count(), baseline, kWaitMs);
        QCoreApplication::processEvents();
        QCOMPARE(hangUps, 1);
        thread.stop();
        QCOMPARE(hangUps, 1);
    }

    // A peer that sends without pause: each hand-over takes a bounded batch
    // and leaves the rest to the next, so timers keep ticking in between.
    void babblingPeer()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        TMB link;
        link.setMBMode(modeByte);
        QVERIFY(link.openAction(pty->devicePath()));
        std::atomic<bool> stop = false;
        std::atomic<bool> babbling = true;
        std::thread babbler([&] {
            const QByteArray noise(TMB::ReceiveBatchLimit, 'x');
            const QDeadlineTimer deadline(kBabbleMs);
            while (!stop && !deadline.hasExpired()) {
                pollfd writable{pty->farFd(), POLLOUT, 0};
                if (::poll(&writable, 1, 100) > 0 &&
                    ::write(pty->farFd(), noise.constData(), size_t(noise.size())) < 0 && errno != EAGAIN)
                    break;
            }
            babbling = false;
        });
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ticks += babbling ? 1 : 0; });
        timer.start(10);
        quint32 counted = 0;
        quint32 largest = 0;
        int batches = 0;
        connect(&link, &TMB::OnMBReceivedAByte, this, [&] {
            largest = qMax(largest, link.MBNumberOfRxFrames() - counted);
            counted = link.MBNumberOfRxFrames();
            ++batches;
        });
        const bool served = QTest::qWaitFor([&] { return ticks >= 50; }, kBabbleMs);
        stop = true;
        babbler.join();
        QVERIFY(served);
        QVERIFY(batches > 1);
        QVERIFY(largest <= quint32(TMB::ReceiveBatchLimit));
    }

    void neverStarted()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        {
            TCommThread thread(
                SerialPort::open(pty->devicePath(), 19200), this, [] {}, [] {});
            thread.stop();
        }
        QVERIFY(SerialPort::isAvailable(pty->devicePath()));
    }

    // Unplugged while a query waits: the transaction ends with a closed port
    // and the port is closed as Close closes it, receive thread and all.
    void unplugWhileWaiting()
    {
        const int baseline = process_threads::count();
        ScriptedPeer peer;
        QVERIFY(peer.isValid());
        TMB link;
        TmbEventLog log(&link);
        QSignalSpy wentAway(&link, &TMB::portWentAway);
        link.setMBMasterTimeOut(20000);
        QVERIFY(link.openAction(peer.devicePath()));
        QCOMPARE(process_threads::count(), baseline + 1);
        link.MBSend(0);
        QVERIFY(peer.waitForQueries(1));
        log.clear();

        peer.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(log.endCount(), 1, kWaitMs);
        QCOMPARE(log.entries(), QStringList({"now Port Error", "end Closed Port", "port 0"}));
        QCOMPARE(wentAway.count(), 1);
        QCOMPARE(wentAway.at(0).at(0).toString(), peer.devicePath());
        QCOMPARE(link.MBStatus(), stClosedPort);
        QCOMPARE(link.MBStatusNow(), stnPortError);
        QVERIFY(link.MBBusy());
        QVERIFY(!link.MBPortOpen());
        QCOMPARE(process_threads::count(), baseline);

        // Later queries fail at once, as on any closed port; Close has
        // nothing left to do.
        log.clear();
        link.MBSend(0);
        link.MBClosePort();
        QCOMPARE(log.entries(), QStringList({"end Closed Port"}));
        QCOMPARE(link.MBNumberOfTxFrames(), 1u);
    }

    void unplugWhileIdle()
    {
        const int baseline = process_threads::count();
        ScriptedPeer peer;
        QVERIFY(peer.isValid());
        TMB link;
        TmbEventLog log(&link);
        QVERIFY(link.openAction(peer.devicePath()));
        log.clear();
        peer.hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!link.MBPortOpen(), kWaitMs);
        // Reopening is for owners that ask for it.
        QVERIFY(!link.reconnector().isWaiting());
        QCOMPARE(log.entries(), QStringList({"busy 1", "now Port Error", "port 0"}));
        QCOMPARE(link.MBStatus(), stClosedPort);
        QCOMPARE(process_threads::count(), baseline);

        // Plugged in again: a new device opens normally.
        ScriptedPeer again;
        again.setResponder([](const QByteArray&) { return QByteArray("S0122010034126EFC;"); });
        QVERIFY(link.openAction(again.devicePath()));
        QSignalSpy end(&link, &TMB::OnMBMasterEndOfEvent);
        link.setMBMasterIDToSlave(34);
        link.setMBMasterCommandToSlave(1);
        link.MBSend(0);
        QVERIFY(end.wait(kWaitMs));
        QCOMPARE(link.MBStatus(), stOK);
        link.MBClosePort();
    }

    // Gone under a by-id name: while that name is absent, the kernel's path,
    // now another device's, is not taken for it.
    void reconnectWaitsForTheByIdName()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("by-id")));
        const QString kernelPath = dir.filePath(QStringLiteral("ttyUSB0"));
        const QString byId = dir.filePath(QStringLiteral("by-id/usb-KV_Adapter-if00-port0"));
        ScriptedPeer peer;
        QVERIFY(QFile::link(peer.devicePath(), kernelPath) && QFile::link(kernelPath, byId));
        TMB link;
        link.reconnector().setAliasFolder(dir.filePath(QStringLiteral("by-id")));
        link.reconnector().setTiming(10, 300);
        link.reconnector().setEnabled(true);
        QVERIFY(link.openAction(kernelPath));
        QSignalSpy waiting(&link.reconnector(), &PortReconnector::waitingChanged);
        QSignalSpy openedOrClosed(&link, &TMB::OnMBPortOpenedOrClosed);

        peer.hangUp();
        ScriptedPeer stranger;
        QVERIFY(QFile::remove(byId) && QFile::remove(kernelPath));
        QVERIFY(QFile::link(stranger.devicePath(), kernelPath));
        // The wait began and ran out.
        QTRY_COMPARE_WITH_TIMEOUT(waiting.count(), 2, kWaitMs);
        QCOMPARE(openedOrClosed.count(), 1);
        QVERIFY(!link.MBPortOpen());
    }

    void destroyWhileOpen()
    {
        const int baseline = process_threads::count();
        ScriptedPeer peer;
        QVERIFY(peer.isValid());
        auto link = std::make_unique<TMB>();
        TmbEventLog log(link.get());
        link->setMBMasterTimeOut(20000);
        QVERIFY(link->openAction(peer.devicePath()));
        link->MBSend(0);
        QVERIFY(peer.waitForQueries(1));
        peer.send("S0122"); // half an answer in flight
        log.clear();

        link.reset();
        QCOMPARE(log.entries(), QStringList());
        QTRY_COMPARE_WITH_TIMEOUT(process_threads::count(), baseline, kWaitMs);
        QVERIFY(SerialPort::isAvailable(peer.devicePath()));
    }
};

QTEST_GUILESS_MAIN(tst_TCommThread)
#include "tst_tcomm_thread.moc"
