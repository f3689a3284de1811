#pragma once

#include "records/record_event.h"

#include <QByteArray>
#include <QJsonArray>
#include <QList>

class RecordStore;

// A history as a file for people and other programs, in the order given
// (the window and kvctl give it newest first).
namespace recordexport {

// The columns every CSV row has, the kind's own fields last as one JSON text.
inline constexpr const char* CsvColumns[] = {"id",      "time",    "tag",  "station", "user",
                                             "program", "version", "port", "model",   "firmware",
                                             "session", "kind",    "data"};

// The events as the history presents them (recordpresentation::json: a
// write with its read-back and whether it was verified), so that a file
// from the window and kvctl's output say the same.
QJsonArray jsonArray(const RecordStore& store, const QList<RecordEvent>& events);
// jsonArray() as a file: indented, UTF-8.
QByteArray json(const RecordStore& store, const QList<RecordEvent>& events);
// Comma-separated values, UTF-8, one header line then one line per event,
// lines ended by CR LF; a field holding a comma, a quote or a line end is
// quoted (RFC 4180). Spreadsheets read it as it is.
QByteArray csv(const QList<RecordEvent>& events);
// One field as csv() writes it.
QString csvField(const QString& text);

} // namespace recordexport
