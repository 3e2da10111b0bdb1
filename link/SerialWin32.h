#pragma once

#include <windows.h>

#include <cstdint>

// The meter's line settings on an open serial handle, each in its turn, as OpenSerialDevice
// applies them: 0, 5 for a refused setting, or the system's number.
int32_t ApplyLineSettings(HANDLE port);
