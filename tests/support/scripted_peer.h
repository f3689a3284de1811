#pragma once

#include "platform/pseudo_terminal.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

// The far end of a pseudo-terminal, driven by a test: it records every byte
// the link writes and answers on request, or automatically through a
// responder. Runs on the test's thread through a socket notifier, so the
// link's receive thread is the only other thread involved.
class ScriptedPeer : public QObject
{
    Q_OBJECT

public:
    // Gets a complete query (up to and including its terminator) and returns
    // the bytes to answer with; an empty answer stays silent.
    using Responder = std::function<QByteArray(const QByteArray& query)>;

    explicit ScriptedPeer(QObject* parent = nullptr);
    ~ScriptedPeer() override;

    bool isValid() const { return m_pty != nullptr; }
    QString devicePath() const;

    // Everything received so far, and how much of it.
    const QByteArray& received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

    // Waits (serving the event loop) until `count` ASCII queries (";"
    // terminated) or nibble frames (end marker) have arrived in total.
    bool waitForQueries(int count, int timeoutMs = 5000);
    int asciiQueryCount() const { return int(m_received.count(';')); }
    // ASCII queries plus nibble frames received so far.
    int queryCount() const;

    // True for the byte that ends a query: ";" in ASCII framing, the
    // high-nibble byte with the last-byte marker in nibble framing.
    static bool isQueryEnd(quint8 byte) { return byte == ';' || (byte & 0x60) == 0x60; }

    void send(const QByteArray& bytes);
    void setResponder(Responder responder) { m_responder = std::move(responder); }

    // Closes the far end: the link's port hangs up.
    void hangUp();

signals:
    void bytesReceived();

private:
    void onReadable();

    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_received;
    QByteArray m_pending;
    Responder m_responder;
};
