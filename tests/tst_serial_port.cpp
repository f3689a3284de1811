#include "link/tmb.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_port.h"
#include "platform/serial_port_enumeration.h"
#include "platform/serial_termios.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Line settings of a tty, read through a descriptor of our own (no lock).
termios settingsOf(const QString& path)
{
    termios tio{};
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::tcgetattr(fd, &tio);
        ::close(fd);
    }
    return tio;
}

QStringList enumerate()
{
    QStringList list;
    EnumerateSerialPorts(&list);
    return list;
}

} // namespace

class tst_SerialPort : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("KV_EXTRA_PORTS"); }

    void rawLineSettings()
    {
        termios tio{};
        // Start from everything switched on, as a cooked terminal might be.
        std::memset(&tio, 0xFF, sizeof tio);
        serial::setRawLineSettings(&tio);
        QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
        QCOMPARE(tio.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
        QCOMPARE(tio.c_iflag & (IXON | IXOFF | IXANY | INPCK | ISTRIP | ICRNL | INLCR | IGNCR), tcflag_t(0));
        QCOMPARE(tio.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
        QCOMPARE(int(tio.c_cc[VMIN]), 0);
        QCOMPARE(int(tio.c_cc[VTIME]), 0);
    }

    void baudConstants_data()
    {
        QTest::addColumn<quint32>("rate");
        QTest::addColumn<bool>("standard");
        for (int i = 0; i < TMBBaudCount; ++i) {
            const quint32 rate = mb::baudRate(i);
            QTest::addRow("%u", rate) << rate << !(rate == 7200 || rate == 14400 || rate == 128000);
        }
    }
    void baudConstants()
    {
        QFETCH(quint32, rate);
        QFETCH(bool, standard);
        const speed_t constant = serial::standardBaudConstant(rate);
        QCOMPARE(constant != B0, standard);
        termios tio{};
        QCOMPARE(serial::setStandardBaud(&tio, rate), standard);
        if (standard) {
            QCOMPARE(cfgetospeed(&tio), constant);
            QCOMPARE(cfgetispeed(&tio), constant);
        }
    }

    void naturalOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("less");

        QTest::newRow("2 before 10") << "ttyS2"
                                     << "ttyS10" << true;
        QTest::newRow("10 after 9") << "ttyS10"
                                    << "ttyS9" << false;
        QTest::newRow("equal") << "ttyS1"
                               << "ttyS1" << false;
        QTest::newRow("letters first") << "ttyACM0"
                                       << "ttyS0" << true;
        QTest::newRow("prefix") << "ttyS"
                                << "ttyS0" << true;
        QTest::newRow("leading zeros") << "ttyUSB007"
                                       << "ttyUSB10" << true;
        QTest::newRow("very long numbers") << "a99999999999999999999"
                                           << "a100000000000000000000" << true;
        QTest::newRow("second number decides") << "x1y10"
                                               << "x1y2" << false;
    }
    void naturalOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, less);
        QCOMPARE(serial::naturalLess(a, b), less);
    }

    void naturalSort()
    {
        QStringList names{"ttyUSB10", "ttyS10", "ttyUSB2", "ttyS2", "ttyACM0", "ttyS0", "ttyS1"};
        std::sort(names.begin(), names.end(), serial::naturalLess);
        QCOMPARE(names, QStringList({"ttyACM0", "ttyS0", "ttyS1", "ttyS2", "ttyS10", "ttyUSB2", "ttyUSB10"}));
    }

    void exclusiveOpen()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        QVERIFY(SerialPort::isAvailable(pty->devicePath()));

        QString error;
        auto first = SerialPort::open(pty->devicePath(), 19200, &error);
        QVERIFY2(first, qPrintable(error));
        QCOMPARE(first->path(), pty->devicePath());
        const termios tio = settingsOf(pty->devicePath());
        QCOMPARE(cfgetospeed(&tio), speed_t(B19200));

        // Held: a second opener fails, root included.
        QVERIFY(!SerialPort::isAvailable(pty->devicePath()));
        QString reason;
        auto second = SerialPort::open(pty->devicePath(), 19200, &error, &reason);
        QVERIFY(!second);
        QCOMPARE(error, errorText(EBUSY));
        QCOMPARE(reason, QString::fromLatin1(SerialPort::InUseText));

        first.reset();
        QVERIFY(SerialPort::isAvailable(pty->devicePath()));
        QVERIFY(SerialPort::open(pty->devicePath(), 19200));
    }

    // Another program holding the port with TIOCEXCL alone (no flock): root
    // would pass the kernel's check, so the layer must refuse by itself and
    // must leave the other program's hold in place.
    void foreignExclusiveHoldIsRespected()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        const int foreign =
            ::open(pty->devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(foreign >= 0);
        QCOMPARE(::ioctl(foreign, TIOCEXCL), 0);

        QVERIFY(!SerialPort::isAvailable(pty->devicePath()));
        QString error;
        QString reason;
        QVERIFY(!SerialPort::open(pty->devicePath(), 19200, &error, &reason));
        QCOMPARE(error, errorText(EBUSY));
        QCOMPARE(reason, QString::fromLatin1(SerialPort::InUseText));
        int stillHeld = 0;
        QCOMPARE(::ioctl(foreign, TIOCGEXCL, &stillHeld), 0);
        QCOMPARE(stillHeld, 1);

        ::ioctl(foreign, TIOCNXCL);
        ::close(foreign);
        QVERIFY(SerialPort::isAvailable(pty->devicePath()));
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("error");
        QTest::newRow("absent") << "/dev/kv-no-such-port" << ENOENT;
        QTest::newRow("not a terminal") << "/dev/null" << ENOTTY;
        QTest::newRow("a directory") << "/dev" << EISDIR;
    }
    void openFailures()
    {
        QFETCH(QString, path);
        QFETCH(int, error);
        QString text;
        QVERIFY(!SerialPort::open(path, 9600, &text));
        QCOMPARE(text, errorText(error));
        QVERIFY(!SerialPort::isAvailable(path));
    }

    // Rates without a speed constant go through the arbitrary-rate interface.
    void customRate()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        QString error;
        auto port = SerialPort::open(pty->devicePath(), 14400, &error);
        QVERIFY2(port, qPrintable(error));
    }

    // Bytes pass both ways unchanged, in one batch.
    void writeAndRead()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        auto port = SerialPort::open(pty->devicePath(), 19200);
        QVERIFY(port);
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QVERIFY(port->write(all));
        QByteArray seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen += pty->readAvailable()).size() >= all.size(), 5000);
        QCOMPARE(seen, all);

        QVERIFY(pty->write(all + all));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += port->readAll()).size() >= 2 * all.size(), 5000);
        QCOMPARE(got, all + all);
        QCOMPARE(port->readAll(), QByteArray());
    }

    void writeAfterHangUpFails()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        auto port = SerialPort::open(pty->devicePath(), 19200);
        QVERIFY(port);
        pty->hangUp();
        QVERIFY(!port->write("M;"));
        QCOMPARE(port->readAll(), QByteArray());
    }

    void candidatesEndWithExtraPorts()
    {
        qputenv("KV_EXTRA_PORTS", "/dev/kv-b:/dev/kv-a::/dev/kv-c");
        const QStringList candidates = serial::serialPortCandidates();
        QVERIFY(candidates.size() >= 3);
        QCOMPARE(candidates.mid(candidates.size() - 3), QStringList({"/dev/kv-b", "/dev/kv-a", "/dev/kv-c"}));
        const QStringList system = candidates.first(candidates.size() - 3);
        for (const QString& path : system)
            QVERIFY2(path.startsWith(QStringLiteral("/dev/")), qPrintable(path));
        QVERIFY(std::is_sorted(system.begin(), system.end(), [](const QString& a, const QString& b) {
            return serial::naturalLess(a.mid(5), b.mid(5));
        }));
    }

    void enumeration()
    {
        auto a = PseudoTerminal::open();
        auto b = PseudoTerminal::open();
        QVERIFY(a && b);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString plainFile = dir.filePath(QStringLiteral("not-a-port"));
        QFile file(plainFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        // The order given is kept; what cannot be opened is left out.
        qputenv("KV_EXTRA_PORTS", QStringList({b->devicePath(), QStringLiteral("/dev/kv-no-such-port"),
                                               plainFile, a->devicePath()})
                                      .join(u':')
                                      .toLocal8Bit());
        QStringList listed = enumerate();
        QCOMPARE(listed.mid(listed.size() - 2), QStringList({b->devicePath(), a->devicePath()}));
        QVERIFY(!listed.contains(plainFile));
        QVERIFY(!listed.contains(QStringLiteral("/dev/kv-no-such-port")));

        // A port held by the link is not listed; the list is appended to.
        TMB link;
        QVERIFY(link.openAction(a->devicePath()));
        listed = QStringList{QStringLiteral("kept")};
        EnumerateSerialPorts(&listed);
        QCOMPARE(listed.first(), QStringLiteral("kept"));
        QCOMPARE(listed.last(), b->devicePath());
        QVERIFY(!listed.contains(a->devicePath()));

        link.closeAction();
        QCOMPARE(enumerate().last(), a->devicePath());

        EnumerateSerialPorts(nullptr);
    }

    void linkOpenFailureMessage()
    {
        auto pty = PseudoTerminal::open();
        QVERIFY(pty);
        TMB holder;
        QVERIFY(holder.openAction(pty->devicePath()));

        TMB second;
        QString message;
        QVERIFY(!second.openAction(pty->devicePath(), &message));
        QCOMPARE(message,
                 QStringLiteral("TMB : cannot open ") + pty->devicePath() + QChar(13) + errorText(EBUSY));
        QCOMPARE(second.portErrorText(), QString::fromLatin1(SerialPort::InUseText));
        QVERIFY(!second.MBPortOpen());

        QVERIFY(!second.openAction(QStringLiteral("/dev/kv-no-such-port"), &message));
        QCOMPARE(message, QStringLiteral("TMB : cannot open /dev/kv-no-such-port\r") + errorText(ENOENT));
        QCOMPARE(second.portErrorText(), errorText(ENOENT));

        // The holder is unaffected and the port is free once it lets go.
        QVERIFY(holder.MBPortOpen());
        holder.MBClosePort();
        QVERIFY(second.openAction(pty->devicePath(), &message));
        second.MBClosePort();
    }
};

QTEST_GUILESS_MAIN(tst_SerialPort)
#include "tst_serial_port.moc"
