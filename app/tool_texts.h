#pragma once

#include "app/language_table.h"

#include <QString>

// The texts of what the program adds around the main window: the menu bar
// and the tool windows. They follow the language the main window shows, as
// the language table's texts do, but are kept apart from that table, which
// holds the main window's own texts only.
class ToolTexts
{
public:
    enum class Text
    {
        ViewMenu,
        ViewTrend,
        ViewTrafficLog,
        ViewLinkStatistics,
        ViewVirtualBench,
        HelpMenu,
        HelpShortcuts,
        HelpAbout,
        ShortcutsText,
        AboutText,

        TrendTitle,
        TrendMeasuredAxis,
        TrendOutputAxis,
        TrendTimeAxis,
        TrendPause,
        TrendResume,
        TrendAutoscale,
        TrendSpan,
        TrendRecord,
        TrendStopRecording,
        TrendNotRecording,
        TrendRecordingStatus, // %1 file, %2 rows
        TrendRecordingFailed, // %1 file, %2 reason
        TrendRecordingDone,   // %1 file, %2 rows
        TrendRecordDialogTitle,
        TrendRecordFilter,
        TrendHoverHint,
        TrendNoData,

        BenchTitle,
        BenchInput,
        BenchResistor,
        BenchConnect,
        BenchSensor,
        BenchSensorHint,
        BenchTemperature,
        BenchPotentiometer,
        BenchOpenCircuit,
        BenchMeter,
        // What the bench did, %1 the value the window sent.
        BenchResistorConnected,
        BenchSensorConnected,
        BenchSensorAt,
        BenchPotentiometerAt,
        BenchCircuitOpen,
        BenchCircuitClosed,
        BenchResistorRange, // %1 the largest resistance
    };
    static constexpr int TextCount = int(Text::BenchResistorRange) + 1;

    static QString text(Text text, Language language);
};
