#pragma once

#include "app/app_config.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>

class QAction;
class QWidget;

// The tool windows beside the main window (the anchor): whether each was
// open when the program last ended and where it stood, kept in the
// configuration file, and the View menu entry that opens and closes it.
//
// A remembered window that was open is shown again when the anchor is first
// shown, after everything the anchor's own show does, and leaves the
// keyboard with the anchor. A window the user opens (its View entry or that
// entry's shortcut) takes the keyboard.
//
// The first time a window is shown in a run it is put at its remembered
// geometry unless that would cover the anchor or leave its title bar off
// every screen; otherwise ToolWindowPlacement finds its place on the
// anchor's screen, starting from its remembered size, else its own, and
// counting the window manager's frame (the anchor's, while the window has
// none of its own yet). The program puts a tool window over the anchor's
// keep-clear area only when the screen has no room elsewhere; the user may.
//
// Focus moving to a remembered window counts as leaving the program for the
// anchor's activation steps (ActivationTracker::treatAsForeign).
//
// The windows must outlive neither the anchor nor this object: they are
// held by QPointer, so a window deleted earlier is simply forgotten.
class ToolWindowMemory : public QObject
{
    Q_OBJECT

public:
    explicit ToolWindowMemory(QWidget* anchor);

    // Remembers `window` under `name` (a configuration key prefix: letters
    // only). A `viewEntry`, when given, becomes a checkable, enabled and
    // visible entry that shows and hides the window and follows whether it
    // is shown. `openByDefault` opens a window the file does not name yet.
    void remember(QWidget* window, const QString& name, QAction* viewEntry = nullptr,
                  bool openByDefault = false);

    // Takes the states the configuration file held; run before the anchor
    // is first shown.
    void restoreFrom(const AppConfig& config);
    // Puts every remembered window's state into the configuration; run
    // while the windows are still as the user left them.
    void storeTo(AppConfig& config) const;

    // The part of the anchor, in desktop coordinates, that a tool window may
    // never cover when there is no room beside it; the whole anchor unless
    // this is set.
    void setKeepClear(std::function<QRect()> keepClear) { m_keepClear = std::move(keepClear); }

    // Shows `window` where it belongs (see above); with `takeFocus` it
    // becomes the active window, as one the user opened.
    void showWindow(QWidget* window, bool takeFocus = true);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry
    {
        QPointer<QWidget> window;
        QString name;
        QPointer<QAction> viewEntry;
        bool openByDefault = false;
        // The window got its place this run: its own geometry is what counts.
        bool placed = false;
    };

    Entry* find(const QObject* window);
    void reopenRemembered();
    void place(Entry& entry);

    QPointer<QWidget> m_anchor;
    QList<Entry> m_entries;
    QMap<QString, AppConfig::ToolWindowState> m_states;
    std::function<QRect()> m_keepClear;
    bool m_anchorShownBefore = false;
};
