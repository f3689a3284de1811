#include "platform/terminal.h"

#include <unistd.h>

namespace terminal {

bool isTerminal(std::FILE* stream)
{
    const int fd = stream ? ::fileno(stream) : -1;
    return fd >= 0 && ::isatty(fd) == 1;
}

} // namespace terminal
