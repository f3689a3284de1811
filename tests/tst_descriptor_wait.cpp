#include "platform/descriptor_wait.h"

#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <future>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 5000;

// A pipe whose ends close with the object.
struct Pipe
{
    Pipe()
    {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            fds[0] = fds[1] = -1;
    }
    ~Pipe()
    {
        closeWriteEnd();
        if (fds[0] >= 0)
            ::close(fds[0]);
    }
    bool isValid() const { return fds[0] >= 0; }
    int readEnd() const { return fds[0]; }
    bool write(char byte) { return ::write(fds[1], &byte, 1) == 1; }
    void closeWriteEnd()
    {
        if (fds[1] >= 0)
            ::close(fds[1]);
        fds[1] = -1;
    }

    int fds[2] = {-1, -1};
};

QString describe(const DescriptorWait::Events& e)
{
    QStringList parts;
    if (e.woken)
        parts << QStringLiteral("woken");
    if (e.readable)
        parts << QStringLiteral("readable");
    if (e.hungUp)
        parts << QStringLiteral("hungUp");
    if (e.failed)
        parts << QStringLiteral("failed");
    return parts.join(u' ');
}

} // namespace

class tst_DescriptorWait : public QObject
{
    Q_OBJECT

private slots:
    // What the far end did before the wait, and what the wait reports.
    void reportsTheDescriptor_data()
    {
        QTest::addColumn<bool>("writeByte");
        QTest::addColumn<bool>("closeFarEnd");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bytes waiting") << true << false << "readable";
        QTest::newRow("far end closed") << false << true << "hungUp";
        QTest::newRow("last bytes, then closed") << true << true << "readable hungUp";
    }
    void reportsTheDescriptor()
    {
        QFETCH(bool, writeByte);
        QFETCH(bool, closeFarEnd);
        QFETCH(QString, expected);
        Pipe pipe;
        QVERIFY(pipe.isValid());
        if (writeByte)
            QVERIFY(pipe.write('x'));
        if (closeFarEnd)
            pipe.closeWriteEnd();
        DescriptorWait wait(pipe.readEnd());
        QVERIFY(wait.isValid());
        QCOMPARE(describe(wait.wait()), expected);
    }

    // The receive thread's case: blocked with nothing to read, ended by
    // another thread. Without a descriptor only the wake ends the wait.
    void wakeEndsABlockedWait_data()
    {
        QTest::addColumn<bool>("watchPipe");
        QTest::newRow("quiet pipe") << true;
        QTest::newRow("no descriptor") << false;
    }
    void wakeEndsABlockedWait()
    {
        QFETCH(bool, watchPipe);
        Pipe pipe;
        QVERIFY(pipe.isValid());
        DescriptorWait wait(watchPipe ? pipe.readEnd() : -1);
        QVERIFY(wait.isValid());
        std::future<DescriptorWait::Events> waiting =
            std::async(std::launch::async, [&] { return wait.wait(); });
        wait.wake();
        QCOMPARE(waiting.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
        QCOMPARE(describe(waiting.get()), QStringLiteral("woken"));
    }

    // A stop requested before the thread got to wait must not be lost, and
    // a woken wait does not look at the descriptor any more.
    void wakeIsFinal()
    {
        Pipe pipe;
        QVERIFY(pipe.isValid());
        DescriptorWait wait(pipe.readEnd());
        wait.wake();
        QVERIFY(pipe.write('x'));
        QCOMPARE(describe(wait.wait()), QStringLiteral("woken"));
        QCOMPARE(describe(wait.wait()), QStringLiteral("woken"));
    }

    // A descriptor closed under the wait (a port handle gone) must end it,
    // not make it spin or block for ever.
    void closedDescriptorCountsAsHangUp()
    {
        Pipe pipe;
        QVERIFY(pipe.isValid());
        // A number well above the lowest free one, so the wait's own event
        // does not take it over once it is closed.
        const int fd = ::fcntl(pipe.readEnd(), F_DUPFD_CLOEXEC, 512);
        QVERIFY(fd >= 512);
        ::close(fd);
        DescriptorWait wait(fd);
        QVERIFY(wait.isValid());
        QCOMPARE(describe(wait.wait()), QStringLiteral("hungUp"));
    }

    // Out of descriptors: the wait is invalid and says why.
    void noWakeEventAtTheDescriptorLimit()
    {
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        QVERIFY(lowestFree >= 0);
        ::close(lowestFree);
        rlimit tight = saved;
        tight.rlim_cur = rlim_t(lowestFree);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        DescriptorWait wait(-1);
        const bool valid = wait.isValid();
        const int error = wait.error();
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
        QVERIFY(!valid);
        QCOMPARE(error, EMFILE);
        wait.wake(); // harmless without an event
    }
};

QTEST_GUILESS_MAIN(tst_DescriptorWait)
#include "tst_descriptor_wait.moc"
