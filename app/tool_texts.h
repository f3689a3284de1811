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
        ViewDeviceRecords,
        ViewVerification,
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

        RecordsTitle,
        RecordsTag,
        RecordsUntagged,
        RecordsNoSession,
        RecordsSession, // %1 port, %2 time
        RecordsColumnTime,
        RecordsColumnStation,
        RecordsColumnUser,
        RecordsColumnPort,
        RecordsColumnEvent,
        RecordsColumnSummary,
        // What happened, by kind.
        RecordsSessionStart,
        RecordsSessionEnd,
        RecordsSettingsRead,
        RecordsAsFound,
        RecordsAsLeft,
        RecordsSettingsWrite,
        RecordsWriteUnverified,
        RecordsCommand,
        RecordsErase,
        RecordsRestart,
        RecordsFileOpened,
        RecordsFileSaved,
        RecordsTagAssigned,
        RecordsVerification,
        RecordsCertificate,
        // Summaries.
        RecordsAgreed,
        RecordsDiffers,  // %1 fields
        RecordsSent,     // %1 value
        RecordsReading,  // %1 values
        RecordsTagGiven, // %1 count, %2 tag
        RecordsPoints,   // %1 count, %2 tolerance
        RecordsPass,
        RecordsFail,
        RecordsRunAsFound,
        RecordsRunAsLeft,
        // The settings' fields, in settingsrecord::keys() order.
        RecordsFieldWires,
        RecordsFieldInputMode,
        RecordsFieldSensor,
        RecordsFieldAveraging,
        RecordsFieldOutputType,
        RecordsFieldErrorLevel,
        RecordsFieldNoErrorOnOverflow,
        RecordsFieldScaleLow,
        RecordsFieldScaleHigh,
        RecordsFieldOutputLimitLow,
        RecordsFieldOutputLimitHigh,
        RecordsCompare,
        RecordsLoad,
        RecordsExportCsv,
        RecordsExportJson,
        RecordsAssignLabel,
        RecordsAssign,
        RecordsCompareField,
        RecordsCompareNow,
        RecordsCompareHint,
        RecordsLoadHint,
        RecordsLoaded, // %1 event
        RecordsNoCurrentRead,
        RecordsExportTitle,
        RecordsCsvFilter,
        RecordsJsonFilter,
        RecordsExported,     // %1 count, %2 file
        RecordsExportFailed, // %1 file, %2 reason
        RecordsInvalidTag,   // %1 text
        RecordsAssignHint,
        RecordsFile,          // %1 file
        RecordsWaiting,       // %1 count
        RecordsServerError,   // %1 reason
        RecordsServerSuccess, // %1 time
        RecordsNotRecorded,   // %1 reason
        RecordsOff,
        RecordsOffWarning,         // %1 the store's reason
        RecordsNotRecordedWarning, // %1 reason
        CertificateButton,
        CertificateDialogTitle,
        CertificateNeedsTag,
        CertificateIssued, // %1 number, %2 file
        CertificateFailed, // %1 reason
        CertificateIssuing,
        CompareBeforeWrite,
        CompareControls,
        CompareTransmitter,
        CompareAsLeft,
        CompareTake,
        CompareTakeHint,
        CompareTaken, // %1 field, %2 value
        CompareNone,
    };
    static constexpr int TextCount = int(Text::CompareNone) + 1;

    static QString text(Text text, Language language);
};
