#include <windows.h>

#include "Clock.h"

namespace {

class WindowsClock final : public Clock {
 public:
  double SecondsOfDay() override {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return local.wHour * 3600.0 + local.wMinute * 60.0 + local.wSecond + local.wMilliseconds / 1000.0;
  }

  void Sleep(int32_t milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }
};

}  // namespace

Clock& SystemClock() {
  static WindowsClock clock;
  return clock;
}
