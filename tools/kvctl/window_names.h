#pragma once

#include <QString>
#include <QtGlobal>

// What kvctl calls the window's controls and the transmitter's commands in
// its messages: the names a user sees in the window (its English captions
// and item texts), never the object names or the protocol's names.
namespace windownames {

// A setting control of the settings page by its object name: its caption
// without the closing colon or full stop, an edit of the scaling or limits
// group after the group's caption ("Analog output scaling, Low").
QString control(const char* objectName);
// The text of a radio group's item; the number itself for an index the
// group does not have.
QString item(const char* objectName, int index);
// A query the task sends, in the words of the window's button that sends it
// where one does ("Write settings to instrument").
QString command(quint8 code);

} // namespace windownames
