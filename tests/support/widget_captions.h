#pragma once

#include <QString>

class QObject;
class QTabWidget;
class QWidget;

// The tab widget that shows `page` as one of its pages, or null.
QTabWidget* owningTabs(const QWidget* page);

// The text a control shows as its caption, wherever the control keeps it:
// label text, group title, button text or tab text; empty for others.
QString captionOf(const QObject* object);
