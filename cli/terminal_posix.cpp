#include <unistd.h>

#include "Terminal.h"

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

void UseBinaryStandardOutput() {}
