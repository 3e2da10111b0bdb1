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

LocalMoment CurrentMoment() {
  SYSTEMTIME local{}, utc{};
  GetLocalTime(&local);
  GetSystemTime(&utc);
  // The offset is what separates the two readings of one moment, to the nearest minute.
  FILETIME localFile{}, utcFile{};
  SystemTimeToFileTime(&local, &localFile);
  SystemTimeToFileTime(&utc, &utcFile);
  const auto ticks = [](const FILETIME& f) { return static_cast<int64_t>(f.dwHighDateTime) << 32 | f.dwLowDateTime; };
  const int64_t difference = ticks(localFile) - ticks(utcFile);
  const auto minutes = static_cast<int>((difference + (difference >= 0 ? 300'000'000 : -300'000'000)) / 600'000'000);
  return {{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute}, local.wSecond, minutes};
}

Clock& SystemClock() {
  static WindowsClock clock;
  return clock;
}
