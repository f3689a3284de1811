#pragma once

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
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
// It is no part of the main window's layout. It shows itself the first time
// its anchor window is shown, and whenever it is shown it is placed beside
// the anchor, covering none of it, on the anchor's screen. Otherwise show()
// and hide() are all there is to it. Focus moving to it counts as leaving
// the program for the anchor's activation steps, like another application.
class BenchWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MeterIntervalMs = 250;
    static constexpr int Gap = 10;
    static constexpr int PotentiometerStart = 50;

    // The transmitter must outlive the window.
    explicit BenchWindow(SimulatedTransmitter& transmitter, QWidget* anchor = nullptr,
                         QWidget* parent = nullptr);

    // Where a window of `size` goes beside the `anchor` frame within the
    // screen's `available` area: to the right, else to the left, else below,
    // else above; when none fits, into the screen's corner farthest from the
    // anchor's centre.
    static QPoint placeBeside(const QRect& anchor, const QSize& size, const QRect& available);

    // Sends one bench command and shows its answer; the answer.
    QString command(const QString& line);

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
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refreshMeter();

    SimulatedTransmitter& m_transmitter;
    QPointer<QWidget> m_anchor;
    QTimer* m_meterTimer = nullptr;
    bool m_anchorShownBefore = false;
};
