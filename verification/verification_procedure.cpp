#include "verification/verification_procedure.h"

VerificationProcedure::VerificationProcedure(const VerificationSetup& setup, const QList<double>& percents,
                                             const QString& kind, OutputSource outputs,
                                             VerificationBench* bench, QObject* parent)
    : QObject(parent), m_percents(percents), m_outputs(outputs), m_bench(bench),
      m_window(verification::settleSpan(setup))
{
    m_run.kind = kind;
    m_run.setup = setup;
    m_settleTimer.setSingleShot(true);
    connect(&m_settleTimer, &QTimer::timeout, this, [this] {
        fail(QStringLiteral(
                 "the measured value did not settle at %1 % within %2 s (the last values spread %3 %4, "
                 "at most %5 allowed)")
                 .arg(currentPercent())
                 .arg(m_settleTimeoutMs / 1000.0)
                 .arg(m_window.span(), 0, 'g', 3)
                 .arg(verification::valueUnit(m_run.setup))
                 .arg(m_window.maxSpan(), 0, 'g', 3));
    });
}

double VerificationProcedure::currentPercent() const
{
    return pointIndex() < pointCount() ? m_percents.at(pointIndex()) : 0.0;
}

double VerificationProcedure::currentValue() const
{
    return verification::valueAt(m_run.setup, currentPercent());
}

std::optional<double> VerificationProcedure::currentAppliedOhm() const
{
    return verification::appliedOhm(m_run.setup, currentValue());
}

void VerificationProcedure::start()
{
    m_run.points.clear();
    m_failure.clear();
    if (!m_run.setup.canVerify()) {
        fail(QStringLiteral("a potentiometer input cannot be verified at test points"));
        return;
    }
    if (m_percents.isEmpty() || m_percents.size() > verification::MaxPoints) {
        fail(QStringLiteral("a run needs 1 to %1 test points").arg(verification::MaxPoints));
        return;
    }
    if (m_outputs == OutputSource::Meter && !m_bench) {
        fail(QStringLiteral("no meter to read the output with"));
        return;
    }
    beginPoint();
}

void VerificationProcedure::cancel()
{
    if (m_step != Step::Done && m_step != Step::Failed && m_step != Step::Idle)
        fail(QStringLiteral("cancelled"));
}

void VerificationProcedure::beginPoint()
{
    m_window.clear();
    if (!m_bench) {
        m_step = Step::Apply;
        emit changed();
        return;
    }
    QString error;
    if (!m_bench->apply(*currentAppliedOhm(), &error)) {
        fail(error);
        return;
    }
    confirmApplied();
}

void VerificationProcedure::confirmApplied()
{
    if (m_step == Step::Settle || pointIndex() >= pointCount())
        return;
    m_window.clear();
    m_step = Step::Settle;
    m_settleTimer.start(m_settleTimeoutMs);
    emit changed();
}

void VerificationProcedure::takeLiveValues(const LiveValues& values)
{
    m_latest = values;
    if (m_step != Step::Settle)
        return;
    m_window.add(values.fInput);
    if (!m_window.settled()) {
        emit changed();
        return;
    }
    m_settleTimer.stop();
    switch (m_outputs) {
    case OutputSource::Meter: {
        QString error;
        const std::optional<double> reading = m_bench->meterReading(&error);
        if (!reading) {
            fail(error);
            return;
        }
        capture(*reading);
        return;
    }
    case OutputSource::Typed:
        m_step = Step::ReadMeter;
        emit changed();
        return;
    case OutputSource::Reported:
        capture(values.fOutput);
        return;
    }
}

void VerificationProcedure::enterMeterReading(double output)
{
    if (m_step == Step::ReadMeter)
        capture(output);
}

void VerificationProcedure::capture(double output)
{
    m_run.points.append(
        verification::evaluate(m_run.setup, currentPercent(), m_latest.fInput, output, m_outputs));
    if (pointIndex() < pointCount()) {
        beginPoint();
        return;
    }
    m_step = Step::Done;
    emit changed();
    emit finished(true);
}

void VerificationProcedure::fail(const QString& reason)
{
    m_settleTimer.stop();
    m_failure = reason;
    m_step = Step::Failed;
    emit changed();
    emit finished(false);
}
