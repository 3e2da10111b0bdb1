#include "Memory.h"

// Measured on Linux only; the Windows heap keeps its own ways.
void PrepareMemory(size_t) {}
