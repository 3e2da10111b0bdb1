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

namespace {

int64_t Ticks(const FILETIME& f) { return static_cast<int64_t>(f.dwHighDateTime) << 32 | f.dwLowDateTime; }

// Two readings of one moment apart, to the nearest minute.
int MinutesApart(const SYSTEMTIME& local, const SYSTEMTIME& utc) {
  FILETIME localFile{}, utcFile{};
  SystemTimeToFileTime(&local, &localFile);
  SystemTimeToFileTime(&utc, &utcFile);
  const int64_t difference = Ticks(localFile) - Ticks(utcFile);
  return static_cast<int>((difference + (difference >= 0 ? 300'000'000 : -300'000'000)) / 600'000'000);
}

}  // namespace

int UtcOffsetMinutesAt(const CivilTime& t) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(t.year);
  local.wMonth = static_cast<WORD>(t.month);
  local.wDay = static_cast<WORD>(t.day);
  local.wHour = static_cast<WORD>(t.hour);
  local.wMinute = static_cast<WORD>(t.minute);
  // The zone's rules of that year, as they were then, not this year's applied to every year.
  DYNAMIC_TIME_ZONE_INFORMATION zone{};
  TIME_ZONE_INFORMATION thatYear{};
  SYSTEMTIME utc{};
  if (GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID ||
      !GetTimeZoneInformationForYear(local.wYear, &zone, &thatYear) ||
      !TzSpecificLocalTimeToSystemTime(&thatYear, &local, &utc)) {
    return 0;
  }
  return MinutesApart(local, utc);
}

LocalMoment CurrentMoment() {
  SYSTEMTIME local{}, utc{};
  GetLocalTime(&local);
  GetSystemTime(&utc);
  return {{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute}, local.wSecond, MinutesApart(local, utc)};
}

Clock& SystemClock() {
  static WindowsClock clock;
  return clock;
}
