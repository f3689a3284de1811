#pragma once

#include <cstdio>

namespace terminal {

// True when the stream goes to a terminal, where a person reads it as it
// comes; false for a pipe, a file or a closed stream.
bool isTerminal(std::FILE* stream);

} // namespace terminal
