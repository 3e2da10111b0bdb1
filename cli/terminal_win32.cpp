#include <io.h>

#include "Terminal.h"

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }
