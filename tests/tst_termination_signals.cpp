#include "platform/termination_signals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

constexpr int kWaitMs = 5000;

void (*handlerOf(int signalNumber))(int)
{
    struct sigaction current
    {
    };
    ::sigaction(signalNumber, nullptr, &current);
    return current.sa_handler;
}

} // namespace

class tst_TerminationSignals : public QObject
{
    Q_OBJECT

private slots:
    void signalArrivesOnTheEventLoop_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void signalArrivesOnTheEventLoop()
    {
        QFETCH(int, signalNumber);
        TerminationSignals watcher;
        QVERIFY(watcher.isValid());
        QSignalSpy requested(&watcher, &TerminationSignals::terminationRequested);
        QCOMPARE(::raise(signalNumber), 0);
        QVERIFY(requested.wait(kWaitMs));
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.at(0).at(0).toInt(), signalNumber);
    }

    // The handlers are the process's: a second watcher gets none, and its
    // end must not take them from the first.
    void secondWatcherLeavesTheFirstAlone()
    {
        TerminationSignals first;
        QVERIFY(first.isValid());
        {
            TerminationSignals second;
            QVERIFY(!second.isValid());
        }
        QVERIFY(handlerOf(SIGTERM) != SIG_DFL);
        QSignalSpy requested(&first, &TerminationSignals::terminationRequested);
        QCOMPARE(::raise(SIGTERM), 0);
        QVERIFY(requested.wait(kWaitMs));
    }

    // What was in place before comes back, and the next watcher works.
    void handlersBeforeComeBack()
    {
        struct sigaction savedInt
        {
        };
        struct sigaction ignore
        {
        };
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        QCOMPARE(::sigaction(SIGINT, &ignore, &savedInt), 0);
        const auto termBefore = handlerOf(SIGTERM);
        {
            TerminationSignals watcher;
            QVERIFY(watcher.isValid());
            QVERIFY(handlerOf(SIGINT) != SIG_IGN);
        }
        const bool intBack = handlerOf(SIGINT) == SIG_IGN;
        const bool termBack = handlerOf(SIGTERM) == termBefore;
        bool nextWorks = false;
        {
            TerminationSignals next;
            QSignalSpy requested(&next, &TerminationSignals::terminationRequested);
            nextWorks = next.isValid() && ::raise(SIGINT) == 0 && requested.wait(kWaitMs);
        }
        ::sigaction(SIGINT, &savedInt, nullptr);
        QVERIFY(intBack);
        QVERIFY(termBack);
        QVERIFY(nextWorks);
    }
};

QTEST_GUILESS_MAIN(tst_TerminationSignals)
#include "tst_termination_signals.moc"
