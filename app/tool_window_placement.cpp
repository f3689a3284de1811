#include "app/tool_window_placement.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>
#include <vector>

namespace {

// One free area the window may take, and the place in it nearest to the
// main window.
struct Area
{
    QRect rect;
    QPoint natural;
};

// Lower is better: covered area of other tool windows, frame area given up
// (negated area), order of the side, distance from the natural place.
using Score = std::tuple<qint64, qint64, int, int>;

struct Candidate
{
    QRect frame;
    Score score;
};

qint64 areaOf(const QRect& rect)
{
    return rect.isValid() ? qint64(rect.width()) * rect.height() : 0;
}

bool cornersClear(const QPoint& corner, const QList<QRect>& others)
{
    return std::all_of(others.cbegin(), others.cend(), [&corner](const QRect& other) {
        const QPoint d = corner - other.topLeft();
        return std::max(std::abs(d.x()), std::abs(d.y())) >= ToolWindowPlacement::CornerSpacing;
    });
}

// The positions worth trying along one axis: the natural one, the area's
// ends, next to and level with each other window, and steps of the corner
// spacing away from the natural one, so that windows cascade when they must
// share a side.
std::vector<int> positions(int natural, int low, int high, int length, const std::vector<int>& otherStarts,
                           const std::vector<int>& otherEnds)
{
    std::vector<int> values{natural, low, high};
    for (int start : otherStarts) {
        values.push_back(start);
        values.push_back(start - ToolWindowPlacement::Gap - length);
    }
    for (int end : otherEnds)
        values.push_back(end + 1 + ToolWindowPlacement::Gap);
    for (int step = ToolWindowPlacement::CornerSpacing; step <= high - low;
         step += ToolWindowPlacement::CornerSpacing) {
        values.push_back(natural + step);
        values.push_back(natural - step);
    }
    for (int& value : values)
        value = std::clamp(value, low, high);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

// The best place of a frame of `size` in `area`, if one keeps the corners
// apart.
std::optional<Candidate> bestIn(const Area& area, const QSize& size, int order, const QList<QRect>& others)
{
    const QRect& rect = area.rect;
    if (!rect.isValid() || size.width() > rect.width() || size.height() > rect.height())
        return std::nullopt;
    std::vector<int> lefts, rights, tops, bottoms;
    for (const QRect& other : others) {
        lefts.push_back(other.left());
        rights.push_back(other.right());
        tops.push_back(other.top());
        bottoms.push_back(other.bottom());
    }
    const int highX = rect.right() + 1 - size.width();
    const int highY = rect.bottom() + 1 - size.height();
    const QPoint natural(std::clamp(area.natural.x(), rect.left(), highX),
                         std::clamp(area.natural.y(), rect.top(), highY));
    std::optional<Candidate> best;
    for (int x : positions(natural.x(), rect.left(), highX, size.width(), lefts, rights)) {
        for (int y : positions(natural.y(), rect.top(), highY, size.height(), tops, bottoms)) {
            const QRect frame(QPoint(x, y), size);
            if (!cornersClear(frame.topLeft(), others))
                continue;
            qint64 covered = 0;
            for (const QRect& other : others)
                covered += areaOf(frame.intersected(other));
            const Score score{covered, -areaOf(frame), order, (frame.topLeft() - natural).manhattanLength()};
            if (!best || score < best->score)
                best = Candidate{frame, score};
        }
    }
    return best;
}

std::optional<Candidate> better(std::optional<Candidate> a, std::optional<Candidate> b)
{
    if (!a)
        return b;
    if (!b)
        return a;
    return b->score < a->score ? b : a;
}

} // namespace

QRect ToolWindowPlacement::place(const Situation& s)
{
    const QRect& screen = s.available;
    const QRect& anchor = s.anchor;
    // A window smaller than the floor keeps its size; its own minimum
    // counts over the floor.
    const QSize minimum = s.minimum.expandedTo(s.preferred.boundedTo(SmallestSize)).grownBy(s.frame);
    const QSize preferred = s.preferred.grownBy(s.frame).expandedTo(minimum);

    const Area beside[] = {
        {QRect(QPoint(anchor.right() + 1 + Gap, screen.top()), screen.bottomRight()) & screen,
         QPoint(anchor.right() + 1 + Gap, anchor.top())},
        {QRect(screen.topLeft(), QPoint(anchor.left() - 1 - Gap, screen.bottom())) & screen,
         QPoint(anchor.left() - Gap - preferred.width(), anchor.top())},
        {QRect(QPoint(screen.left(), anchor.bottom() + 1 + Gap), screen.bottomRight()) & screen,
         QPoint(anchor.left(), anchor.bottom() + 1 + Gap)},
        {QRect(screen.topLeft(), QPoint(screen.right(), anchor.top() - 1 - Gap)) & screen,
         QPoint(anchor.left(), anchor.top() - Gap - preferred.height())},
    };

    std::optional<Candidate> best;
    int order = 0;
    for (const Area& area : beside)
        best = better(best, bestIn(area, preferred, order++, s.others));
    if (best)
        return best->frame;

    order = 0;
    for (const Area& area : beside) {
        const QSize shrunk = preferred.boundedTo(area.rect.size());
        if (shrunk.expandedTo(minimum) == shrunk)
            best = better(best, bestIn(area, shrunk, order, s.others));
        ++order;
    }
    if (best)
        return best->frame;

    const QRect leftColumn =
        s.keepClear.isValid()
            ? QRect(screen.topLeft(), QPoint(s.keepClear.left() - 1 - Gap, screen.bottom())) & screen
            : screen;
    const QSize overColumn = preferred.boundedTo(leftColumn.size());
    if (leftColumn.isValid() && overColumn.expandedTo(minimum) == overColumn) {
        best = bestIn({leftColumn, QPoint(screen.left(), anchor.top())}, overColumn, 0, s.others);
        if (best)
            return best->frame;
    }

    const QSize onScreen = preferred.boundedTo(screen.size());
    best = bestIn({screen, screen.topLeft()}, onScreen, 0, s.others);
    return best ? best->frame : QRect(screen.topLeft(), onScreen);
}

bool ToolWindowPlacement::titleBarOnScreen(const QRect& frame, int titleHeight, const QList<QRect>& screens)
{
    const QRect titleBar(frame.topLeft(), QSize(frame.width(), std::max(titleHeight, 1)));
    const int reach = std::min(titleBar.width(), TitleBarReach);
    return std::any_of(screens.cbegin(), screens.cend(), [&](const QRect& screen) {
        const QRect shown = titleBar.intersected(screen);
        return shown.height() == titleBar.height() && shown.width() >= reach;
    });
}
