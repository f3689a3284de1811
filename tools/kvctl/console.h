#pragma once

#include <QString>

// kvctl's two streams: results on standard output, messages on standard
// error, each line flushed as it is written so that a pipe or a log sees it
// at once. Progress goes to standard error only when that is a terminal,
// as one line rewritten in place, and is wiped before any other line.
class Console
{
public:
    // Progress is shown when standard error is a terminal.
    Console();

    // A line of results.
    void out(const QString& line);
    // A line of messages: "kvctl: " and the text.
    void error(const QString& text);
    // The progress line; nothing unless standard error is a terminal.
    void progress(const QString& text);
    void clearProgress();

    bool showsProgress() const { return m_showsProgress; }

private:
    bool m_showsProgress = false;
    bool m_progressShown = false;
};
