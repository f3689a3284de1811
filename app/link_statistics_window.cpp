#include "app/link_statistics_window.h"

#include "link/tmb.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

struct Words
{
    QString title;
    QStringList captions; // by LinkStatisticsWindow::Figure
    QString reset;
    QString seconds;
};

Words english()
{
    return {QStringLiteral("Link statistics"),
            {QStringLiteral("Answers timed"), QStringLiteral("Response time, minimum"),
             QStringLiteral("Response time, mean"), QStringLiteral("Response time, 95th percentile"),
             QStringLiteral("Response time, maximum"), QStringLiteral("Time-outs"), QStringLiteral("Resends"),
             QStringLiteral("Answers refused"), QStringLiteral("Frames with a CRC or format error"),
             QStringLiteral("Late answers ignored"), QStringLiteral("Bytes sent"),
             QStringLiteral("Bytes received"), QStringLiteral("Line utilisation at %1 baud"),
             QStringLiteral("Counted for")},
            QStringLiteral("Reset"),
            QStringLiteral("%1 s")};
}

Words hungarian()
{
    return {QStringLiteral("Kapcsolati statisztika"),
            {QStringLiteral("Mért válaszok"), QStringLiteral("Válaszidő, legkisebb"),
             QStringLiteral("Válaszidő, átlag"), QStringLiteral("Válaszidő, 95. percentilis"),
             QStringLiteral("Válaszidő, legnagyobb"), QStringLiteral("Időtúllépések"),
             QStringLiteral("Újraküldések"), QStringLiteral("Elutasított válaszok"),
             QStringLiteral("CRC- vagy formátumhibás keretek"),
             QStringLiteral("Figyelmen kívül hagyott késői válaszok"), QStringLiteral("Küldött bájtok"),
             QStringLiteral("Fogadott bájtok"), QStringLiteral("Vonalkihasználtság %1 baudon"),
             QStringLiteral("Számlálás ideje")},
            QStringLiteral("Nullázás"),
            QStringLiteral("%1 mp")};
}

const Words& words(Language language)
{
    static const Words en = english();
    static const Words hu = hungarian();
    return language == Language::Hungarian ? hu : en;
}

QString milliseconds(double ms, quint64 count)
{
    return count == 0 ? QStringLiteral("–") : QString::number(ms, 'f', 1) + QStringLiteral(" ms");
}

} // namespace

LinkStatisticsWindow::LinkStatisticsWindow(TMB& mb, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_mb(mb), m_statistics(new LinkStatistics(mb, this)),
      m_refreshTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("LinkStatisticsWindow"));
    auto* form = new QFormLayout;
    for (int k = 0; k < FigureCount; ++k) {
        auto* caption = new QLabel(this);
        auto* value = new QLabel(this);
        value->setObjectName(QStringLiteral("figure%1").arg(k));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // As wide as the widest figure from the start: a window that grew
        // with its figures would leave the place it was given.
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("0000000000 ms")));
        form->addRow(caption, value);
        m_captions.append(caption);
        values.append(value);
    }
    reset = new QPushButton(this);
    reset->setObjectName(QStringLiteral("reset"));
    auto* layout = new QVBoxLayout(this);
    // Room for the longer language's captions whichever comes first.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    layout->addLayout(form);
    layout->addWidget(reset, 0, Qt::AlignRight);

    connect(reset, &QPushButton::clicked, m_statistics, &LinkStatistics::reset);
    connect(m_statistics, &LinkStatistics::wasReset, this, &LinkStatisticsWindow::refresh);
    m_refreshTimer->setInterval(RefreshIntervalMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &LinkStatisticsWindow::refresh);
    applyLanguage(Language::English);
}

void LinkStatisticsWindow::applyLanguage(Language language)
{
    m_language = language;
    const Words& w = words(language);
    setWindowTitle(w.title);
    for (int k = 0; k < FigureCount; ++k)
        m_captions[k]->setText(w.captions[k] + QLatin1Char(':'));
    reset->setText(w.reset);
    refresh();
    // Sized for the new texts now, not at the next turn of the event loop.
    layout()->activate();
}

void LinkStatisticsWindow::refresh()
{
    const Words& w = words(m_language);
    const quint32 baud = m_mb.baudRate();
    const LinkStatistics::Figures f = m_statistics->figures(baud);
    m_captions[FigureUtilisation]->setText(w.captions[FigureUtilisation].arg(baud) + QLatin1Char(':'));
    static constexpr double Percent = 100.0;
    const QStringList texts = {
        QString::number(f.responses),
        milliseconds(f.responseMinMs, f.responses),
        milliseconds(f.responseMeanMs, f.responses),
        milliseconds(f.responseP95Ms, f.responses),
        milliseconds(f.responseMaxMs, f.responses),
        QString::number(f.timeOuts),
        QString::number(f.resends),
        QString::number(f.refused),
        QString::number(f.crcOrFormatErrors),
        QString::number(f.lateAnswers),
        QString::number(f.bytesSent),
        QString::number(f.bytesReceived),
        QString::number(f.utilisation * Percent, 'f', 1) + QStringLiteral(" %"),
        w.seconds.arg(QString::number(f.seconds, 'f', 1)),
    };
    for (int k = 0; k < FigureCount; ++k)
        values[k]->setText(texts[k]);
}

void LinkStatisticsWindow::showEvent(QShowEvent* event)
{
    refresh();
    m_refreshTimer->start();
    QWidget::showEvent(event);
}

void LinkStatisticsWindow::hideEvent(QHideEvent* event)
{
    m_refreshTimer->stop();
    QWidget::hideEvent(event);
}
