#pragma once

#include <cstdio>

// Whether a stream is an interactive terminal, where a progress bar and questions belong.
bool IsTerminal(std::FILE* stream);

// Standard output carries the files' bytes exactly: no CR added before LF on Windows.
void UseBinaryStandardOutput();
