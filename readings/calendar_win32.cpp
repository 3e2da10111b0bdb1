#include <windows.h>

#include "Calendar.h"

CivilTime LocalNow() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute};
}
