#pragma once

#include "app/language_table.h"
#include "device/live_values.h"
#include "records/settings_record.h"
#include "verification/verification_procedure.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class SessionRecorder;

// View > Verification: the transmitter checked at test points, "as found"
// before adjustment and "as left" after, each run recorded as one event of
// the current tag. The test points are shares of the scaling range (0, 25,
// 50, 75, 100 % unless edited, at most 11); for each the window says what to
// apply at the input, waits until the value has settled, and takes the
// output from the transmitter's report, a typed meter reading or, with the
// virtual transmitter, the bench's meter ("Run on the virtual bench" then
// also applies each point's resistor itself).
//
// It works on the settings the transmitter last gave (a settings read) and
// on the live blocks the main window shows; it sends nothing itself.
class VerificationWindow : public QWidget
{
    Q_OBJECT

public:
    // What the window works with, from the main window.
    struct Sources
    {
        // The transmitter's settings as last read; none before a read.
        std::function<std::optional<RecordedSettings>()> settings;
        SessionRecorder* recorder = nullptr;
        // The virtual bench; null without one.
        VerificationBench* bench = nullptr;
    };

    explicit VerificationWindow(const Sources& sources, QWidget* parent = nullptr);
    ~VerificationWindow() override;
    // Wide enough for every column of the points at their contents.
    QSize sizeHint() const override;

    void applyLanguage(Language language);
    // The virtual bench, once the program has one; null: none.
    void setBench(VerificationBench* bench);
    void setSettleTimeoutMs(int ms) { m_settleTimeoutMs = ms; }
    // Remembered in the configuration.
    double tolerancePercent() const;
    void setTolerancePercent(double percent);
    QString reference() const;
    void setReference(const QString& reference);

    // The controls, named as their objects.
    QTableWidget* TablePoints = nullptr;
    QDoubleSpinBox* SpinTolerance = nullptr;
    QLineEdit* EditReference = nullptr;
    QComboBox* ComboOutputSource = nullptr;
    QCheckBox* CheckRunOnBench = nullptr;
    QPushButton* ButtonAddPoint = nullptr;
    QPushButton* ButtonRemovePoint = nullptr;
    QPushButton* ButtonAsFound = nullptr;
    QPushButton* ButtonAsLeft = nullptr;
    QPushButton* ButtonApplied = nullptr;
    QLineEdit* EditMeterReading = nullptr;
    QPushButton* ButtonEnterReading = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QLabel* LabelSetup = nullptr;
    QLabel* LabelStatus = nullptr;

    // The run under way or last finished; null before the first.
    const VerificationProcedure* procedure() const { return m_procedure.get(); }

public slots:
    void addLiveBlock(const LiveValues& values);

signals:
    // A run ended: recorded (or why not), or given up.
    void runEnded(bool completed, bool recorded);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString t(int text) const;
    void build();
    // The setup the transmitter's last read gives; none with the reason.
    std::optional<VerificationSetup> currentSetup(QString* why) const;
    QList<double> percents() const;
    void fillPoints();
    void start(const char* kind);
    void enterReading();
    void procedureChanged();
    void procedureFinished(bool completed);
    void updateControls();

    Sources m_sources;
    Language m_language = Language::English;
    int m_settleTimeoutMs = VerificationProcedure::DefaultSettleTimeoutMs;
    std::unique_ptr<VerificationProcedure> m_procedure;
    // The last run's outcome in the current language.
    std::function<QString()> m_result;
};
