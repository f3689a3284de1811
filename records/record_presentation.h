#pragma once

#include "records/record_event.h"

#include <QJsonObject>

class RecordStore;

// An event as the history shows it to people and programs: its own fields,
// and what later events say about it. A settings write gains its read-back
// ("readBack", the settings read after it), whether they "agreed", and
// whether it was "verified" at all (false with the "reason" when the
// read-back failed or was withdrawn; null when nothing settled it yet).
namespace recordpresentation {

QJsonObject json(const RecordStore& store, const RecordEvent& event);

// What a recorded calibration or store command did, in words a technician
// reads on a certificate or in the history ("Output low point (4 mA / 2 V)
// stored"); empty for a command that is not recorded.
QString commandText(int command, bool hungarian);

} // namespace recordpresentation
