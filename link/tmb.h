#pragma once

#include "link/ascii_codec.h"
#include "link/mb_types.h"
#include "link/nibble_codec.h"
#include "link/rx_raw_buffer.h"
#include "link/traffic_capture.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <memory>

class PortReconnector;
class SerialPort;
class TCommThread;

// The serial link component: one serial port, the command/answer protocol
// in nibble or ASCII framing as master, as a nibble-framed slave station or
// as a line monitor, and raw byte and stop-byte-terminated string traffic;
// its counters, timers and events. Free of widgets; TMBPanel shows it.
//
// Everything runs on the thread that owns the object. The receive thread
// only hands batches of received bytes over to it.
//
// modeASCIISlave is a station that keeps still: it takes the slave's states
// when the port opens, ignores every received character and answers nothing
// (MBSend writes nothing in it either).
class TMB : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxDataPosition = 2043;
    static constexpr int RxFrameSize = 2051;
    static constexpr int TxFrameSize = 4 + MaxDataPosition + 2;
    static constexpr quint16 DefaultMasterTimeOutMs = 1000;
    static constexpr quint8 MaxTries = 5;
    static constexpr int SecondMs = 1000;

    // Most bytes one hand-over of the receive thread takes; the rest waits
    // for the next one, so a peer that never stops sending cannot hold the
    // thread that decodes.
    static constexpr qsizetype ReceiveBatchLimit = 64 * 1024;

    // The component's version date: the panel's caption and the slave's
    // identification answer carry it.
    static constexpr quint16 VersionYear = 2015;
    static constexpr quint8 VersionMonth = 3;
    static constexpr quint8 VersionDay = 18;

    // Slave commands the component answers itself; 1 to 127 go to
    // OnMBSlaveReceivedCommand, anything else is unsupported.
    static constexpr quint8 SlaveCommandNoOperation = 0;
    static constexpr quint8 SlaveLastUserCommand = 127;
    static constexpr quint8 SlaveCommandNoOperationHigh = 128;
    static constexpr quint8 SlaveCommandIdentification = 129;
    static constexpr quint8 SlaveCommandFrameCounter = 130;
    // Data byte 1 of the frame-counter command that clears the counter.
    static constexpr quint8 SlaveFrameCounterClear = 1;
    // Error codes of an answer: from SlaveErrorFirst on the answer reports
    // a slave error; the component itself sets the two below.
    static constexpr quint8 SlaveErrorFirst = 128;
    static constexpr quint8 SlaveErrorWrongId = 129;
    static constexpr quint8 SlaveErrorUnsupportedCommand = 130;
    static constexpr quint8 DefaultSlaveOwnAddress = 1;

    // The address byte of a nibble-framed frame.
    static constexpr quint8 AddressMask = 0x0F;
    static constexpr quint8 BroadcastAddress = 0;
    static constexpr quint8 QueryModeBit = 0x40;
    static constexpr quint8 AnswerBit = 0x80;

    explicit TMB(QObject* parent = nullptr);
    ~TMB() override;

    // --- Port and line -------------------------------------------------
    QString Port() const { return m_port; }
    void setPort(const QString& port) { m_port = port; }
    quint32 WinQSizeIn() const { return m_winQSizeIn; }
    void setWinQSizeIn(quint32 size) { m_winQSizeIn = size; }
    quint32 WinQSizeOut() const { return m_winQSizeOut; }
    void setWinQSizeOut(quint32 size) { m_winQSizeOut = size; }
    TMBBaud MBBaud() const { return mb::baudFromRate(m_baudRate); }
    // Takes effect at the next opening; an open port keeps its rate.
    void setMBBaud(int ordinal);
    quint32 baudRate() const { return m_baudRate; }
    bool MBPortOpen() const { return m_portOpen; }
    bool MBThereWasOpenEvent() const { return m_thereWasOpenEvent; }
    void setMBThereWasOpenEvent(bool value) { m_thereWasOpenEvent = value; }

    // The panel's Open: takes the port, opens it, starts the receive thread.
    // On failure everything is closed again, errorMessage gets
    // "TMB : cannot open <port>\r<system text>" and no event fires.
    bool openAction(const QString& port, QString* errorMessage = nullptr);
    // The same Open on a port opened elsewhere (see SerialPort::adopt):
    // Port becomes its name, the line settings are the caller's. A null
    // port fails like a port that cannot be opened.
    bool openAction(std::unique_ptr<SerialPort> port, QString* errorMessage = nullptr);
    // The panel's Close. Fires OnMBMasterEndOfEvent(stClosedPort) when a
    // master transaction was under way, then OnMBPortOpenedOrClosed(false).
    // Nothing is written from its start on: an MBSend from a handler of its
    // events ends with its own stClosedPort after the close, not inside it.
    // A hang-up of the device closes the port the same way.
    void closeAction();
    // Close when open; nothing otherwise.
    void MBClosePort();
    // Why the last opening failed, as the user is told it (InUseText when
    // another program holds the port; the system's text otherwise). Empty
    // once an opening succeeded.
    QString portErrorText() const { return m_portErrorText; }
    // Reopens the port when its device comes back after going away.
    PortReconnector& reconnector() { return *m_reconnector; }
    // Most bytes one hand-over takes (ReceiveBatchLimit); for benchmarks.
    void setReceiveBatchLimit(qsizetype bytes) { m_receiveBatchLimit = qMax<qsizetype>(1, bytes); }

    // --- Mode and query ------------------------------------------------
    TMBMode MBMode() const { return m_mode; }
    void setMBMode(TMBMode mode);
    int FrameHeaderSize() const { return m_frameHeaderSize; }
    quint8 MBMasterAddressToSlave() const { return m_masterAddress; }
    void setMBMasterAddressToSlave(quint8 address);
    quint8 MBMasterIDToSlave() const { return m_masterId; }
    void setMBMasterIDToSlave(quint8 id) { m_masterId = id; }
    quint8 MBMasterCommandToSlave() const { return m_masterCommand; }
    void setMBMasterCommandToSlave(quint8 command) { m_masterCommand = command; }
    bool MBMasterQueryMode() const { return m_masterQueryMode; }
    void setMBMasterQueryMode(bool on) { m_masterQueryMode = on; }
    quint16 MBMasterTimeOut() const { return m_masterTimeOut; }
    void setMBMasterTimeOut(quint16 ms) { m_masterTimeOut = ms; }
    quint8 MBMasterMaxTryNumber() const { return m_maxTries; }
    void setMBMasterMaxTryNumber(int tries);
    quint8 MBMasterTryNumber() const { return m_tryNumber; }
    quint8 MBMasterTryNumberMax() const { return m_tryNumberMax; }
    quint16 MBCalculatedTimeOfSending() const { return m_calculatedTimeOfSending; }
    quint16 MBReminder() const { return m_reminder; }
    void setMBReminder(quint16 value) { m_reminder = value; }

    quint8 MBSlaveOwnAddress() const { return m_slaveOwnAddress; }
    // 0 is the broadcast address, never a station's own: it stores 1.
    void setMBSlaveOwnAddress(quint8 address) { m_slaveOwnAddress = quint8(qBound(1, int(address), 15)); }
    quint8 MBSlaveID() const { return m_slaveId; }
    void setMBSlaveID(quint8 id) { m_slaveId = id; }
    quint8 MBSlaveErrorCode() const { return m_slaveErrorCode; }
    void setMBSlaveErrorCode(quint8 code) { m_slaveErrorCode = code; }
    QString MBSlaveName() const { return m_slaveName; }
    // Answered to the identification command one byte per character
    // (Latin-1), then a 0 byte.
    void setMBSlaveName(const QString& name) { m_slaveName = name; }
    // Milliseconds between an accepted query and the slave's answer. A
    // query accepted meanwhile drops the answer still due (its master sees
    // a lost frame) and is answered as any query is.
    quint16 MBSlaveDelayTime() const { return m_slaveDelayTime; }
    void setMBSlaveDelayTime(quint16 ms) { m_slaveDelayTime = ms; }
    quint8 MBStopByteInStringMode() const { return m_stopByte; }
    void setMBStopByteInStringMode(quint8 byte) { m_stopByte = byte; }

    // Sends after delayMs (0: at once) what the mode sends: the query in
    // the master modes; a query without awaiting an answer in
    // modeDiagnostic; the data bytes one per write in modeByte and
    // modeString (the latter also arms the reception of one string). Ends in
    // exactly one OnMBMasterEndOfEvent unless another MBSend overtakes it.
    // In modeSlave a delayed MBSend sends the slave's answer again and
    // fires no end event; in modeASCIISlave nothing happens.
    void MBSend(quint16 delayMs);

    // --- Results and state ---------------------------------------------
    TMBStatus MBStatus() const { return m_status; }
    QString MBStatusString() const { return m_statusString; }
    TMBStatusNow MBStatusNow() const { return m_statusNow; }
    QString MBStatusNowString() const { return mb::statusNowText(m_statusNow); }
    bool MBBusy() const { return m_busy; }
    quint32 MBNumberOfTxFrames() const { return m_txFrames; }
    quint32 MBNumberOfRxFrames() const { return m_rxFrames; }

    // --- Payload --------------------------------------------------------
    quint16 MBMBTXDataBufferIndex() const { return m_txIndex; }
    void setMBMBTXDataBufferIndex(int index) { m_txIndex = clampPosition(index); }
    quint16 MBMBRXDataBufferIndex() const { return m_rxIndex; }
    void setMBMBRXDataBufferIndex(int index) { m_rxIndex = clampPosition(index); }
    quint16 MBDataNumberToSend() const { return m_dataToSend; }
    void setMBDataNumberToSend(int count) { m_dataToSend = quint16(qBound(0, count, MaxDataPosition)); }
    quint16 MBReceivedDataNumber() const { return m_receivedDataNumber; }
    quint16 MBNumberOfReceivedBytes() const { return quint16(m_rxRaw.count()); }
    bool MBRxBufferFull() const { return m_rxRaw.full(); }
    // Empties the receive buffer: in modeByte, where received bytes pile
    // up until 2048 are held, the next byte is data position 1 again.
    // MBReceivedDataNumber := 0, RX index := 1; an armed string reception
    // stays armed and starts afresh.
    void MBClearRxBuffer();

    void MBClearTxBuffer();
    void MBPutByte(quint8 value);
    void MBPutShortInt(qint8 value);
    void MBPutBoolean(bool value);
    void MBPutWord(quint16 value);
    void MBPutCardinal(quint32 value);
    void MBPutInteger(qint32 value);
    void MBPutSingle(float value);
    void MBPutString(const QByteArray& value);

    quint8 MBGetByte();
    bool MBGetBoolean();
    quint16 MBGetWord();
    quint32 MBGetCardinal();
    qint32 MBGetInteger();
    float MBGetSingle();

    // Data bytes 1..MBDataNumberToSend of the next query, and the last
    // accepted frame as received (header, data, CRC); in modeByte and
    // modeString three bytes of no meaning, then the bytes received.
    QByteArray txData() const;
    QByteArray rxFrame() const;

    // --- Panel-side state ------------------------------------------------
    QString MBLastUsedPort() const { return m_lastUsedPort; }
    void setMBLastUsedPort(const QString& port) { m_lastUsedPort = port; }
    bool MBRefreshListOnStartup() const { return m_refreshListOnStartup; }
    void setMBRefreshListOnStartup(bool on) { m_refreshListOnStartup = on; }
    bool MBBaudEditVisible() const { return m_baudEditVisible; }
    void setMBBaudEditVisible(bool visible);
    quint32 MBSpeed() const { return m_speed; }
    quint32 MBSpeedMax() const { return m_speedMax; }
    quint32 speedMin() const { return m_speedMin; }
    // Until the first tick of the one-second timer; a panel created later
    // does its set-up at once.
    bool deferredSetUpPending() const { return m_deferredSetUpDue; }
    // Brings that first tick forward (or back) to ms after now; nothing once
    // it has come. Later ticks keep a second apart. For tests.
    void setDeferredSetUpDelay(int ms);
    // True in the master modes: the panel shows the try number there.
    bool tryMarkEnabled() const { return mb::isMasterMode(m_mode); }

    // The panel's "reset counters" (a click on the status lamp or try mark).
    void resetCounters();

    // One-shot user timer; OnMBUserTimeOut fires when it elapses.
    void MBStartUserTimer(int intervalMs);
    bool userTimerActive() const { return m_userTimer.isActive(); }
    // A delayed MBSend or a slave's delayed answer is still due.
    bool sendDelayActive() const { return m_sendDelayTimer.isActive(); }

signals:
    void OnMBMasterEndOfEvent(TMBStatus MBStatus, const QString& MBStatusString);
    void OnMBStatusNowChanged(TMBStatusNow MBStatusNow, const QString& MBStatusNowString);
    void OnMBBusyChanged(bool MBbBusy);
    void OnMBPortOpenedOrClosed(bool MBbPortOpen);
    void OnMBUserTimeOut();
    // modeSlave: a query with a user command (1 to 127) was accepted. The
    // handler reads the request with the get operations, puts the answer
    // (the transmit data is already cleared) and may set MBSlaveErrorCode.
    void OnMBSlaveReceivedCommand(quint8 Command, bool QueryMode, quint16 ReceivedDataNumber);
    // modeDiagnostic: a valid frame was seen; its data from data position 1.
    void OnMBDiagnosticReceivedAFrame(quint16 ReceivedDataNumber);
    // modeByte: a batch of bytes arrived; the number of bytes held.
    void OnMBReceivedAByte(quint16 ReceivedBytesNumber);
    // modeString: a string ended by the stop byte arrived, the stop byte its
    // last character; one character per byte (Latin-1). MBRxBufferFull
    // during it: the string filled the buffer, and of a longer one the bytes
    // beyond were dropped, the stop byte taking the last place.
    void OnMBReceivedAString(const QString& ReceivedString);

    // Services for a panel; nothing depends on anyone listening.
    void txActivity();
    void rxActivity();
    void tryNumberShown(int tryNumber);
    void resultShown(TMBStatus status, const QString& text);
    void countersChanged();
    void indicatorsReset();
    void speedLineChanged();
    void modeChanged(TMBMode mode);
    void baudChanged(TMBBaud baud);
    void baudEditVisibleChanged(bool visible);
    // Open or close has finished its own steps; fires before OnMBPortOpenedOrClosed.
    void portActionFinished(bool open);
    // The device of the open port hung up (an adapter pulled, the far end
    // closed); the port has been closed as Close closes it.
    void portWentAway(const QString& port);
    // Closing starts: the port's controls may be used again.
    void closingBegan();
    // A port error: the Tx lamp goes back to normal at once.
    void txLampReset();
    // First tick of the one-second timer: the panel's deferred set-up.
    void deferredSetUpDue();

    // The master modes' traffic: every query and resend written, every
    // answer and every run of bad input received, every try that timed out,
    // each with its time. Emitted before the end event it leads to. Nothing
    // is captured while no one is connected.
    void traffic(const LinkTraffic& entry);

private:
    static quint16 clampPosition(int index) { return quint16(qBound(1, index, MaxDataPosition)); }

    // Port access
    bool openFor(const QString& name, std::unique_ptr<SerialPort> adopted, QString* errorMessage);
    bool startPort(std::unique_ptr<SerialPort> port, QString* systemError);
    void closePort();
    bool writeBytes(const QByteArray& bytes);
    void onReceive();
    void onHangUp();

    // Engine
    void sendNow();
    // tryNumber: which send of the query this is, for the traffic signal.
    bool writeQuery(quint8 tryNumber = 1);
    bool trafficObserved() const;
    // The CRC of header + MBDataNumberToSend data bytes, stored after them;
    // returns the whole frame.
    QByteArray sealTxFrame(int headerSize);
    void onAnswerTimeout();
    void onSendDelay();
    void feed(const QByteArray& batch);
    void feedByte(quint8 byte);
    void acceptMasterFrame();
    void copyFrame();

    // Slave, diagnostic, byte and string modes (tmb_modes.cpp)
    void acceptSlaveQuery();
    void putIdentification();
    void sendSlaveAnswer();
    void acceptDiagnosticFrame();
    void sendWithoutAnswer();
    bool writeDataBytes();
    void receiveBytes(QByteArrayView bytes);
    void receiveStringByte(quint8 byte);
    void copyRawData();
    void resetReceiver();
    void portError();
    void closingSteps();
    void setStatusNow(TMBStatusNow status);
    void setBusy(bool busy);
    void showResult(TMBStatus status, int code = 0);
    void showTryNumber(int tryNumber);
    void resetIndicators();
    void restartSpeedSecond();
    void resetSpeedRange();
    void updateSpeedLine();
    void onSecondTick();
    void endTransaction(TMBStatus status, int code = 0);

    bool put(const quint8* bytes, int size);
    bool get(quint8* bytes, int size);

    // Line
    QString m_port = QStringLiteral("COM1");
    quint32 m_winQSizeIn = 8192;
    quint32 m_winQSizeOut = 8192;
    quint32 m_baudRate = 115200;
    bool m_portOpen = false;
    bool m_thereWasOpenEvent = false;
    bool m_running = false;
    bool m_closing = false;
    // A handler sent while the close ran: its end event follows the close.
    bool m_sentWhileClosing = false;
    QString m_portErrorText;
    qsizetype m_receiveBatchLimit = ReceiveBatchLimit;
    // Counts openings, so a batch being decoded across a close and reopen
    // is not fed into the new session.
    quint32 m_openGeneration = 0;
    // Whether the batch being fed is captured for the traffic signal.
    bool m_captureBatch = false;
    std::unique_ptr<TCommThread> m_thread;
    std::unique_ptr<PortReconnector> m_reconnector;

    // Query
    TMBMode m_mode = modeASCIIMaster;
    int m_frameHeaderSize = 4;
    quint8 m_masterAddress = 1;
    quint8 m_masterId = 0;
    quint8 m_masterCommand = 0;
    bool m_masterQueryMode = false;
    quint16 m_masterTimeOut = DefaultMasterTimeOutMs;
    quint8 m_maxTries = MaxTries;
    quint8 m_tryNumber = 0;
    quint8 m_tryNumberMax = 0;
    quint16 m_calculatedTimeOfSending = 0;
    quint16 m_reminder = 0;
    quint8 m_slaveOwnAddress = DefaultSlaveOwnAddress;
    quint8 m_slaveId = 0;
    quint8 m_slaveErrorCode = 0;
    QString m_slaveName = QStringLiteral("MB Slave");
    quint16 m_slaveDelayTime = 0;
    quint8 m_stopByte = 0;
    // Set by a send in modeString, cleared by the stop byte.
    bool m_stringArmed = false;

    // Results
    TMBStatus m_status = stOK;
    QString m_statusString = QStringLiteral("OK");
    TMBStatusNow m_statusNow = stnPortError;
    bool m_busy = true;
    quint32 m_txFrames = 0;
    quint32 m_rxFrames = 0;

    // Buffers
    std::array<quint8, TxFrameSize> m_txFrame{};
    std::array<quint8, RxFrameSize> m_rxFrame{};
    quint16 m_txIndex = 1;
    quint16 m_rxIndex = 1;
    quint16 m_dataToSend = 0;
    quint16 m_receivedDataNumber = 0;
    int m_rxFrameLength = 0;
    RxRawBuffer m_rxRaw;
    NibbleDecoder m_nibbleDecoder{m_rxRaw};
    AsciiDecoder m_asciiDecoder{m_rxRaw};

    // Panel-side state
    QString m_lastUsedPort;
    bool m_refreshListOnStartup = true;
    bool m_baudEditVisible = true;
    quint32 m_speed = 0;
    quint32 m_speedMax = 0;
    quint32 m_speedMin = 0;
    quint32 m_speedCount = 0;
    bool m_deferredSetUpDue = true;

    TrafficCapture m_capture{[this](const LinkTraffic& entry) { emit traffic(entry); }};

    QTimer m_answerTimer;
    QTimer m_sendDelayTimer;
    QTimer m_secondTimer;
    QTimer m_userTimer;
};
