#pragma once

#include "app/language_table.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class SimulatedTransmitter;

// The "Virtual bench" tool window of --simulate: a reference resistor or
// the simulated sensor at the transmitter's input, the sensor's temperature,
// a potentiometer, an open sensor circuit, and the reading of a meter on the
// analog output. Every control sends one bench command through
// SimulatedTransmitter::benchCommand, so it is safe although the
// transmitter runs on a thread of its own.
//
// It is no part of the main window's layout: TForm_Main::attachVirtualBench
// makes it one of the main window's tool windows, open by default, placed,
// remembered and in the main window's language like the others. The
// transmitter's own answers are its console's, in English; the window says
// in its language what each did.
class BenchWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MeterIntervalMs = 250;
    static constexpr int PotentiometerStart = 50;

    // The transmitter must outlive the window.
    explicit BenchWindow(SimulatedTransmitter& transmitter, QWidget* parent = nullptr);

    // Sends one bench command and says what it did; the transmitter's answer.
    QString command(const QString& line);
    void applyLanguage(Language language);
    // All of its controls, without scrolling down to its narrowest.
    QSize sizeHint() const override;

    QComboBox* resistorChoice = nullptr;
    QPushButton* connectResistor = nullptr;
    QPushButton* connectSensor = nullptr;
    QDoubleSpinBox* temperature = nullptr;
    QSlider* potentiometer = nullptr;
    QLabel* potentiometerText = nullptr;
    QCheckBox* openCircuit = nullptr;
    QLabel* meter = nullptr;
    QLabel* lastAnswer = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refreshMeter();
    void connectTypedResistor();
    void showLastAnswer();

    SimulatedTransmitter& m_transmitter;
    QTimer* m_meterTimer = nullptr;
    Language m_language = Language::English;
    QWidget* m_controls = nullptr;
    QGroupBox* m_input = nullptr;
    QGroupBox* m_output = nullptr;
    QLabel* m_resistorCaption = nullptr;
    QLabel* m_temperatureCaption = nullptr;
    QLabel* m_potentiometerCaption = nullptr;
    // The last command and the transmitter's answer (empty when the window
    // refused the command), told again in another language.
    QString m_lastLine;
    QString m_lastAnswer;
};
