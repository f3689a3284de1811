#include "app/form_main.h"

#include "app/link_statistics_window.h"
#include "app/traffic_log_window.h"

// The traffic log and the link statistics: tool windows over the link that
// record from the start, whether or not they are open.

void TForm_Main::createTrafficWindows()
{
    m_trafficLog = new TrafficLogWindow(*MB1, this);
    m_linkStatistics = new LinkStatisticsWindow(*MB1, this);
    m_trafficLog->applyLanguage(toolLanguage());
    m_linkStatistics->applyLanguage(toolLanguage());
    connect(this, &TForm_Main::toolLanguageChanged, m_trafficLog, &TrafficLogWindow::applyLanguage);
    connect(this, &TForm_Main::toolLanguageChanged, m_linkStatistics, &LinkStatisticsWindow::applyLanguage);
    attachToolWindow(viewTrafficLog, m_trafficLog, QStringLiteral("TrafficLog"));
    attachToolWindow(viewLinkStatistics, m_linkStatistics, QStringLiteral("LinkStatistics"));
}
