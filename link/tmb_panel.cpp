#include "link/tmb_panel.h"

#include "link/port_reconnector.h"
#include "link/tmb.h"
#include "platform/number_format.h"
#include "platform/serial_port_enumeration.h"
#include "widgets/live_label.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int PanelPointSize = 8;
constexpr int TryMarkPixelSize = 8;

QFont arial(int pointSize = PanelPointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(pointSize);
    return font;
}

// A rectangle with a black pen and a fill, like a lamp drawn on the panel.
QFrame* makeShape(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* shape = new QFrame(parent);
    shape->setObjectName(name);
    shape->setFrameStyle(QFrame::Box | QFrame::Plain);
    shape->setLineWidth(1);
    QPalette palette = shape->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    shape->setPalette(palette);
    shape->setAutoFillBackground(true);
    shape->setGeometry(geometry);
    return shape;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QRect& geometry, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

} // namespace

TMBPanel::TMBPanel(TMB* engine, QWidget* parent) : QGroupBox(parent), m_engine(engine)
{
    setObjectName(QStringLiteral("MB1Panel"));
    QFont panelFont = font();
    panelFont.setPointSize(PanelPointSize);
    setFont(panelFont);
    setFixedSize(PanelWidth, PanelHeight);

    m_txLampTimer.setObjectName(QStringLiteral("TxLampTimer"));
    m_rxLampTimer.setObjectName(QStringLiteral("RxLampTimer"));
    for (QTimer* timer : {&m_txLampTimer, &m_rxLampTimer}) {
        timer->setInterval(LampFlashMs);
        timer->setSingleShot(true);
    }
    connect(&m_txLampTimer, &QTimer::timeout, this, [this] { setFill(m_txIndicator, normal()); });
    connect(&m_rxLampTimer, &QTimer::timeout, this, [this] { setFill(m_rxIndicator, normal()); });

    createControls();
    applyMode(m_engine ? m_engine->MBMode() : modeASCIIMaster);
    applyBaudEditVisible(m_engine ? m_engine->MBBaudEditVisible() : true);
    connectEngine();
    // An engine older than a second has had its set-up tick already.
    if (m_engine && !m_engine->deferredSetUpPending())
        deferredSetUp();
}

TMBPanel::~TMBPanel() = default;

void TMBPanel::createControls()
{
    m_statusIndicator = makeShape(this, QStringLiteral("StatusIndicator"), QRect(133, 13, 17, 15));
    setFill(m_statusIndicator, normal());
    m_statusIndicator->setCursor(Qt::PointingHandCursor);
    m_statusIndicator->setToolTip(QStringLiteral("Reset counters"));
    m_statusIndicator->installEventFilter(this);

    m_txIndicator =
        makeLabel(this, QStringLiteral("TxIndicator"), QRect(6, 13, 13, 13), QStringLiteral("Tx"));
    m_rxIndicator =
        makeLabel(this, QStringLiteral("RxIndicator"), QRect(6, 26, 13, 13), QStringLiteral("Rx"));
    for (QLabel* lamp : {m_txIndicator, m_rxIndicator}) {
        lamp->setFont(arial());
        lamp->setAutoFillBackground(true);
        setFill(lamp, normal());
    }

    m_speedLine = makeLabel(this, QStringLiteral("SpeedLine"), QRect(5, 40, 30, 15), QStringLiteral("0"));
    m_speedLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_portList = new QListWidget(this);
    m_portList->setObjectName(QStringLiteral("PortList"));
    m_portList->setGeometry(5, 56, 84, 44);
    m_portList->setFont(arial());
    m_portList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_portList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_portList, &QListWidget::currentRowChanged, this, &TMBPanel::onPortListRowChanged);

    m_portIndicator = makeShape(this, QStringLiteral("PortIndicator"), QRect(97, 56, 49, 21));
    setFill(m_portIndicator, normal());

    m_refreshButton = new QPushButton(QStringLiteral("Refresh"), this);
    m_refreshButton->setObjectName(QStringLiteral("RefreshButton"));
    m_refreshButton->setGeometry(97, 81, 49, 19);
    m_refreshButton->setEnabled(false);
    connect(m_refreshButton, &QPushButton::clicked, this, &TMBPanel::refreshPortList);

    m_openButton = new QPushButton(QStringLiteral("Open"), this);
    m_openButton->setObjectName(QStringLiteral("OpenButton"));
    m_openButton->setGeometry(99, 58, 45, 17);
    m_openButton->setCheckable(true);
    m_openButton->setEnabled(false);
    connect(m_openButton, &QPushButton::clicked, this, &TMBPanel::onOpenButtonClicked);

    m_baudList = new QComboBox(this);
    m_baudList->setObjectName(QStringLiteral("BaudList"));
    m_baudList->setGeometry(5, 119, 144, 25);
    m_baudList->setEditable(false);
    m_baudList->setEnabled(false);
    connect(m_baudList, &QComboBox::activated, this, &TMBPanel::onBaudListActivated);

    m_rateLabel = makeLabel(this, QStringLiteral("RateLabel"), QRect(5, 120, 143, 15), QString());
    m_rateLabel->setAlignment(Qt::AlignCenter);
    // The label lies under the list and shows only where the list is hidden.
    m_rateLabel->lower();

    m_tryNumberMark =
        makeLabel(this, QStringLiteral("TryNumberMark"), QRect(139, 13, 8, 8), QStringLiteral("1"));
    QFont markFont = arial();
    markFont.setPixelSize(TryMarkPixelSize);
    m_tryNumberMark->setFont(markFont);
    m_tryNumberMark->setCursor(Qt::PointingHandCursor);
    m_tryNumberMark->setToolTip(QStringLiteral("Reset counters"));
    m_tryNumberMark->adjustSize();
    m_tryNumberMark->hide();
    m_tryNumberMark->installEventFilter(this);

    // Rewritten with every frame: opaque and of a fixed size, so that the
    // panel is neither repainted beneath them nor asked for a layout.
    auto makeCounter = [this](const QString& name, const QRect& geometry) {
        auto* counter = new TLiveLabel(QStringLiteral("0 frames"), this);
        counter->setObjectName(name);
        counter->setFont(arial());
        counter->skipShaping();
        counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        counter->setFixedSize(geometry.size());
        counter->move(geometry.topLeft());
        return counter;
    };
    m_txCounter = makeCounter(QStringLiteral("TxCounter"), QRect(20, 13, 110, 13));
    m_rxCounter = makeCounter(QStringLiteral("RxCounter"), QRect(20, 26, 110, 13));

    m_lastStatus = makeLabel(this, QStringLiteral("LastStatus"), QRect(6, 103, 13, 13),
                             QStringLiteral("Last status: ") + mb::statusText(stClosedPort));
    m_lastStatus->setFont(arial());
    m_lastStatus->adjustSize();

    setTabOrder(m_portList, m_refreshButton);
    setTabOrder(m_refreshButton, m_openButton);
    setTabOrder(m_openButton, m_baudList);

    // A context menu keeps the switch off the fixed layout.
    m_reconnectAction = new QAction(QStringLiteral("Reconnect automatically"), this);
    m_reconnectAction->setObjectName(QStringLiteral("ReconnectAction"));
    m_reconnectAction->setCheckable(true);
    m_reconnectAction->setChecked(m_engine && m_engine->reconnector().isEnabled());
    m_reconnectAction->setEnabled(m_engine);
    addAction(m_reconnectAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TMBPanel::connectEngine()
{
    TMB* mb = m_engine;
    if (!mb)
        return;
    connect(mb, &TMB::deferredSetUpDue, this, &TMBPanel::deferredSetUp);
    connect(mb, &TMB::txActivity, this, &TMBPanel::flashTx);
    connect(mb, &TMB::rxActivity, this, &TMBPanel::flashRx);
    connect(mb, &TMB::tryNumberShown, this, &TMBPanel::showTryNumber);
    connect(mb, &TMB::resultShown, this, &TMBPanel::showResult);
    connect(mb, &TMB::countersChanged, this, &TMBPanel::refreshCounters);
    connect(mb, &TMB::indicatorsReset, this, &TMBPanel::resetIndicators);
    connect(mb, &TMB::speedLineChanged, this, &TMBPanel::updateSpeedLine);
    connect(mb, &TMB::modeChanged, this, &TMBPanel::applyMode);
    connect(mb, &TMB::baudChanged, this, &TMBPanel::applyBaud);
    connect(mb, &TMB::baudEditVisibleChanged, this, &TMBPanel::applyBaudEditVisible);
    connect(mb, &TMB::portActionFinished, this, &TMBPanel::onPortActionFinished);
    connect(mb, &TMB::closingBegan, this, [this] {
        m_refreshButton->setEnabled(true);
        m_portList->setEnabled(true);
        m_baudList->setEnabled(true);
    });
    connect(mb, &TMB::txLampReset, this, [this] {
        m_txLampTimer.stop();
        setFill(m_txIndicator, normal());
    });
    connect(mb, &TMB::portWentAway, this, &TMBPanel::onPortWentAway);
    PortReconnector* reconnector = &mb->reconnector();
    connect(reconnector, &PortReconnector::waitingChanged, this, &TMBPanel::onReconnectWaitingChanged);
    connect(reconnector, &PortReconnector::enabledChanged, m_reconnectAction, &QAction::setChecked);
    connect(m_reconnectAction, &QAction::toggled, reconnector, &PortReconnector::setEnabled);
}

// --- Texts -------------------------------------------------------------------

QString TMBPanel::captionPrefix(TMBMode mode)
{
    switch (mode) {
    case modeMaster:
        return QStringLiteral("Master v");
    case modeSlave:
        return QStringLiteral("Slave v");
    case modeASCIIMaster:
        return QStringLiteral("ASCII Master v");
    case modeASCIISlave:
        return QStringLiteral("ASCII Slave v");
    case modeDiagnostic:
        return QStringLiteral("Diagnostic v");
    case modeByte:
        return QStringLiteral("Byte Mode v");
    case modeString:
        return QStringLiteral("String Mode v");
    }
    return QString();
}

QString TMBPanel::unitWord(TMBMode mode)
{
    switch (mode) {
    case modeByte:
        return QStringLiteral("bytes");
    case modeString:
        return QStringLiteral("strings");
    default:
        return QStringLiteral("frames");
    }
}

QString TMBPanel::versionDate()
{
    return NumberFormat::format(TMB::VersionYear, u"0000") + u'-' +
           NumberFormat::format(TMB::VersionMonth, u"00") + u'-' +
           NumberFormat::format(TMB::VersionDay, u"00");
}

QString TMBPanel::counterText(quint32 count, const QString& unit)
{
    return NumberFormat::format(count, u"# ### ### ##0") + u' ' + unit;
}

QString TMBPanel::speedLineText(quint32 speed, quint32 speedMin, quint32 speedMax)
{
    auto f = [](quint32 v) {
        if (v >= 1000)
            return NumberFormat::format(v / 1000.0, u"0.0") + u'k';
        return NumberFormat::format(v, u"0");
    };
    QString text = f(speed) + QStringLiteral(" frames / sec");
    if (speedMin == speedMax)
        text += QStringLiteral(" [") + f(speedMin) + u']';
    else
        text += QStringLiteral(" [") + f(speedMin) + u'-' + f(speedMax) + u']';
    return text;
}

QString TMBPanel::rateText(quint32 bitsPerSecond)
{
    return NumberFormat::format(bitsPerSecond, u"# ### ##0") + QStringLiteral(" bits / second");
}

QString TMBPanel::baudItemText(TMBBaud baud)
{
    return NumberFormat::format(mb::baudRate(baud), u"0") + QStringLiteral(" baud");
}

// --- Colours -----------------------------------------------------------------

QColor TMBPanel::normal()
{
    return QApplication::palette().color(QPalette::Button);
}

QColor TMBPanel::fillOf(const QWidget* widget)
{
    return widget->palette().color(QPalette::Window);
}

void TMBPanel::setFill(QWidget* widget, const QColor& colour)
{
    // The lamps are set several times a poll, mostly to the colour they
    // have; a new palette costs far more than this look.
    const QPalette& current = widget->palette();
    if (current.isBrushSet(QPalette::Active, QPalette::Window) && current.color(QPalette::Window) == colour)
        return;
    QPalette palette = current;
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

// --- Actions -----------------------------------------------------------------

void TMBPanel::deferredSetUp()
{
    m_deferredSetUpPending = false;
    m_baudList->clear();
    for (int i = 0; i < TMBBaudCount; ++i)
        m_baudList->addItem(baudItemText(TMBBaud(i)));
    if (m_engine)
        m_engine->setMBBaud(m_engine->MBBaud());

    if (m_engine && m_engine->MBRefreshListOnStartup())
        refreshPortList();
    else
        setRefreshBold(true);

    // Open already (opened in code within the first second): stay locked.
    const bool closed = !m_engine || !m_engine->MBPortOpen();
    m_refreshButton->setEnabled(closed);
    m_baudList->setEnabled(closed);
    // The unit word of the mode in force; a mode written before this
    // moment must not be overruled.
    m_unitWord = unitWord(m_engine ? m_engine->MBMode() : modeASCIIMaster);
    refreshCounters();
}

void TMBPanel::refreshPortList()
{
    setRefreshBold(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    QStringList ports;
    QList<serial::RefusedPort> refused;
    serial::enumerate(&ports, &refused);
    std::reverse(ports.begin(), ports.end());
    if (m_engine && m_engine->MBPortOpen())
        ports.append(m_engine->Port());

    m_refreshing = true;
    m_portList->clear();
    m_portList->addItems(ports);
    if (!ports.isEmpty()) {
        int row = 0;
        const QString lastUsed = m_engine ? m_engine->MBLastUsedPort() : QString();
        for (int i = 0; i < ports.size(); ++i) {
            if (ports[i].compare(lastUsed, Qt::CaseInsensitive) == 0) {
                row = i;
                break;
            }
        }
        m_portList->setCurrentRow(row);
        if (m_engine)
            m_engine->setMBLastUsedPort(ports[row]);
    }
    m_refreshing = false;

    m_openButton->setEnabled(!ports.isEmpty());
    // A port this user may not open is missing from the list: the usual
    // first trouble with a USB adapter, which the system's "Permission
    // denied" alone leaves unexplained. The line tells of the highest one,
    // as the list puts the highest port first: the adapter plugged in last
    // rather than a built-in port.
    if (!refused.isEmpty())
        showPortProblem(refused.constLast().reason,
                        QStringLiteral("Not listed: ") +
                            serial::refusalLines(refused).join(QStringLiteral("\nNot listed: ")));
    QApplication::restoreOverrideCursor();
}

void TMBPanel::onPortListRowChanged(int row)
{
    if (m_refreshing || row < 0 || !m_engine)
        return;
    m_engine->setMBLastUsedPort(m_portList->item(row)->text());
}

void TMBPanel::onBaudListActivated(int index)
{
    if (m_engine)
        m_engine->setMBBaud(index);
}

void TMBPanel::onOpenButtonClicked(bool down)
{
    if (down)
        openPort();
    else
        closePort();
}

void TMBPanel::openPort()
{
    TMB* mb = m_engine;
    if (!mb) {
        m_openButton->setChecked(false);
        return;
    }
    m_refreshButton->setEnabled(false);
    m_portList->setEnabled(false);
    m_baudList->setEnabled(false);
    setFill(m_portIndicator, green());
    const QListWidgetItem* selected = m_portList->currentItem();
    const QString port = selected ? selected->text() : mb->Port();
    m_openButton->setText(QStringLiteral("Close"));

    if (mb->openAction(port))
        return;
    // The engine's portActionFinished(false) has re-enabled the controls.
    m_openButton->setChecked(false);
    setFill(m_portIndicator, red());
    // After the refresh, so that the port's own reason stands over what the
    // refresh finds about other ports.
    refreshPortList();
    const QString reason = mb->portErrorText();
    showPortProblem(reason, QStringLiteral("Cannot open ") + port + QStringLiteral(": ") + reason);
    m_openButton->setText(QStringLiteral("Open"));
}

void TMBPanel::showPortProblem(const QString& statusLine, const QString& lampTip)
{
    m_portIndicator->setToolTip(lampTip);
    m_portProblem = statusLine;
    if (!m_portProblem.isEmpty())
        m_portProblem[0] = m_portProblem[0].toUpper();
    m_lastStatus->setToolTip(m_portProblem);
    if (m_portProblem.isEmpty())
        return;
    const int room = width() - 2 * m_lastStatus->x();
    m_lastStatus->setText(m_lastStatus->fontMetrics().elidedText(m_portProblem, Qt::ElideRight, room));
    m_lastStatus->adjustSize();
}

void TMBPanel::onPortWentAway(const QString& port)
{
    m_wentAwayPort = port;
    setFill(m_portIndicator, red());
    onReconnectWaitingChanged(m_engine && m_engine->reconnector().isWaiting());
}

void TMBPanel::onReconnectWaitingChanged(bool waiting)
{
    if (m_wentAwayPort.isEmpty() || !m_engine || m_engine->MBPortOpen())
        return;
    QString tip = m_wentAwayPort + QStringLiteral(" went away.");
    if (waiting)
        tip += QStringLiteral(" It is opened again when it comes back before ") +
               m_engine->reconnector().deadline().time().toString(QStringLiteral("HH:mm:ss")) + u'.';
    showPortProblem(QStringLiteral("Device went away"), tip);
}

void TMBPanel::closePort()
{
    if (m_engine)
        m_engine->closeAction();
    else
        onPortActionFinished(false);
}

void TMBPanel::onPortActionFinished(bool open)
{
    if (open) {
        m_wentAwayPort.clear();
        showPortProblem(QString(), QString());
    }
    m_openButton->setChecked(open);
    m_openButton->setText(open ? QStringLiteral("Close") : QStringLiteral("Open"));
    m_refreshButton->setEnabled(!open);
    m_portList->setEnabled(!open);
    m_baudList->setEnabled(!open);
    if (open)
        setFill(m_portIndicator, green());
    if (m_engine)
        updateTryMarkVisibility(m_engine->MBMode());
}

bool TMBPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == m_statusIndicator || watched == m_tryNumberMark)) {
        if (m_engine)
            m_engine->resetCounters();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

void TMBPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The narrow "Arial" keeps the longest caption inside the fixed width.
    const QFont captionFont = arial();
    painter.setFont(captionFont);
    const QFontMetrics metrics(captionFont);
    const int lineY = metrics.height() / 2;
    // Etched frame: a dark line with a light one beside it.
    const QRect frame(0, lineY, width() - 2, height() - lineY - 2);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.translated(1, 1));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);

    const QString caption = title();
    if (caption.isEmpty())
        return;
    const QRect captionRect(CaptionLeft, 0, metrics.horizontalAdvance(caption) + 4, metrics.height());
    painter.fillRect(captionRect, palette().color(QPalette::Window));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(captionRect, Qt::AlignCenter, caption);
}

// --- Engine hooks --------------------------------------------------------------

void TMBPanel::flashTx()
{
    setFill(m_txIndicator, orange());
    m_txLampTimer.start();
}

void TMBPanel::flashRx()
{
    setFill(m_rxIndicator, orange());
    m_rxLampTimer.start();
}

void TMBPanel::showTryNumber(int tryNumber)
{
    m_tryNumberMark->setText(NumberFormat::format(tryNumber, u"0"));
    m_tryNumberMark->adjustSize();
    m_tryNumberMark->move(TryMarkBaseLeft + tryNumber, m_tryNumberMark->y());
}

void TMBPanel::showResult(TMBStatus status, const QString& text)
{
    // A query that comes due on the closed port must not wipe out why it
    // is closed.
    if (status != stClosedPort || m_portProblem.isEmpty()) {
        m_lastStatus->setText(QStringLiteral("Last status: ") + text);
        m_lastStatus->adjustSize();
    }
    switch (status) {
    case stOK:
        setFill(m_statusIndicator, green());
        break;
    case stSlaveError:
        setFill(m_statusIndicator, orange());
        break;
    case stTimeOut:
    case stClosedPort:
        setFill(m_statusIndicator, red());
        break;
    }
}

void TMBPanel::refreshCounters()
{
    if (!m_engine)
        return;
    m_txCounter->setText(counterText(m_engine->MBNumberOfTxFrames(), m_unitWord));
    m_rxCounter->setText(counterText(m_engine->MBNumberOfRxFrames(), m_unitWord));
}

void TMBPanel::resetIndicators()
{
    m_txLampTimer.stop();
    m_rxLampTimer.stop();
    setFill(m_txIndicator, normal());
    setFill(m_rxIndicator, normal());
    showTryNumber(0);
    setFill(m_statusIndicator, normal());
    if (!m_engine || !m_engine->MBPortOpen())
        setFill(m_portIndicator, normal());
}

void TMBPanel::updateSpeedLine()
{
    if (!m_engine)
        return;
    m_speedLine->setText(speedLineText(m_engine->MBSpeed(), m_engine->speedMin(), m_engine->MBSpeedMax()));
    m_speedLine->adjustSize();
}

void TMBPanel::applyMode(TMBMode mode)
{
    setTitle(captionPrefix(mode) + versionDate());
    m_unitWord = unitWord(mode);
    updateTryMarkVisibility(mode);
}

void TMBPanel::applyBaud(TMBBaud baud)
{
    if (baud < m_baudList->count())
        m_baudList->setCurrentIndex(baud);
    m_rateLabel->setText(rateText(m_engine ? m_engine->baudRate() : mb::baudRate(baud)));
}

void TMBPanel::applyBaudEditVisible(bool visible)
{
    m_baudList->setVisible(visible);
    m_rateLabel->setVisible(!visible);
}

// The mode is passed in: on a mode change the engine tells the panel before
// it stores the new mode.
void TMBPanel::updateTryMarkVisibility(TMBMode mode)
{
    m_tryNumberMark->setVisible(m_engine && mb::isMasterMode(mode) && m_engine->MBPortOpen());
}

void TMBPanel::setRefreshBold(bool bold)
{
    QFont font = m_refreshButton->font();
    font.setBold(bold);
    m_refreshButton->setFont(font);
}
