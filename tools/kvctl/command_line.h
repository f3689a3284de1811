#pragma once

#include "app/device_model.h"

#include <QString>
#include <QStringList>

#include <optional>

// What kvctl was asked to do, from its arguments.
struct Invocation
{
    enum class Command
    {
        Help,
        Version,
        Ports,
        Identify,
        Live,
        Read,
        Write,
        RecordsSync,
        RecordsExport,
        History,
        Report,
        Commission
    };

    static constexpr int DefaultIntervalMs = 1000;
    static constexpr int DefaultTimeoutMs = 1000;

    Command command = Command::Help;
    // For Help: the command whose options to show; Help itself for all.
    Command helpTopic = Command::Help;
    QStringList ports;
    std::optional<TDeviceModel> model;
    // write: the file to write; read: --out.
    QString settingsFile;
    // read --template: where the limit outputs come from.
    QString templateFile;
    // live: --csv; --json; rows (0: until interrupted); time between rows.
    QString csvFile;
    bool json = false;
    int count = 0;
    int intervalMs = DefaultIntervalMs;
    // The link's answer time-out per try.
    int timeoutMs = DefaultTimeoutMs;
    // --records-server: the plant's records server; empty: as configured.
    QString recordsServer;
    // --tag: the n-th names the transmitter on the n-th --port (identify,
    // read, write); the one tag of history, records export and report.
    QStringList tags;
    // report --language: "en" or "hu".
    QString language = QStringLiteral("en");
    // records export and report: --out.
    QString outFile;
    // commission: the plan, --reports, --force.
    QString planFile;
    QString reportsFolder;
    bool force = false;
};

// kvctl's command line: a command, then its options. Every command has
// --help; --port and --tag may be given several times for identify, read
// and write.
class CommandLine
{
public:
    // arguments[0] is the program. False, with the reason, for bad usage.
    static bool parse(const QStringList& arguments, Invocation* invocation, QString* error);

    // The text --help prints; Help gives the overview of all commands.
    static QString helpText(Invocation::Command topic);
    // "identify", "live", "records sync", ...
    static QString commandName(Invocation::Command command);
};
