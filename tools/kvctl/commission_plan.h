#pragma once

#include "app/device_model.h"

#include <QList>
#include <QString>

#include <optional>

// A bulk commissioning plan: a CSV file whose header names the columns
// port, tag and file (and optionally model), one transmitter a row. Files
// are relative to the plan's folder. The whole plan is checked before
// anything is sent: an unknown column, a missing or unreadable file, a bad
// tag or model, or a port or tag named twice refuses it, naming the line.
struct CommissionPlan
{
    struct Row
    {
        int line = 0; // in the plan file, from 1
        QString port;
        QString tag;
        QString file; // absolute
        std::optional<TDeviceModel> model;
    };

    QList<Row> rows;

    static std::optional<CommissionPlan> read(const QString& path, QString* error);
    // The fields of one CSV line: commas separate, double quotes enclose a
    // field (a doubled quote inside stands for one). Nullopt for an
    // unterminated quote.
    static std::optional<QStringList> fields(const QString& line);
};
