#include "tools/kvctl/console.h"

#include "platform/terminal.h"

#include <cstdio>

namespace {

void writeLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

Console::Console() : m_showsProgress(terminal::isTerminal(stderr)) {}

void Console::out(const QString& line)
{
    clearProgress();
    writeLine(stdout, line);
}

void Console::error(const QString& text)
{
    clearProgress();
    writeLine(stderr, QStringLiteral("kvctl: ") + text);
}

void Console::progress(const QString& text)
{
    if (!m_showsProgress)
        return;
    // Back to the line's start, the text, the rest of the line cleared.
    const QByteArray bytes = QStringLiteral("\rkvctl: %1\x1b[K").arg(text).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    m_progressShown = true;
}

void Console::clearProgress()
{
    if (!m_progressShown)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    m_progressShown = false;
}
