#include "tools/kvctl/batch_run.h"

#include "tools/kvctl/console.h"

#include <QEventLoop>

#include <algorithm>

namespace {

ExitCode exitCodeOf(TransmitterSession::Outcome outcome)
{
    using Outcome = TransmitterSession::Outcome;
    switch (outcome) {
    case Outcome::Done:
        return ExitCode::Done;
    case Outcome::PortError:
        return ExitCode::PortError;
    case Outcome::Running:
    case Outcome::NotVerified:
    case Outcome::Failed:
    case Outcome::Interrupted:
        break;
    }
    return ExitCode::DeviceFailed;
}

// How bad an exit code is when ports end differently.
int rank(ExitCode code)
{
    switch (code) {
    case ExitCode::Done:
        return 0;
    case ExitCode::DeviceFailed:
        return 1;
    case ExitCode::PortError:
        return 2;
    case ExitCode::BadUsage:
        break;
    }
    return 3;
}

} // namespace

BatchRun::BatchRun(Console& console, TransmitterSession::Job job, const QStringList& ports,
                   const TransmitterSession::Timing& timing,
                   const QList<TransmitterSession::Records>& records, QObject* parent)
    : QObject(parent), m_console(console)
{
    for (qsizetype i = 0; i < ports.size(); ++i)
        m_sessions.push_back(std::make_unique<TransmitterSession>(
            ports.at(i), job, timing, i < records.size() ? records.at(i) : TransmitterSession::Records()));
}

void BatchRun::setFileValues(const SettingsFileValues& values, const QString& path, const QByteArray& bytes)
{
    for (const auto& session : m_sessions)
        session->setFileValues(values, path, bytes);
}

void BatchRun::run(const DoneText& doneText)
{
    QEventLoop loop;
    m_running = int(m_sessions.size());
    const int total = m_running;
    for (const auto& owned : m_sessions) {
        TransmitterSession* session = owned.get();
        connect(session, &TransmitterSession::progress, this, [this, session, total](const QString& step) {
            m_console.progress(QStringLiteral("[%1/%2 done] %3: %4")
                                   .arg(total - m_running)
                                   .arg(total)
                                   .arg(session->port(), step));
        });
        connect(session, &TransmitterSession::finished, this, [this, session, doneText, &loop] {
            ended(*session, doneText);
            if (--m_running == 0)
                loop.quit();
        });
    }
    for (const auto& session : m_sessions)
        session->start();
    if (m_running > 0)
        loop.exec();
    m_console.clearProgress();
}

void BatchRun::interrupt()
{
    for (const auto& session : m_sessions)
        session->interrupt();
}

void BatchRun::ended(TransmitterSession& session, const DoneText& doneText)
{
    for (const QString& note : session.notes())
        m_console.error(QStringLiteral("%1: normalised as the window does: %2").arg(session.port(), note));
    using Outcome = TransmitterSession::Outcome;
    QString result;
    switch (session.outcome()) {
    case Outcome::Done:
        result = doneText(session);
        break;
    case Outcome::NotVerified:
        result = QStringLiteral("not verified: ") + session.reason();
        break;
    case Outcome::Failed:
        result = QStringLiteral("failed: ") + session.reason();
        break;
    case Outcome::PortError:
        result = QStringLiteral("port error: ") + session.reason();
        break;
    case Outcome::Interrupted:
    case Outcome::Running:
        result = QStringLiteral("interrupted");
        break;
    }
    // The result stands; that it is not in the records is said with it.
    if (!session.notRecorded().isEmpty())
        result += QStringLiteral(" (not recorded: %1)").arg(session.notRecorded().join(QStringLiteral("; ")));
    m_console.out(session.port() + QStringLiteral(": ") + result);
}

QString BatchRun::summary(const QString& doneWord) const
{
    using Outcome = TransmitterSession::Outcome;
    const std::pair<Outcome, QString> kinds[] = {
        {Outcome::Done, doneWord},
        {Outcome::NotVerified, QStringLiteral("not verified")},
        {Outcome::Failed, QStringLiteral("failed")},
        {Outcome::PortError, QStringLiteral("port error")},
        {Outcome::Interrupted, QStringLiteral("interrupted")},
    };
    QStringList parts;
    for (const auto& [outcome, word] : kinds) {
        const auto n = std::count_if(m_sessions.begin(), m_sessions.end(),
                                     [outcome](const auto& s) { return s->outcome() == outcome; });
        if (n > 0 || outcome == Outcome::Done)
            parts << QStringLiteral("%1 %2").arg(n).arg(word);
    }
    return parts.join(QStringLiteral(", "));
}

ExitCode BatchRun::exitCode() const
{
    ExitCode worst = ExitCode::Done;
    for (const auto& session : m_sessions) {
        const ExitCode code = exitCodeOf(session->outcome());
        if (rank(code) > rank(worst))
            worst = code;
    }
    return worst;
}
