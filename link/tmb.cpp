#include "link/tmb.h"

#include "link/crc16.h"
#include "link/port_reconnector.h"
#include "link/tcomm_thread.h"
#include "platform/serial_port.h"

#include <QMetaMethod>

#include <bit>
#include <cstring>

TMB::TMB(QObject* parent) : QObject(parent), m_reconnector(std::make_unique<PortReconnector>(*this))
{
    for (QTimer* timer : {&m_answerTimer, &m_sendDelayTimer, &m_userTimer}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    m_answerTimer.setInterval(1000);
    m_sendDelayTimer.setInterval(10);
    m_userTimer.setInterval(1000);
    m_secondTimer.setInterval(SecondMs);

    connect(&m_answerTimer, &QTimer::timeout, this, &TMB::onAnswerTimeout);
    connect(&m_sendDelayTimer, &QTimer::timeout, this, &TMB::onSendDelay);
    connect(&m_secondTimer, &QTimer::timeout, this, &TMB::onSecondTick);
    connect(&m_userTimer, &QTimer::timeout, this, [this] {
        m_userTimer.stop();
        emit OnMBUserTimeOut();
    });
    m_secondTimer.start();
}

TMB::~TMB()
{
    // No events from a dying object: only the port and thread are released.
    closePort();
}

// --- Port access ---------------------------------------------------------

bool TMB::startPort(std::unique_ptr<SerialPort> port, QString* systemError)
{
    if (!port)
        return false;
    // Driver queue sizes (WinQSizeIn/Out) have no POSIX counterpart.
    auto thread = std::make_unique<TCommThread>(
        std::move(port), this, [this] { onReceive(); }, [this] { onHangUp(); });
    int error = 0;
    if (!thread->start(&error)) {
        if (systemError)
            *systemError = QString::fromLocal8Bit(std::strerror(error));
        return false;
    }
    m_thread = std::move(thread);
    ++m_openGeneration;
    m_running = true;
    return true;
}

void TMB::closePort()
{
    m_running = false;
    if (!m_thread)
        return;
    std::unique_ptr<TCommThread> thread = std::move(m_thread);
    thread->stop();
    // The thread object's destruction closes the port handle.
}

bool TMB::writeBytes(const QByteArray& bytes)
{
    if (!m_running)
        return true;
    if (!m_thread->port()->write(bytes))
        return false;
    emit txActivity();
    return true;
}

void TMB::onReceive()
{
    if (!m_running)
        return;
    feed(m_thread->port()->read(m_receiveBatchLimit));
}

void TMB::onHangUp()
{
    if (!m_running)
        return;
    // A device that is gone cannot come back on this handle: a port left
    // open would only fail every query from now on.
    const QString port = m_port;
    closeAction();
    emit portWentAway(port);
}

// --- Open and close actions ------------------------------------------------

bool TMB::openAction(const QString& port, QString* errorMessage)
{
    return openFor(port, nullptr, errorMessage);
}

bool TMB::openAction(std::unique_ptr<SerialPort> port, QString* errorMessage)
{
    const QString name = port ? port->path() : m_port;
    return openFor(name, std::move(port), errorMessage);
}

bool TMB::openFor(const QString& port, std::unique_ptr<SerialPort> adopted, QString* errorMessage)
{
    if (m_running)
        return true;
    // Opened from a handler of the closing's events: the close under way
    // would take the new port down with it.
    if (m_closing)
        return false;
    const bool wasOpen = m_portOpen;
    const bool openHere = !adopted;

    m_port = port;
    setStatusNow(mb::isSlaveMode(m_mode) ? stnWaitingForCommand : stnReady);
    setBusy(!(mb::isMasterMode(m_mode) || m_mode == modeByte || m_mode == modeString));
    m_portOpen = true;
    showResult(stOK);

    QString systemError;
    QString reason;
    std::unique_ptr<SerialPort> serial =
        openHere ? SerialPort::open(m_port, m_baudRate, &systemError, &reason) : std::move(adopted);
    if (!startPort(std::move(serial), &systemError)) {
        m_portErrorText = reason.isEmpty() ? systemError : reason;
        closingSteps();
        closePort();
        if (errorMessage)
            *errorMessage = QStringLiteral("TMB : cannot open ") + port + QChar(13) + systemError;
        emit portActionFinished(false);
        return false;
    }
    m_portErrorText.clear();
    m_thereWasOpenEvent = true;
    restartSpeedSecond();

    emit portActionFinished(true);
    if (m_portOpen != wasOpen)
        emit OnMBPortOpenedOrClosed(m_portOpen);
    return true;
}

void TMB::closeAction()
{
    if (m_closing)
        return;
    const bool wasOpen = m_portOpen;
    m_closing = true;
    // From here on nothing reaches the line, whatever the handlers of the
    // events below start.
    m_running = false;
    closingSteps();
    closePort();
    m_closing = false;
    emit portActionFinished(false);
    if (m_portOpen != wasOpen)
        emit OnMBPortOpenedOrClosed(m_portOpen);
    if (m_sentWhileClosing) {
        m_sentWhileClosing = false;
        endTransaction(stClosedPort);
    }
}

void TMB::MBClosePort()
{
    if (m_portOpen)
        closeAction();
}

void TMB::closingSteps()
{
    const bool wasBusy = m_busy;
    emit closingBegan();
    m_answerTimer.stop();
    if (trafficObserved())
        m_capture.flush();
    m_portOpen = false;
    resetIndicators();
    setBusy(true);
    setStatusNow(stnPortError);
    showResult(stClosedPort);
    updateSpeedLine();
    if (mb::isMasterMode(m_mode) && wasBusy)
        emit OnMBMasterEndOfEvent(m_status, m_statusString);
}

// --- Properties with side effects -------------------------------------------

void TMB::setMBBaud(int ordinal)
{
    m_baudRate = mb::baudRate(ordinal);
    emit baudChanged(MBBaud());
}

void TMB::setMBBaudEditVisible(bool visible)
{
    m_baudEditVisible = visible;
    emit baudEditVisibleChanged(visible);
}

void TMB::setMBMasterAddressToSlave(quint8 address)
{
    m_masterAddress = (m_mode != modeASCIIMaster && address > 15) ? 15 : address;
}

void TMB::setMBMasterMaxTryNumber(int tries)
{
    m_maxTries = quint8(qBound(1, tries, int(MaxTries)));
}

void TMB::setMBMode(TMBMode mode)
{
    m_frameHeaderSize = mb::frameHeaderSize(mode);
    emit modeChanged(mode);
    setBusy(mb::isMasterMode(mode) ? !m_portOpen : true);
    const TMBMode old = m_mode;
    m_mode = mode;
    if (old == mode)
        return;
    m_tryNumberMax = 0;
    m_rxFrames = 0;
    m_txFrames = 0;
    emit countersChanged();
    m_status = stOK;
    m_statusString = mb::statusText(stOK);
    setStatusNow(mode == modeSlave ? stnWaitingForCommand : stnReady);
    resetIndicators();
    resetSpeedRange();
    // The raw modes collect from data position 1: what a framed mode left
    // in the buffer must not stand in front of their first byte, nor may
    // the index where its gets stopped point past that byte. Only here:
    // byte mode then accumulates, its index walking on from batch to batch.
    if (mode == modeByte || mode == modeString) {
        m_rxRaw.clear();
        m_rxIndex = 1;
        m_stringArmed = false;
    }
}

// --- Transactions ----------------------------------------------------------

void TMB::MBSend(quint16 delayMs)
{
    m_sendDelayTimer.stop();
    if (delayMs == 0) {
        sendNow();
        return;
    }
    m_sendDelayTimer.setInterval(delayMs);
    m_sendDelayTimer.start();
}

void TMB::onSendDelay()
{
    m_sendDelayTimer.stop();
    if (m_mode == modeSlave)
        sendSlaveAnswer();
    else
        sendNow();
}

bool TMB::trafficObserved() const
{
    static const QMetaMethod signal = QMetaMethod::fromSignal(&TMB::traffic);
    return isSignalConnected(signal);
}

bool TMB::writeQuery(quint8 tryNumber)
{
    if (!m_running) {
        setStatusNow(stnPortError);
        return false;
    }
    const bool ascii = m_mode == modeASCIIMaster;
    m_txFrame[0] = m_masterAddress;
    if (!ascii && m_masterQueryMode)
        m_txFrame[0] = quint8(m_masterAddress + QueryModeBit);
    m_txFrame[1] = m_masterId;
    m_txFrame[2] = m_masterCommand;
    if (ascii)
        m_txFrame[3] = 0;
    const QByteArray frame = sealTxFrame(m_frameHeaderSize);

    const QByteArray wire = (m_mode == modeASCIIMaster) ? frame::asciiEncode(frame::AsciiQueryStart, frame)
                                                        : frame::nibbleEncode(frame);
    if (!writeBytes(wire)) {
        portError();
        return false;
    }
    if (m_mode == modeASCIIMaster)
        m_asciiDecoder.leaveFrame();
    if (trafficObserved())
        m_capture.querySent(wire, tryNumber);
    return true;
}

QByteArray TMB::sealTxFrame(int headerSize)
{
    const int body = headerSize + m_dataToSend;
    const QByteArray frame =
        frame::withCrc(QByteArrayView(reinterpret_cast<const char*>(m_txFrame.data()), body));
    std::memcpy(m_txFrame.data() + body, frame.constData() + body, 2);
    return frame;
}

void TMB::sendNow()
{
    // From a handler of the closing's end event: ending this transaction
    // now would nest a second end event inside the first.
    if (m_closing) {
        m_sentWhileClosing = true;
        return;
    }
    if (!mb::isMasterMode(m_mode)) {
        sendWithoutAnswer();
        return;
    }
    m_answerTimer.stop();
    setBusy(true);

    writeQuery();
    if (m_statusNow == stnPortError) {
        endTransaction(stClosedPort);
        return;
    }
    setStatusNow(stnSending);
    ++m_txFrames;
    emit countersChanged();
    m_tryNumber = 1;
    showTryNumber(1);

    if (m_masterAddress == 0) {
        setBusy(false);
        setStatusNow(stnReady);
        endTransaction(stOK);
        return;
    }
    setStatusNow(stnWaitingForAnswer);
    m_calculatedTimeOfSending = mb::transmissionTimeMs(m_dataToSend, m_baudRate);
    m_answerTimer.setInterval(m_calculatedTimeOfSending + m_masterTimeOut);
    m_answerTimer.start();
    m_rxRaw.clear();
}

void TMB::onAnswerTimeout()
{
    m_answerTimer.stop();
    if (trafficObserved())
        m_capture.answerMissed(m_tryNumber, m_tryNumber >= m_maxTries);
    if (m_tryNumber < m_maxTries) {
        ++m_tryNumber;
        showTryNumber(m_tryNumber);
        writeQuery(m_tryNumber);
        if (m_statusNow == stnPortError) {
            setBusy(true);
            endTransaction(stClosedPort);
            return;
        }
        setStatusNow(stnSending);
        m_answerTimer.setInterval(m_calculatedTimeOfSending + m_masterTimeOut);
        m_answerTimer.start();
        setStatusNow(stnWaitingForAnswer);
        return;
    }
    setStatusNow(stnTimeOut);
    setBusy(false);
    endTransaction(stTimeOut);
}

void TMB::endTransaction(TMBStatus status, int code)
{
    if (status == stClosedPort)
        setBusy(true);
    showResult(status, code);
    emit OnMBMasterEndOfEvent(m_status, m_statusString);
}

void TMB::portError()
{
    emit txLampReset();
    setStatusNow(stnPortError);
    showResult(stClosedPort);
    setBusy(true);
}

// --- Receiving -------------------------------------------------------------

void TMB::feed(const QByteArray& batch)
{
    const quint32 generation = m_openGeneration;
    // Asked once a batch, not once a byte: a listener that comes or goes
    // during a batch is served from the next one.
    m_captureBatch = trafficObserved();
    for (qsizetype k = 0; k < batch.size(); ++k) {
        // A handler run from this loop may have closed the port, or closed
        // and opened it again: the rest of the batch belongs to neither.
        if (!m_running || generation != m_openGeneration)
            return;
        // Byte mode takes the rest of the batch at once (a handler may have
        // switched to it halfway).
        if (m_mode == modeByte) {
            receiveBytes(QByteArrayView(batch).sliced(k));
            return;
        }
        feedByte(quint8(batch[k]));
    }
}

void TMB::feedByte(quint8 byte)
{
    DecodeEvent event = DecodeEvent::None;
    switch (m_mode) {
    case modeASCIIMaster:
        event = m_asciiDecoder.feed(byte);
        break;
    case modeMaster:
        event = m_nibbleDecoder.feed(byte, {NibbleFirstByteRule::AnswerFrom, m_masterAddress});
        break;
    case modeSlave:
        event = m_nibbleDecoder.feed(byte, {NibbleFirstByteRule::QueryTo, m_slaveOwnAddress});
        break;
    case modeDiagnostic:
        event = m_nibbleDecoder.feed(byte, {NibbleFirstByteRule::Any, 0});
        break;
    case modeString:
        receiveStringByte(byte);
        return;
    case modeASCIISlave:
    case modeByte:
        return;
    }
    if (m_captureBatch && mb::isMasterMode(m_mode))
        m_capture.byteReceived(byte, event, m_answerTimer.isActive());

    switch (event) {
    case DecodeEvent::None:
        break;
    case DecodeEvent::FrameStarted:
        setStatusNow(stnReceiving);
        break;
    case DecodeEvent::Rejected:
        resetReceiver();
        // A monitor that saw a broken frame end is not receiving any more.
        if (m_mode == modeDiagnostic)
            setStatusNow(stnReady);
        break;
    case DecodeEvent::FrameAccepted:
        if (mb::isMasterMode(m_mode))
            acceptMasterFrame();
        else if (m_mode == modeSlave)
            acceptSlaveQuery();
        else
            acceptDiagnosticFrame();
        break;
    }
}

void TMB::resetReceiver()
{
    m_rxRaw.clear();
    m_asciiDecoder.leaveFrame();
    if (mb::isMasterMode(m_mode))
        setStatusNow(stnWaitingForAnswer);
    else if (m_mode == modeSlave)
        setStatusNow(stnWaitingForCommand);
}

void TMB::copyFrame()
{
    const int count = m_rxRaw.count();
    std::memcpy(m_rxFrame.data(), m_rxRaw.data(), size_t(count));
    m_rxFrameLength = count;
    const int overhead = (m_mode == modeASCIIMaster) ? 6 : 5;
    m_receivedDataNumber = quint16(count > overhead ? count - overhead : 0);
    m_rxIndex = 1;
}

void TMB::acceptMasterFrame()
{
    emit rxActivity();
    m_answerTimer.stop();
    copyFrame();

    const bool ascii = m_mode == modeASCIIMaster;
    const int code = m_rxFrame[ascii ? 3 : 2];
    const bool success = ascii ? code < mb::AsciiRefusalStatus : code <= mb::NibbleLastSuccessCode;
    if (success) {
        ++m_rxFrames;
        ++m_speedCount;
    }
    showResult(success ? stOK : stSlaveError, code);
    setStatusNow(stnReady);
    setBusy(false);
    emit OnMBMasterEndOfEvent(m_status, m_statusString);
}

// --- Payload ---------------------------------------------------------------

void TMB::MBClearTxBuffer()
{
    m_txIndex = 1;
    m_dataToSend = 0;
    std::fill(m_txFrame.begin() + m_frameHeaderSize, m_txFrame.end(), quint8(0));
}

bool TMB::put(const quint8* bytes, int size)
{
    const int i = m_txIndex;
    const int e = i + size;
    if (e > MaxDataPosition + 1)
        return false;
    std::memcpy(m_txFrame.data() + m_frameHeaderSize - 1 + i, bytes, size_t(size));
    if (e <= MaxDataPosition) {
        m_txIndex = quint16(e);
        if (e - 1 > m_dataToSend)
            m_dataToSend = quint16(e - 1);
    }
    return true;
}

bool TMB::get(quint8* bytes, int size)
{
    const int i = m_rxIndex;
    if (i + size - 1 > m_receivedDataNumber)
        return false;
    std::memcpy(bytes, m_rxFrame.data() + m_frameHeaderSize - 1 + i, size_t(size));
    if (i + size <= MaxDataPosition)
        m_rxIndex = quint16(i + size);
    return true;
}

namespace {

template <typename T> std::array<quint8, sizeof(T)> littleEndian(T value)
{
    std::array<quint8, sizeof(T)> out{};
    using U = std::make_unsigned_t<std::conditional_t<std::is_floating_point_v<T>, quint32, T>>;
    U raw;
    std::memcpy(&raw, &value, sizeof raw);
    for (size_t k = 0; k < sizeof(T); ++k)
        out[k] = quint8(raw >> (8 * k));
    return out;
}

template <typename T> T fromLittleEndian(const std::array<quint8, sizeof(T)>& bytes)
{
    using U = std::make_unsigned_t<std::conditional_t<std::is_floating_point_v<T>, quint32, T>>;
    U raw = 0;
    for (size_t k = 0; k < sizeof(T); ++k)
        raw |= U(U(bytes[k]) << (8 * k));
    T value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

} // namespace

void TMB::MBPutByte(quint8 value)
{
    put(&value, 1);
}

void TMB::MBPutShortInt(qint8 value)
{
    MBPutByte(quint8(value));
}

void TMB::MBPutBoolean(bool value)
{
    MBPutByte(value ? 1 : 0);
}

void TMB::MBPutWord(quint16 value)
{
    put(littleEndian(value).data(), 2);
}

void TMB::MBPutCardinal(quint32 value)
{
    put(littleEndian(value).data(), 4);
}

void TMB::MBPutInteger(qint32 value)
{
    put(littleEndian(value).data(), 4);
}

void TMB::MBPutSingle(float value)
{
    put(littleEndian(value).data(), 4);
}

void TMB::MBPutString(const QByteArray& value)
{
    // Byte by byte, so a string that reaches the end of the buffer keeps as
    // much as fits.
    for (const char c : value)
        MBPutByte(quint8(c));
    MBPutByte(0);
}

quint8 TMB::MBGetByte()
{
    quint8 value = 0;
    return get(&value, 1) ? value : 0;
}

bool TMB::MBGetBoolean()
{
    return MBGetByte() != 0;
}

quint16 TMB::MBGetWord()
{
    std::array<quint8, 2> bytes{};
    return get(bytes.data(), 2) ? fromLittleEndian<quint16>(bytes) : 0;
}

quint32 TMB::MBGetCardinal()
{
    std::array<quint8, 4> bytes{};
    return get(bytes.data(), 4) ? fromLittleEndian<quint32>(bytes) : 0;
}

qint32 TMB::MBGetInteger()
{
    std::array<quint8, 4> bytes{};
    return get(bytes.data(), 4) ? fromLittleEndian<qint32>(bytes) : 0;
}

float TMB::MBGetSingle()
{
    std::array<quint8, 4> bytes{};
    return get(bytes.data(), 4) ? fromLittleEndian<float>(bytes) : 0.0f;
}

QByteArray TMB::txData() const
{
    return QByteArray(reinterpret_cast<const char*>(m_txFrame.data()) + m_frameHeaderSize, m_dataToSend);
}

void TMB::MBClearRxBuffer()
{
    m_rxRaw.clear();
    m_receivedDataNumber = 0;
    m_rxFrameLength = 0;
    m_rxIndex = 1;
}

QByteArray TMB::rxFrame() const
{
    return QByteArray(reinterpret_cast<const char*>(m_rxFrame.data()), m_rxFrameLength);
}

// --- State, indicators, speed ------------------------------------------------

void TMB::setStatusNow(TMBStatusNow status)
{
    if (status == m_statusNow)
        return;
    m_statusNow = status;
    emit OnMBStatusNowChanged(status, mb::statusNowText(status));
}

void TMB::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    emit OnMBBusyChanged(busy);
}

void TMB::showResult(TMBStatus status, int code)
{
    m_status = status;
    m_statusString = mb::statusText(status, code);
    emit resultShown(m_status, m_statusString);
}

void TMB::showTryNumber(int tryNumber)
{
    if (tryNumber > m_tryNumberMax)
        m_tryNumberMax = quint8(tryNumber);
    emit tryNumberShown(tryNumber);
}

void TMB::resetIndicators()
{
    m_tryNumberMax = 0;
    emit indicatorsReset();
}

void TMB::resetCounters()
{
    m_tryNumberMax = 0;
    m_txFrames = 0;
    m_rxFrames = 0;
    emit countersChanged();
    resetIndicators();
    resetSpeedRange();
    restartSpeedSecond();
}

void TMB::restartSpeedSecond()
{
    m_secondTimer.stop();
    m_speedCount = 0;
    m_secondTimer.start();
}

void TMB::resetSpeedRange()
{
    m_speedMin = m_speed;
    m_speedMax = m_speed;
    updateSpeedLine();
}

void TMB::updateSpeedLine()
{
    if (m_portOpen) {
        m_speedMin = qMin(m_speedMin, m_speed);
        m_speedMax = qMax(m_speedMax, m_speed);
    }
    emit speedLineChanged();
}

void TMB::setDeferredSetUpDelay(int ms)
{
    if (m_deferredSetUpDue)
        m_secondTimer.start(qMax(0, ms));
}

void TMB::onSecondTick()
{
    if (m_deferredSetUpDue) {
        m_deferredSetUpDue = false;
        if (m_secondTimer.interval() != SecondMs)
            m_secondTimer.start(SecondMs);
        emit deferredSetUpDue();
        return;
    }
    m_speed = m_portOpen ? m_speedCount : 0;
    m_speedCount = 0;
    updateSpeedLine();
}

void TMB::MBStartUserTimer(int intervalMs)
{
    m_userTimer.stop();
    m_userTimer.setInterval(qMax(0, intervalMs));
    m_userTimer.start();
}
