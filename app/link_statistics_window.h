#pragma once

#include "app/language_table.h"
#include "device/link_statistics.h"

#include <QWidget>

class QFormLayout;
class QLabel;
class QPushButton;
class QTimer;
class TMB;

// The "Link statistics" tool window: LinkStatistics' figures, refreshed
// while it is shown, and a button that resets them. Counting goes on while
// it is hidden.
class LinkStatisticsWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int RefreshIntervalMs = 500;

    explicit LinkStatisticsWindow(TMB& mb, QWidget* parent = nullptr);

    void applyLanguage(Language language);
    LinkStatistics& statistics() { return *m_statistics; }
    // Shows the figures as of now.
    void refresh();

    enum Figure
    {
        FigureResponses,
        FigureMin,
        FigureMean,
        FigureP95,
        FigureMax,
        FigureTimeOuts,
        FigureResends,
        FigureRefused,
        FigureBadFrames,
        FigureLate,
        FigureBytesSent,
        FigureBytesReceived,
        FigureUtilisation,
        FigureCounted,
        FigureCount
    };
    // The value label of each figure, by Figure.
    QList<QLabel*> values;
    QPushButton* reset = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TMB& m_mb;
    LinkStatistics* m_statistics = nullptr;
    QList<QLabel*> m_captions;
    QTimer* m_refreshTimer = nullptr;
    Language m_language = Language::English;
};
