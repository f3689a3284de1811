#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>

// Where a tool window goes when the program places it, computed from
// rectangles alone so that the rules hold for every tool window and can be
// checked without a screen. Every rectangle is in the desktop's coordinates;
// frames include the window manager's decoration.
//
// In order of preference the window goes
//   1. beside the main window (right, left, below, above) at its preferred
//      size;
//   2. beside it, shrunk to the free side but no smaller than its minimum;
//   3. over the main window's left column only: the part to keep clear (the
//      right column with the link panel, System info, the file and the
//      read/write groups, and the title bar's buttons above them) stays
//      uncovered;
//   4. anywhere on the screen, when the screen is too small for all that.
// Within a step, a place that covers less of the other tool windows wins,
// then the earlier side, then the place nearer the main window's top edge.
// Two tool windows' top-left corners are never within CornerSpacing of each
// other, and the frame lies on the screen's available area whenever it fits
// there, so its title bar can be reached.
class ToolWindowPlacement
{
public:
    // A tool window is not shrunk below this (nor below its own minimum).
    static constexpr QSize SmallestSize{360, 240};
    // Free room kept between the main window and a tool window beside it.
    static constexpr int Gap = 10;
    // The least distance, across and down, between two windows' corners.
    static constexpr int CornerSpacing = 40;
    // How much of a title bar's width must lie on a screen to reach it.
    static constexpr int TitleBarReach = 120;

    struct Situation
    {
        QRect available;     // the screen's available area
        QRect anchor;        // the main window's frame
        QRect keepClear;     // the part of the main window never covered
        QSize preferred;     // the window's own size, without frame
        QSize minimum;       // its smallest size, without frame
        QMargins frame;      // the decoration around it
        QList<QRect> others; // the frames of the other tool windows
    };

    // The frame the window gets.
    static QRect place(const Situation& situation);

    // Whether the title bar of `frame` (its top `titleHeight` rows, at least
    // one) lies on one of `screens` far enough across to be taken.
    static bool titleBarOnScreen(const QRect& frame, int titleHeight, const QList<QRect>& screens);
};
