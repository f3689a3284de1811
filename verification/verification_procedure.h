#pragma once

#include "device/live_values.h"
#include "verification/verification.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// The reference at the input and a meter on the output, where a program can
// work them (the virtual bench). Without one a person applies the reference
// and, with an external meter, types its reading.
class VerificationBench
{
public:
    virtual ~VerificationBench() = default;
    // Puts a resistance of `ohm` at the input; false, with the reason, when
    // it cannot.
    virtual bool apply(double ohm, QString* error) = 0;
    // The meter's reading of the output now, in mA or V.
    virtual std::optional<double> meterReading(QString* error) = 0;
};

// One verification run, point by point: apply the point's reference (by the
// bench, or by the technician who confirms it), wait until the measured value
// has settled (SettleWindow: the last values within a quarter of the
// tolerance), take the measured value and the output, go on; given up when a
// point does not settle in time. Headless: the window or a test feeds it
// the transmitter's live blocks and the technician's answers.
//
// Threading: everything on the thread it lives on; the bench is called from
// there too.
class VerificationProcedure : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultSettleTimeoutMs = 30000;

    enum class Step
    {
        Idle,
        Apply,     // waiting for the technician to apply the reference
        Settle,    // waiting for the measured value to settle
        ReadMeter, // waiting for the technician to type the meter's reading
        Done,
        Failed,
    };

    // Where the outputs come from; Meter needs a bench.
    VerificationProcedure(const VerificationSetup& setup, const QList<double>& percents, const QString& kind,
                          OutputSource outputs, VerificationBench* bench = nullptr,
                          QObject* parent = nullptr);

    void setSettleTimeoutMs(int ms) { m_settleTimeoutMs = ms; }
    void setReference(const QString& reference) { m_run.reference = reference; }

    void start();
    void cancel();
    void takeLiveValues(const LiveValues& values);
    // The technician has applied the current point's reference.
    void confirmApplied();
    // The technician's reading of an external meter, in mA or V.
    void enterMeterReading(double output);

    Step step() const { return m_step; }
    // The point under way (0-based); the number of points when done.
    int pointIndex() const { return int(m_run.points.size()); }
    int pointCount() const { return int(m_percents.size()); }
    double currentPercent() const;
    // The current point's test value and the reference to apply for it.
    double currentValue() const;
    std::optional<double> currentAppliedOhm() const;
    const SettleWindow& settleWindow() const { return m_window; }
    const VerificationRun& run() const { return m_run; }
    // Why it failed or was cancelled.
    const QString& failure() const { return m_failure; }

signals:
    // The step, the point or the settling spread changed.
    void changed();
    // Done (every point taken) or failed; once per start.
    void finished(bool completed);

private:
    void beginPoint();
    void capture(double output);
    void fail(const QString& reason);

    QList<double> m_percents;
    OutputSource m_outputs = OutputSource::Reported;
    VerificationBench* m_bench = nullptr;
    int m_settleTimeoutMs = DefaultSettleTimeoutMs;
    VerificationRun m_run;
    Step m_step = Step::Idle;
    SettleWindow m_window;
    LiveValues m_latest;
    QString m_failure;
    QTimer m_settleTimer;
};
