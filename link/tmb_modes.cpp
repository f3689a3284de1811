// The link's slave station, line monitor, and raw byte and string modes.

#include "link/tmb.h"

#include "link/nibble_codec.h"

#include <cstring>

// --- Slave -------------------------------------------------------------------

void TMB::acceptSlaveQuery()
{
    // An answer still waiting out MBSlaveDelayTime is dropped, not sent:
    // the clearing below empties it, and an empty answer with code 0 would
    // tell its master "success" without its data. Dropped, it is a lost
    // frame to that master, which tries again.
    m_sendDelayTimer.stop();
    MBClearTxBuffer();
    m_slaveErrorCode = 0;
    emit rxActivity();
    copyFrame();
    setStatusNow(stnReceivedCommand);

    const quint8 address = m_rxFrame[0];
    const quint8 id = m_rxFrame[1];
    const quint8 command = m_rxFrame[2];
    bool clearCounter = false;
    if (id != m_slaveId && id != 0) {
        m_slaveErrorCode = SlaveErrorWrongId;
    } else if (command == SlaveCommandNoOperation || command == SlaveCommandNoOperationHigh) {
        // Answered with an empty, successful frame.
    } else if (command <= SlaveLastUserCommand) {
        emit OnMBSlaveReceivedCommand(command, (address & QueryModeBit) != 0, m_receivedDataNumber);
    } else if (command == SlaveCommandIdentification) {
        putIdentification();
    } else if (command == SlaveCommandFrameCounter) {
        clearCounter = MBGetByte() == SlaveFrameCounterClear;
        MBPutCardinal(clearCounter ? 0 : m_rxFrames + 1);
    } else {
        m_slaveErrorCode = SlaveErrorUnsupportedCommand;
    }
    // A handler that closed the port leaves the closed port's result.
    if (!m_running)
        return;

    if (m_slaveErrorCode >= SlaveErrorFirst) {
        showResult(stSlaveError, m_slaveErrorCode);
    } else {
        m_rxFrames = clearCounter ? 0 : m_rxFrames + 1;
        emit countersChanged();
        ++m_speedCount;
        showResult(stOK);
    }

    // A broadcast is heard by every station; none of them answers.
    if ((address & AddressMask) == BroadcastAddress)
        return;
    setStatusNow(stnSending);
    if (m_slaveDelayTime == 0) {
        sendSlaveAnswer();
        return;
    }
    m_sendDelayTimer.setInterval(m_slaveDelayTime);
    m_sendDelayTimer.start();
}

void TMB::putIdentification()
{
    for (int copy = 0; copy < 2; ++copy) {
        MBPutWord(VersionYear);
        MBPutByte(VersionMonth);
        MBPutByte(VersionDay);
    }
    MBPutString(m_slaveName.toLatin1());
}

void TMB::sendSlaveAnswer()
{
    // An answer that falls due after the port was closed (a delayed one)
    // writes nothing, and the link must go on saying the port is closed.
    if (!m_running) {
        setStatusNow(stnPortError);
        return;
    }
    m_txFrame[0] = quint8(m_slaveOwnAddress | AnswerBit);
    m_txFrame[1] = m_slaveId;
    m_txFrame[2] = m_slaveErrorCode;
    if (!writeBytes(frame::nibbleEncode(sealTxFrame(mb::frameHeaderSize(modeSlave)))))
        portError();
    // After a failed write too: the port is still open and the next query
    // may get through.
    setStatusNow(stnReady);
    resetReceiver();
}

// --- Diagnostic --------------------------------------------------------------

void TMB::acceptDiagnosticFrame()
{
    emit rxActivity();
    copyFrame();
    ++m_rxFrames;
    // A monitor's counter is its whole point: show it as frames come.
    emit countersChanged();
    ++m_speedCount;
    showResult(stOK);
    setStatusNow(stnReady);
    emit OnMBDiagnosticReceivedAFrame(m_receivedDataNumber);
    resetReceiver();
}

// --- Sends of the modes that await no answer ----------------------------------

void TMB::sendWithoutAnswer()
{
    if (mb::isSlaveMode(m_mode))
        return;
    setBusy(true);
    bool written = false;
    quint32 sent = 1;
    if (m_mode == modeDiagnostic) {
        written = writeQuery();
    } else {
        if (m_mode == modeString) {
            m_rxRaw.clear();
            m_stringArmed = true;
        }
        written = writeDataBytes();
        if (m_mode == modeByte)
            sent = m_dataToSend;
    }
    if (!written) {
        endTransaction(stClosedPort);
        return;
    }
    setStatusNow(stnSending);
    m_txFrames += sent;
    emit countersChanged();
    m_tryNumber = 1;
    showTryNumber(1);
    setBusy(false);
    setStatusNow(stnReady);
    endTransaction(stOK);
}

bool TMB::writeDataBytes()
{
    if (!m_running) {
        setStatusNow(stnPortError);
        return false;
    }
    for (int k = 0; k < m_dataToSend; ++k) {
        if (!writeBytes(QByteArray(1, char(m_txFrame[size_t(m_frameHeaderSize + k)])))) {
            portError();
            return false;
        }
    }
    return true;
}

// --- Raw reception -------------------------------------------------------------

void TMB::copyRawData()
{
    const int count = m_rxRaw.count();
    std::memcpy(m_rxFrame.data() + m_frameHeaderSize, m_rxRaw.data(), size_t(count));
    m_rxFrameLength = m_frameHeaderSize + count;
    m_receivedDataNumber = quint16(count);
}

void TMB::receiveBytes(QByteArrayView bytes)
{
    // Bytes the full buffer drops are still counted: they did arrive.
    m_rxFrames += quint32(bytes.size());
    emit countersChanged();
    for (const char c : bytes)
        m_rxRaw.append(quint8(c));
    // The RX index stays: successive gets walk through everything so far.
    copyRawData();
    emit rxActivity();
    m_speedCount += quint32(bytes.size());
    showResult(stOK);
    setStatusNow(stnReady);
    emit OnMBReceivedAByte(m_receivedDataNumber);
}

void TMB::receiveStringByte(quint8 byte)
{
    if (!m_stringArmed)
        return;
    if (byte != m_stopByte) {
        m_rxRaw.append(byte);
        return;
    }
    // A string longer than the buffer still ends with its stop byte, in the
    // place of the last byte held; MBRxBufferFull tells the handler that
    // bytes before it were dropped.
    if (m_rxRaw.full())
        m_rxRaw.replaceLast(byte);
    else
        m_rxRaw.append(byte);
    m_stringArmed = false;
    copyRawData();
    // Every string starts at data position 1, so the gets must start there.
    m_rxIndex = 1;
    emit rxActivity();
    // One string is one unit of the "strings" counter.
    ++m_rxFrames;
    emit countersChanged();
    ++m_speedCount;
    showResult(stOK);
    setStatusNow(stnReady);
    emit OnMBReceivedAString(QString::fromLatin1(
        reinterpret_cast<const char*>(m_rxFrame.data()) + m_frameHeaderSize, m_receivedDataNumber));
}
