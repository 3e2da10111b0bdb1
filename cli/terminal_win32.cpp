#include <fcntl.h>
#include <io.h>

#include "Terminal.h"

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

void UseBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }
