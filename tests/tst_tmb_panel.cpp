#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "link/nibble_codec.h"
#include "link/tmb.h"
#include "link/tmb_panel.h"
#include "platform/number_format.h"
#include "platform/serial_port.h"
#include "platform/serial_port_enumeration.h"
#include "tests/support/link_frames.h"
#include "tests/support/refused_port.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/test_files.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr int SetUpWaitMs = 2000;
// The deferred set-up comes this soon in tests that wait for it anyway.
constexpr int QuickSetUpMs = 10;

// The lamp colours a technician reads the link by.
const QColor kGreen(0, 255, 0);
const QColor kOrange(249, 124, 0);
const QColor kRed(255, 0, 0);

// An "S" answer with status 0 and no data, as a transmitter acknowledges.
QByteArray okAnswer()
{
    const QByteArray body("\x01\x00\x00\x00", 4);
    return frame::asciiEncode(frame::AsciiAnswerStart, frame::withCrc(body));
}

} // namespace

class tst_TMBPanel : public QObject
{
    Q_OBJECT

private:
    enum class SetUp
    {
        Quick,
        // A second away, as in the program: for checks of the state before it.
        AsInProgram,
    };

    // A fresh engine and panel; the panel goes first, as in the main window.
    void makePanel(bool refreshOnStartup = true, SetUp setUp = SetUp::Quick)
    {
        m_panel.reset();
        m_mb = std::make_unique<TMB>();
        if (setUp == SetUp::Quick)
            m_mb->setDeferredSetUpDelay(QuickSetUpMs);
        m_mb->setObjectName(QStringLiteral("MB1"));
        m_mb->setMBRefreshListOnStartup(refreshOnStartup);
        m_panel = std::make_unique<TMBPanel>(m_mb.get());
        m_panel->move(632, 8);
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    }
    void waitForSetUp() { QTRY_VERIFY_WITH_TIMEOUT(m_panel->deferredSetUpDone(), SetUpWaitMs); }
    void selectPort(const QString& path)
    {
        const QList<QListWidgetItem*> items = m_panel->portList()->findItems(path, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        QListWidget* list = m_panel->portList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items.first()).center());
        QCOMPARE(m_mb->MBLastUsedPort(), path);
    }
    void openFirst(const QString& path)
    {
        waitForSetUp();
        selectPort(path);
        m_panel->openButton()->click();
        QVERIFY(m_mb->MBPortOpen());
    }
    void savePng(const QString& name)
    {
        const QString dir = outputDir();
        QVERIFY(QDir(dir).exists());
        QVERIFY(m_panel->grab().save(QDir(dir).filePath(name)));
    }
    QStringList listEntries() const
    {
        QStringList entries;
        for (int i = 0; i < m_panel->portList()->count(); ++i)
            entries.append(m_panel->portList()->item(i)->text());
        return entries;
    }

    std::unique_ptr<ScriptedPeer> m_peerA;
    std::unique_ptr<ScriptedPeer> m_peerB;
    std::unique_ptr<TMB> m_mb;
    std::unique_ptr<TMBPanel> m_panel;

private slots:
    void initTestCase() { NumberFormat::setDecimalSeparator(u'.'); }

    void init()
    {
        m_peerA = std::make_unique<ScriptedPeer>();
        m_peerB = std::make_unique<ScriptedPeer>();
        QVERIFY(m_peerA->isValid() && m_peerB->isValid());
        qputenv("KV_EXTRA_PORTS", (m_peerA->devicePath() + u':' + m_peerB->devicePath()).toLocal8Bit());
    }

    void cleanup()
    {
        m_panel.reset();
        m_mb.reset();
        m_peerA.reset();
        m_peerB.reset();
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("autoSize");
        QTest::addColumn<bool>("arial");

        QTest::newRow("status") << "StatusIndicator" << QRect(133, 13, 17, 15) << false << false;
        QTest::newRow("tx lamp") << "TxIndicator" << QRect(6, 13, 13, 13) << false << true;
        QTest::newRow("rx lamp") << "RxIndicator" << QRect(6, 26, 13, 13) << false << true;
        QTest::newRow("speed") << "SpeedLine" << QRect(5, 40, 30, 15) << true << false;
        QTest::newRow("ports") << "PortList" << QRect(5, 56, 84, 44) << false << true;
        QTest::newRow("port lamp") << "PortIndicator" << QRect(97, 56, 49, 21) << false << false;
        QTest::newRow("refresh") << "RefreshButton" << QRect(97, 81, 49, 19) << false << false;
        QTest::newRow("open") << "OpenButton" << QRect(99, 58, 45, 17) << false << false;
        QTest::newRow("baud") << "BaudList" << QRect(5, 119, 144, 25) << false << false;
        QTest::newRow("rate") << "RateLabel" << QRect(5, 120, 143, 15) << false << false;
        QTest::newRow("try mark") << "TryNumberMark" << QRect(139, 13, 8, 8) << true << true;
        QTest::newRow("tx count") << "TxCounter" << QRect(20, 13, 110, 13) << false << true;
        QTest::newRow("rx count") << "RxCounter" << QRect(20, 26, 110, 13) << false << true;
        QTest::newRow("last") << "LastStatus" << QRect(6, 103, 13, 13) << true << true;
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(bool, autoSize);
        QFETCH(bool, arial);
        makePanel();
        auto* control = m_panel->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget(), m_panel.get());
        if (autoSize)
            QCOMPARE(control->pos(), geometry.topLeft());
        else
            QCOMPARE(control->geometry(), geometry);
        QCOMPARE(control->font().family() == QStringLiteral("Arial"), arial);
    }

    void initialState()
    {
        makePanel(false, SetUp::AsInProgram);
        TMBPanel* p = m_panel.get();
        QCOMPARE(p->objectName(), QStringLiteral("MB1Panel"));
        QCOMPARE(p->size(), QSize(153, 145));
        QCOMPARE(p->minimumSize(), QSize(153, 145));
        QCOMPARE(p->maximumSize(), QSize(153, 145));
        QCOMPARE(p->title(), QStringLiteral("ASCII Master v2015-03-18"));
        QCOMPARE(p->txIndicator()->text(), QStringLiteral("Tx"));
        QCOMPARE(p->rxIndicator()->text(), QStringLiteral("Rx"));
        QCOMPARE(p->speedLine()->text(), QStringLiteral("0"));
        QCOMPARE(p->txCounter()->text(), QStringLiteral("0 frames"));
        QCOMPARE(p->rxCounter()->text(), QStringLiteral("0 frames"));
        QCOMPARE(p->lastStatus()->text(), QStringLiteral("Last status: Closed Port"));
        QCOMPARE(p->tryNumberMark()->text(), QStringLiteral("1"));
        QVERIFY(!p->tryNumberMark()->isVisible());
        QCOMPARE(p->portList()->font().pointSize(), 8);
        for (QWidget* w :
             {static_cast<QWidget*>(p->statusIndicator()), static_cast<QWidget*>(p->tryNumberMark())}) {
            QCOMPARE(w->toolTip(), QStringLiteral("Reset counters"));
            QCOMPARE(w->cursor().shape(), Qt::PointingHandCursor);
        }
        for (QWidget* w :
             {static_cast<QWidget*>(p->statusIndicator()), static_cast<QWidget*>(p->portIndicator()),
              static_cast<QWidget*>(p->txIndicator()), static_cast<QWidget*>(p->rxIndicator())})
            QCOMPARE(TMBPanel::fillOf(w), TMBPanel::normal());
        QVERIFY(!p->refreshButton()->isEnabled());
        QVERIFY(!p->openButton()->isEnabled());
        QVERIFY(p->openButton()->isCheckable());
        QVERIFY(!p->baudList()->isEnabled());
        QCOMPARE(p->baudList()->count(), 0);
        QVERIFY(p->baudList()->isVisible());
        QVERIFY(!p->rateLabel()->isVisible());
        QCOMPARE(p->txLampTimer().interval(), 100);
        QVERIFY(!p->rxLampTimer().isActive());
        QVERIFY(p->findChild<QTimer*>(QStringLiteral("RxLampTimer")));
    }

    void deferredSetUp_data()
    {
        QTest::addColumn<bool>("refreshOnStartup");
        QTest::newRow("refresh at start-up") << true;
        QTest::newRow("bold Refresh, empty list") << false;
    }
    void deferredSetUp()
    {
        QFETCH(bool, refreshOnStartup);
        makePanel(refreshOnStartup);
        waitForSetUp();
        TMBPanel* p = m_panel.get();
        QCOMPARE(p->baudList()->count(), 21);
        QCOMPARE(p->baudList()->itemText(0), QStringLiteral("75 baud"));
        QCOMPARE(p->baudList()->itemText(13), QStringLiteral("19200 baud"));
        QCOMPARE(p->baudList()->itemText(20), QStringLiteral("921600 baud"));
        QCOMPARE(p->baudList()->currentIndex(), int(baud115200));
        QCOMPARE(p->rateLabel()->text(), QStringLiteral("115 200 bits / second"));
        QVERIFY(p->refreshButton()->isEnabled());
        QVERIFY(p->baudList()->isEnabled());
        QCOMPARE(p->refreshButton()->font().bold(), !refreshOnStartup);
        QCOMPARE(p->portList()->count() > 0, refreshOnStartup);
        QCOMPARE(p->openButton()->isEnabled(), refreshOnStartup);
        if (refreshOnStartup)
            return;
        QTest::mouseClick(p->refreshButton(), Qt::LeftButton);
        QVERIFY(!p->refreshButton()->font().bold());
        QVERIFY(p->portList()->count() >= 2);
        QVERIFY(p->openButton()->isEnabled());
        savePng(QStringLiteral("tmb_panel_closed.png"));
    }

    void panelForOlderEngine()
    {
        m_mb = std::make_unique<TMB>();
        m_mb->setDeferredSetUpDelay(QuickSetUpMs);
        QSignalSpy due(m_mb.get(), &TMB::deferredSetUpDue);
        QVERIFY(due.wait(SetUpWaitMs));
        m_panel = std::make_unique<TMBPanel>(m_mb.get());
        QVERIFY(m_panel->deferredSetUpDone());
        QCOMPARE(m_panel->baudList()->count(), 21);
        QVERIFY(m_panel->refreshButton()->isEnabled());
        QVERIFY(m_panel->openButton()->isEnabled());
    }

    void refreshSelection_data()
    {
        QTest::addColumn<QString>("lastUsed"); // "A" and "B" stand for the two ptys
        QTest::addColumn<QString>("expected");
        QTest::newRow("none: first entry") << QString() << "B";
        QTest::newRow("other letter case") << "a-upper"
                                           << "A";
        QTest::newRow("exact") << "A"
                               << "A";
        QTest::newRow("absent: first entry") << "/dev/ttyNOSUCH"
                                             << "B";
    }
    void refreshSelection()
    {
        QFETCH(QString, lastUsed);
        QFETCH(QString, expected);
        const QString a = m_peerA->devicePath();
        const QString b = m_peerB->devicePath();
        if (lastUsed == u"a-upper")
            lastUsed = a.toUpper();
        else if (lastUsed == u"A")
            lastUsed = a;
        expected = expected == u"A" ? a : b;

        makePanel(false);
        waitForSetUp();
        m_mb->setMBLastUsedPort(lastUsed);
        m_panel->refreshPortList();

        // Enumeration order reversed as a whole: the extra ports come last
        // from the enumeration, so the pty listed last is the first entry.
        // The machine's own ports drop out while another program probes
        // them (tests running beside this one): their order is what counts.
        QStringList candidates = serial::serialPortCandidates();
        std::reverse(candidates.begin(), candidates.end());
        const QStringList entries = listEntries();
        candidates.removeIf([&entries](const QString& path) { return !entries.contains(path); });
        QCOMPARE(entries, candidates);
        QCOMPARE(entries.value(0), b);
        QCOMPARE(entries.value(1), a);
        QCOMPARE(m_panel->portList()->currentItem()->text(), expected);
        QCOMPARE(m_mb->MBLastUsedPort(), expected);
    }

    void openAndClose()
    {
        makePanel();
        TMBPanel* p = m_panel.get();
        QSignalSpy openedOrClosed(m_mb.get(), &TMB::OnMBPortOpenedOrClosed);
        QString textWhenFired;
        connect(m_mb.get(), &TMB::OnMBPortOpenedOrClosed, this,
                [&] { textWhenFired = p->openButton()->text(); });

        openFirst(m_peerA->devicePath());
        QCOMPARE(openedOrClosed.count(), 1);
        QCOMPARE(openedOrClosed.at(0).at(0).toBool(), true);
        QCOMPARE(textWhenFired, QStringLiteral("Close"));
        QCOMPARE(m_mb->Port(), m_peerA->devicePath());
        QVERIFY(p->openButton()->isChecked());
        QVERIFY(!p->refreshButton()->isEnabled());
        QVERIFY(!p->portList()->isEnabled());
        QVERIFY(!p->baudList()->isEnabled());
        QCOMPARE(TMBPanel::fillOf(p->portIndicator()), kGreen);
        QCOMPARE(TMBPanel::fillOf(p->statusIndicator()), kGreen);
        QCOMPARE(p->lastStatus()->text(), QStringLiteral("Last status: OK"));
        QVERIFY(p->tryNumberMark()->isVisible());
        savePng(QStringLiteral("tmb_panel_open.png"));

        p->openButton()->click();
        QVERIFY(!m_mb->MBPortOpen());
        QCOMPARE(openedOrClosed.count(), 2);
        QCOMPARE(openedOrClosed.at(1).at(0).toBool(), false);
        QCOMPARE(textWhenFired, QStringLiteral("Open"));
        QVERIFY(!p->openButton()->isChecked());
        QVERIFY(p->refreshButton()->isEnabled() && p->portList()->isEnabled() && p->baudList()->isEnabled());
        QCOMPARE(TMBPanel::fillOf(p->portIndicator()), TMBPanel::normal());
        QCOMPARE(TMBPanel::fillOf(p->statusIndicator()), kRed);
        QCOMPARE(p->lastStatus()->text(), QStringLiteral("Last status: Closed Port"));
        QVERIFY(!p->tryNumberMark()->isVisible());

        // The main window's way to close goes through the same panel steps.
        p->openButton()->click();
        QVERIFY(m_mb->MBPortOpen());
        m_mb->MBClosePort();
        QCOMPARE(openedOrClosed.count(), 4);
        QVERIFY(!p->openButton()->isChecked());
        QCOMPARE(p->openButton()->text(), QStringLiteral("Open"));
        QVERIFY(p->portList()->isEnabled());
    }

    // The port drops out of the list; the reason stays in view.
    void failedOpening_data()
    {
        QTest::addColumn<bool>("heldElsewhere");
        QTest::addColumn<QString>("reason");
        QTest::newRow("held by another program") << true << QString::fromLatin1(SerialPort::InUseText);
        QTest::newRow("gone since the refresh") << false << QString::fromLocal8Bit(std::strerror(ENOENT));
    }
    void failedOpening()
    {
        QFETCH(bool, heldElsewhere);
        QFETCH(QString, reason);
        makePanel();
        waitForSetUp();
        const QString held = m_peerB->devicePath();
        selectPort(held);
        std::unique_ptr<SerialPort> other = heldElsewhere ? SerialPort::open(held, 19200) : nullptr;
        QCOMPARE(bool(other), heldElsewhere);
        if (!heldElsewhere)
            m_peerB.reset();

        TMBPanel* p = m_panel.get();
        QSignalSpy openedOrClosed(m_mb.get(), &TMB::OnMBPortOpenedOrClosed);
        p->openButton()->click();
        QVERIFY(!m_mb->MBPortOpen());
        QCOMPARE(openedOrClosed.count(), 0);
        QVERIFY(!p->openButton()->isChecked());
        QCOMPARE(p->openButton()->text(), QStringLiteral("Open"));
        QCOMPARE(TMBPanel::fillOf(p->portIndicator()), kRed);
        QCOMPARE(TMBPanel::fillOf(p->statusIndicator()), kRed);
        QCOMPARE(p->portIndicator()->toolTip(),
                 QStringLiteral("Cannot open ") + held + QStringLiteral(": ") + reason);
        QCOMPARE(p->lastStatus()->text().toLower(), reason.toLower());
        QVERIFY(p->lastStatus()->geometry().right() < p->width());
        QVERIFY(p->refreshButton()->isEnabled() && p->portList()->isEnabled() && p->baudList()->isEnabled());
        // Refreshed: the held port is gone and the first entry is taken.
        QVERIFY(!listEntries().contains(held));
        QCOMPARE(m_mb->MBLastUsedPort(), listEntries().value(0));
        QVERIFY(p->openButton()->isEnabled());
        savePng(QStringLiteral("tmb_panel_refused_%1.png").arg(heldElsewhere ? "held" : "gone"));
    }

    // A port this user may not open is missing from the list: the panel says
    // why and what to do, for a refusal by the system itself.
    void refusedPortIsExplained()
    {
        const RefusedPort refused(m_peerB->devicePath());
        QVERIFY2(refused.whyNot().isEmpty(), qPrintable(refused.whyNot()));
        makePanel();
        {
            const RefusedPort::AsNobody nobody;
            m_panel->refreshPortList();
        }
        QVERIFY(!listEntries().contains(m_peerB->devicePath()));
        QString reason = refused.expectedReason();
        reason[0] = reason[0].toUpper();
        QCOMPARE(m_panel->lastStatus()->toolTip(), reason);
        const QString tip = m_panel->portIndicator()->toolTip();
        QVERIFY2(tip.startsWith(QStringLiteral("Not listed: ")) &&
                     tip.contains(QStringLiteral(": ") + refused.expectedReason()),
                 qPrintable(tip));
        savePng(QStringLiteral("tmb_panel_not_permitted.png"));
    }

    void texts_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("counter 0") << TMBPanel::counterText(0, "frames") << "0 frames";
        QTest::newRow("counter grouped") << TMBPanel::counterText(1234, "frames") << "1 234 frames";
        QTest::newRow("counter max") << TMBPanel::counterText(4294967295u, "bytes") << "4 294 967 295 bytes";
        QTest::newRow("speed range") << TMBPanel::speedLineText(12, 9, 15) << "12 frames / sec [9-15]";
        QTest::newRow("speed single") << TMBPanel::speedLineText(0, 0, 0) << "0 frames / sec [0]";
        QTest::newRow("speed 999") << TMBPanel::speedLineText(999, 999, 999) << "999 frames / sec [999]";
        QTest::newRow("speed kilo") << TMBPanel::speedLineText(1000, 1000, 1000)
                                    << "1.0k frames / sec [1.0k]";
        QTest::newRow("speed mixed") << TMBPanel::speedLineText(1550, 999, 12345)
                                     << "1.6k frames / sec [999-12.3k]";
        QTest::newRow("rate 75") << TMBPanel::rateText(75) << "75 bits / second";
        QTest::newRow("rate 19200") << TMBPanel::rateText(19200) << "19 200 bits / second";
        QTest::newRow("rate 921600") << TMBPanel::rateText(921600) << "921 600 bits / second";
        QTest::newRow("date") << TMBPanel::versionDate() << "2015-03-18";
    }
    void texts()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void modes_data()
    {
        QTest::addColumn<TMBMode>("mode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("counter");
        QTest::newRow("master") << modeMaster << "Master v2015-03-18"
                                << "0 frames";
        QTest::newRow("slave") << modeSlave << "Slave v2015-03-18"
                               << "0 frames";
        QTest::newRow("ascii master") << modeASCIIMaster << "ASCII Master v2015-03-18"
                                      << "0 frames";
        QTest::newRow("ascii slave") << modeASCIISlave << "ASCII Slave v2015-03-18"
                                     << "0 frames";
        QTest::newRow("diagnostic") << modeDiagnostic << "Diagnostic v2015-03-18"
                                    << "0 frames";
        QTest::newRow("byte") << modeByte << "Byte Mode v2015-03-18"
                              << "0 bytes";
        QTest::newRow("string") << modeString << "String Mode v2015-03-18"
                                << "0 strings";
    }
    void modes()
    {
        QFETCH(TMBMode, mode);
        QFETCH(QString, caption);
        QFETCH(QString, counter);
        makePanel(false, SetUp::AsInProgram);
        m_mb->setMBMode(modeMaster);
        m_mb->setMBMode(mode);
        QCOMPARE(m_panel->title(), caption);
        QCOMPARE(m_panel->txCounter()->text(), counter);
        // The try mark belongs to the master modes and to an open port only.
        QVERIFY(m_mb->openAction(m_peerA->devicePath()));
        QCOMPARE(m_panel->tryNumberMark()->isVisible(), mode == modeMaster || mode == modeASCIIMaster);
        m_mb->closeAction();
        QVERIFY(!m_panel->tryNumberMark()->isVisible());
    }

    // Each mode's panel after some traffic: counters with their unit words
    // and the last result as the user sees them.
    void modeTraffic_data()
    {
        QTest::addColumn<TMBMode>("mode");
        QTest::addColumn<int>("sends");
        QTest::addColumn<QByteArray>("peerSends");
        QTest::addColumn<QStringList>("shown"); // Tx counter, Rx counter, last status
        QTest::addColumn<QColor>("lamp");
        auto nibble = [](const char* hex) {
            return frame::nibbleEncode(frame::withCrc(QByteArray::fromHex(hex)));
        };
        const QString ok = QStringLiteral("Last status: OK");
        // Two transactions: the second refresh shows the first answer.
        QTest::newRow("master") << modeMaster << 2 << QByteArray() << QStringList{"2 frames", "1 frames", ok}
                                << kGreen;
        QTest::newRow("slave") << modeSlave << 0 << nibble("010081")
                               << QStringList{"0 frames", "1 frames", ok} << kGreen;
        QTest::newRow("slave_wrong_id")
            << modeSlave << 0 << nibble("010581")
            << QStringList{"0 frames", "0 frames", "Last status: Slave Error: #129"} << kOrange;
        QTest::newRow("ascii_slave") << modeASCIISlave << 0 << QByteArray()
                                     << QStringList{"0 frames", "0 frames", ok} << kGreen;
        QTest::newRow("diagnostic") << modeDiagnostic << 0 << nibble("05220301").repeated(3)
                                    << QStringList{"0 frames", "3 frames", ok} << kGreen;
        QTest::newRow("byte") << modeByte << 1 << QByteArray("12345") << QStringList{"2 bytes", "5 bytes", ok}
                              << kGreen;
        QTest::newRow("string") << modeString << 2 << QByteArray("OK\r")
                                << QStringList{"2 strings", "1 strings", ok} << kGreen;
    }
    void modeTraffic()
    {
        QFETCH(TMBMode, mode);
        QFETCH(int, sends);
        QFETCH(QByteArray, peerSends);
        QFETCH(QStringList, shown);
        QFETCH(QColor, lamp);
        makePanel();
        m_mb->setMBMode(mode);
        m_mb->setMBStopByteInStringMode(13);
        if (mode == modeMaster)
            m_peerA->setResponder([](const QByteArray&) { return nibbleAnswer(0x81, 0); });
        openFirst(m_peerA->devicePath());
        TMBPanel* p = m_panel.get();

        QSignalSpy end(m_mb.get(), &TMB::OnMBMasterEndOfEvent);
        m_mb->MBClearTxBuffer();
        m_mb->MBPutWord(0x0D3F);
        for (int k = 0; k < sends; ++k) {
            m_mb->MBSend(0);
            QTRY_COMPARE_WITH_TIMEOUT(end.count(), k + 1, 1500);
        }
        m_peerA->send(peerSends);
        QTRY_COMPARE_WITH_TIMEOUT(p->rxCounter()->text(), shown[1], 1500);
        QTRY_COMPARE_WITH_TIMEOUT(p->lastStatus()->text(), shown[2], 1500);
        QCOMPARE(p->txCounter()->text(), shown[0]);
        QCOMPARE(TMBPanel::fillOf(p->statusIndicator()), lamp);
        savePng(QStringLiteral("tmb_panel_mode_%1.png").arg(QString::fromLatin1(QTest::currentDataTag())));
    }

    void rateLabel_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("rate");
        QTest::newRow("first") << int(Qt::Key_Home) << 0 << "75 bits / second";
        QTest::newRow("one up") << int(Qt::Key_Up) << 15 << "57 600 bits / second";
        QTest::newRow("last") << int(Qt::Key_End) << 20 << "921 600 bits / second";
    }
    void rateLabel()
    {
        QFETCH(int, key);
        QFETCH(int, index);
        QFETCH(QString, rate);
        makePanel(false);
        waitForSetUp();
        TMBPanel* p = m_panel.get();

        QTest::keyClick(p->baudList(), Qt::Key(key));
        QCOMPARE(p->baudList()->currentIndex(), index);
        QCOMPARE(int(m_mb->MBBaud()), index);
        QCOMPARE(p->rateLabel()->text(), rate);
    }

    void rateLabelInsteadOfBaudList()
    {
        makePanel(false);
        waitForSetUp();
        TMBPanel* p = m_panel.get();
        m_mb->setMBBaudEditVisible(false);
        QVERIFY(!p->baudList()->isVisible());
        QVERIFY(p->rateLabel()->isVisible());
        m_mb->setMBBaud(baud019200);
        QCOMPARE(p->rateLabel()->text(), QStringLiteral("19 200 bits / second"));
        QCOMPARE(p->baudList()->currentIndex(), int(baud019200));
        savePng(QStringLiteral("tmb_panel_rate_label.png"));
        m_mb->setMBBaud(99);
        QCOMPARE(p->rateLabel()->text(), QStringLiteral("9 600 bits / second"));
        m_mb->setMBBaudEditVisible(true);
        QVERIFY(p->baudList()->isVisible());
        QVERIFY(!p->rateLabel()->isVisible());
    }

    void tryMarkAfterResends_data()
    {
        QTest::addColumn<int>("tries");
        QTest::newRow("1") << 1;
        QTest::newRow("3") << 3;
        QTest::newRow("5") << 5;
    }
    void tryMarkAfterResends()
    {
        QFETCH(int, tries);
        makePanel();
        openFirst(m_peerA->devicePath());
        m_mb->setMBMasterTimeOut(20);
        m_mb->setMBMasterMaxTryNumber(tries);
        QSignalSpy end(m_mb.get(), &TMB::OnMBMasterEndOfEvent);
        m_mb->MBSend(0);
        QVERIFY(end.wait(1500));
        QCOMPARE(end.at(0).at(0).value<TMBStatus>(), stTimeOut);
        QCOMPARE(m_peerA->asciiQueryCount(), tries);

        TMBPanel* p = m_panel.get();
        QVERIFY(p->tryNumberMark()->isVisible());
        QCOMPARE(p->tryNumberMark()->text(), QString::number(tries));
        QCOMPARE(p->tryNumberMark()->x(), 138 + tries);
        QCOMPARE(p->lastStatus()->text(), QStringLiteral("Last status: Time Out"));
        QCOMPARE(TMBPanel::fillOf(p->statusIndicator()), kRed);
        QCOMPARE(p->txCounter()->text(), QStringLiteral("1 frames"));
        if (tries == 5)
            savePng(QStringLiteral("tmb_panel_timeout.png"));

        // A press on the mark resets counters and indicators.
        QTest::mousePress(p->tryNumberMark(), Qt::LeftButton);
        QCOMPARE(p->txCounter()->text(), QStringLiteral("0 frames"));
        QCOMPARE(p->tryNumberMark()->text(), QStringLiteral("0"));
        QCOMPARE(p->tryNumberMark()->x(), 138);
        QCOMPARE(TMBPanel::fillOf(p->statusIndicator()), TMBPanel::normal());
        QCOMPARE(TMBPanel::fillOf(p->portIndicator()), kGreen);
        QCOMPARE(m_mb->MBMasterTryNumberMax(), quint8(0));
    }

    void liveTransaction()
    {
        makePanel();
        m_peerA->setResponder([](const QByteArray&) { return okAnswer(); });
        openFirst(m_peerA->devicePath());
        TMBPanel* p = m_panel.get();

        QColor rxAtEnd;
        connect(m_mb.get(), &TMB::OnMBMasterEndOfEvent, this,
                [&] { rxAtEnd = TMBPanel::fillOf(p->rxIndicator()); });
        QSignalSpy end(m_mb.get(), &TMB::OnMBMasterEndOfEvent);
        m_mb->MBSend(0);
        QCOMPARE(TMBPanel::fillOf(p->txIndicator()), kOrange);
        QVERIFY(p->txLampTimer().isActive());
        QVERIFY(end.wait(1500));
        QCOMPARE(end.at(0).at(0).value<TMBStatus>(), stOK);
        QCOMPARE(rxAtEnd, kOrange);
        QCOMPARE(p->lastStatus()->text(), QStringLiteral("Last status: OK"));
        QCOMPARE(TMBPanel::fillOf(p->statusIndicator()), kGreen);
        QCOMPARE(p->tryNumberMark()->text(), QStringLiteral("1"));
        QCOMPARE(p->txCounter()->text(), QStringLiteral("1 frames"));
        // An answer shows in the Rx counter at the next refresh of the counters.
        QCOMPARE(p->rxCounter()->text(), QStringLiteral("0 frames"));
        QTRY_COMPARE_WITH_TIMEOUT(TMBPanel::fillOf(p->txIndicator()), TMBPanel::normal(), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(TMBPanel::fillOf(p->rxIndicator()), TMBPanel::normal(), 2000);

        m_mb->MBSend(0);
        QVERIFY(end.wait(1500));
        QCOMPARE(p->txCounter()->text(), QStringLiteral("2 frames"));
        QCOMPARE(p->rxCounter()->text(), QStringLiteral("1 frames"));
        // Frames of a full second show in the speed line's range.
        QTRY_VERIFY_WITH_TIMEOUT(m_mb->MBSpeedMax() >= 1, 3000);
        QCOMPARE(p->speedLine()->text(),
                 QStringLiteral("%1 frames / sec [0-%2]").arg(m_mb->MBSpeed()).arg(m_mb->MBSpeedMax()));
    }

    void resetDuringQuery()
    {
        makePanel();
        openFirst(m_peerA->devicePath());
        m_mb->setMBMasterTimeOut(10000);
        QSignalSpy end(m_mb.get(), &TMB::OnMBMasterEndOfEvent);
        m_mb->MBSend(0);
        QVERIFY(m_peerA->waitForQueries(1));

        QTest::mousePress(m_panel->statusIndicator(), Qt::LeftButton);
        QCOMPARE(m_panel->txCounter()->text(), QStringLiteral("0 frames"));
        QCOMPARE(m_mb->MBStatusNow(), stnWaitingForAnswer);
        QCOMPARE(end.count(), 0);

        m_peerA->send(okAnswer());
        QVERIFY(end.wait(1500));
        QCOMPARE(end.at(0).at(0).value<TMBStatus>(), stOK);
        QCOMPARE(m_mb->MBNumberOfRxFrames(), quint32(1));
    }

    void engineGoneFirst()
    {
        makePanel();
        waitForSetUp();
        m_mb.reset();
        m_panel->refreshPortList();
        m_panel->openButton()->click();
        QVERIFY(!m_panel->openButton()->isChecked());
        QTest::mousePress(m_panel->statusIndicator(), Qt::LeftButton);
    }
};

QTEST_MAIN(tst_TMBPanel)
#include "tst_tmb_panel.moc"
