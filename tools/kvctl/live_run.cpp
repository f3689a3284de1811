#include "tools/kvctl/live_run.h"

#include "tools/kvctl/command_line.h"
#include "tools/kvctl/console.h"

#include <QDateTime>
#include <QEventLoop>

namespace {

LiveLog::Format formatOf(const Invocation& invocation)
{
    if (!invocation.csvFile.isEmpty())
        return LiveLog::Format::Csv;
    return invocation.json ? LiveLog::Format::Json : LiveLog::Format::Text;
}

} // namespace

LiveRun::LiveRun(Console& console, const Invocation& invocation, const TransmitterSession::Timing& timing,
                 QObject* parent)
    : QObject(parent), m_console(console), m_invocation(invocation), m_log(formatOf(invocation)),
      m_session(invocation.ports.constFirst(), TransmitterSession::Job::Live, timing)
{}

ExitCode LiveRun::run()
{
    QString error;
    if (!m_log.open(m_invocation.csvFile, &error)) {
        m_console.error(QStringLiteral("cannot write %1: %2").arg(m_invocation.csvFile, error));
        return ExitCode::BadUsage;
    }
    QEventLoop loop;
    connect(&m_session, &TransmitterSession::progress, this, [this](const QString& step) {
        m_console.progress(m_session.port() + QStringLiteral(": ") + step);
    });
    connect(&m_session, &TransmitterSession::liveBlock, this, &LiveRun::onBlock);
    connect(&m_session, &TransmitterSession::finished, &loop, &QEventLoop::quit);
    m_clock.start();
    m_session.start();
    loop.exec();
    m_console.clearProgress();

    if (!m_writeError.isEmpty()) {
        m_console.error(QStringLiteral("cannot write %1: %2").arg(m_invocation.csvFile, m_writeError));
        return ExitCode::BadUsage;
    }
    using Outcome = TransmitterSession::Outcome;
    switch (m_session.outcome()) {
    case Outcome::Done:
        if (m_interrupted)
            m_console.error(
                QStringLiteral("%1: stopped after %2 rows").arg(m_session.port()).arg(m_log.rows()));
        return ExitCode::Done;
    case Outcome::PortError:
        m_console.error(m_session.port() + QStringLiteral(": port error: ") + m_session.reason());
        return ExitCode::PortError;
    default:
        m_console.error(m_session.port() + QStringLiteral(": failed: ") + m_session.reason());
        return ExitCode::DeviceFailed;
    }
}

void LiveRun::interrupt()
{
    m_interrupted = true;
    // Rows are written whole: stopping between two blocks loses none.
    m_session.stop();
}

void LiveRun::onBlock(const LiveValues& values)
{
    const qint64 now = m_clock.elapsed();
    notePace(now);
    if (now < m_nextRowMs)
        return;
    const int interval = m_invocation.intervalMs;
    if (interval > 0) {
        while (m_nextRowMs <= now)
            m_nextRowMs += interval;
    }
    if (!m_log.write(QDateTime::currentDateTime(), values, &m_writeError)) {
        m_session.stop();
        return;
    }
    if (m_invocation.count > 0 && m_log.rows() >= m_invocation.count)
        m_session.stop();
}

void LiveRun::notePace(qint64 nowMs)
{
    const int interval = m_invocation.intervalMs;
    const qint64 gap = m_lastBlockMs < 0 ? -1 : nowMs - m_lastBlockMs;
    m_lastBlockMs = nowMs;
    if (interval <= 0 || gap < 0 || m_paceNoted)
        return;
    m_slowGaps = gap > interval ? m_slowGaps + 1 : 0;
    if (m_slowGaps < SlowGapsToNote)
        return;
    m_paceNoted = true;
    m_console.error(QStringLiteral("%1: the link delivers a live block about every %2 ms: rows come that "
                                   "often, not every %3 ms")
                        .arg(m_session.port())
                        .arg(gap)
                        .arg(interval));
}
