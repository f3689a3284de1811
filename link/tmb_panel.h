#pragma once

#include "link/mb_types.h"
#include "link/tmb.h"

#include <QColor>
#include <QGroupBox>
#include <QPointer>
#include <QTimer>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

// The link's own status panel: port list with Refresh, the Open/Close
// button, the baud list (or rate label), Tx/Rx counters with their lamps,
// the frames-per-second line, the try-number mark, the status lamp and the
// last result. It observes a TMB it does not own and reaches it only through
// its public operations; the port is opened nowhere else.
class TMBPanel : public QGroupBox
{
    Q_OBJECT

public:
    static constexpr int PanelWidth = 153;
    static constexpr int PanelHeight = 145;
    static constexpr int LampFlashMs = 100;
    static constexpr int TryMarkBaseLeft = 138;
    static constexpr int CaptionLeft = 8;

    explicit TMBPanel(TMB* engine, QWidget* parent = nullptr);
    ~TMBPanel() override;

    TMB* engine() const { return m_engine; }

    // Texts of the panel, shared with the tests.
    static QString captionPrefix(TMBMode mode);
    static QString unitWord(TMBMode mode);
    static QString counterText(quint32 count, const QString& unit);
    static QString speedLineText(quint32 speed, quint32 speedMin, quint32 speedMax);
    static QString rateText(quint32 bitsPerSecond);
    static QString baudItemText(TMBBaud baud);
    static QString versionDate();

    static QColor green() { return QColor(0, 255, 0); }
    static QColor orange() { return QColor(249, 124, 0); }
    static QColor red() { return QColor(255, 0, 0); }
    // The system's button face.
    static QColor normal();
    // The fill of a lamp, shape or indicator label.
    static QColor fillOf(const QWidget* widget);

    QFrame* statusIndicator() const { return m_statusIndicator; }
    QLabel* txIndicator() const { return m_txIndicator; }
    QLabel* rxIndicator() const { return m_rxIndicator; }
    QLabel* speedLine() const { return m_speedLine; }
    QListWidget* portList() const { return m_portList; }
    QFrame* portIndicator() const { return m_portIndicator; }
    QPushButton* refreshButton() const { return m_refreshButton; }
    QPushButton* openButton() const { return m_openButton; }
    QComboBox* baudList() const { return m_baudList; }
    QLabel* rateLabel() const { return m_rateLabel; }
    QLabel* tryNumberMark() const { return m_tryNumberMark; }
    QLabel* txCounter() const { return m_txCounter; }
    QLabel* rxCounter() const { return m_rxCounter; }
    QLabel* lastStatus() const { return m_lastStatus; }
    const QTimer& txLampTimer() const { return m_txLampTimer; }
    const QTimer& rxLampTimer() const { return m_rxLampTimer; }

    bool deferredSetUpDone() const { return !m_deferredSetUpPending; }

    // The Refresh button's action.
    void refreshPortList();

    // The context menu's switch for reopening a device that went away.
    QAction* reconnectAction() const { return m_reconnectAction; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The caption sits on the frame line, clear of the controls at top 13.
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();
    void connectEngine();

    void deferredSetUp();
    void onOpenButtonClicked(bool down);
    void openPort();
    void closePort();
    void onPortActionFinished(bool open);
    void onPortListRowChanged(int row);
    void onBaudListActivated(int index);

    void flashTx();
    void flashRx();
    void showTryNumber(int tryNumber);
    void showResult(TMBStatus status, const QString& text);
    void refreshCounters();
    void resetIndicators();
    void updateSpeedLine();
    void applyMode(TMBMode mode);
    void applyBaud(TMBBaud baud);
    void applyBaudEditVisible(bool visible);
    void updateTryMarkVisibility(TMBMode mode);
    void setRefreshBold(bool bold);
    // A reason in the last-status line (elided to the panel, whole in its
    // tool tip) and the port lamp's tool tip; empty texts clear both.
    void showPortProblem(const QString& statusLine, const QString& lampTip);
    void onPortWentAway(const QString& port);
    void onReconnectWaitingChanged(bool waiting);

    static void setFill(QWidget* widget, const QColor& colour);

    QPointer<TMB> m_engine;
    QString m_unitWord = QStringLiteral("frames");
    bool m_deferredSetUpPending = true;
    bool m_refreshing = false;
    // The port whose device went away, while it is not open again.
    QString m_wentAwayPort;
    // Why the port is closed, while the last-status line shows it.
    QString m_portProblem;

    QFrame* m_statusIndicator = nullptr;
    QLabel* m_txIndicator = nullptr;
    QLabel* m_rxIndicator = nullptr;
    QLabel* m_speedLine = nullptr;
    QListWidget* m_portList = nullptr;
    QFrame* m_portIndicator = nullptr;
    QPushButton* m_refreshButton = nullptr;
    QPushButton* m_openButton = nullptr;
    QComboBox* m_baudList = nullptr;
    QLabel* m_rateLabel = nullptr;
    QLabel* m_tryNumberMark = nullptr;
    QLabel* m_txCounter = nullptr;
    QLabel* m_rxCounter = nullptr;
    QLabel* m_lastStatus = nullptr;
    QAction* m_reconnectAction = nullptr;

    // Children, so findChild sees them; members leave the child list first.
    QTimer m_txLampTimer{this};
    QTimer m_rxLampTimer{this};
};
