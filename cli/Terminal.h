#pragma once

#include <cstdio>

// Whether a stream is an interactive terminal, where a progress bar and questions belong.
bool IsTerminal(std::FILE* stream);
