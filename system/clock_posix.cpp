#include <cerrno>
#include <ctime>

#include "Clock.h"

namespace {

class PosixClock final : public Clock {
 public:
  double SecondsOfDay() override {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    const long milliseconds = now.tv_nsec / 1000000;
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + milliseconds / 1000.0;
  }

  void Sleep(int32_t milliseconds) override {
    timespec left{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    // no-mutate(!= 0; &&): nanosleep gives 0 or -1; errno left EINTR by an earlier call no test can stage
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }
};

}  // namespace

LocalMoment CurrentMoment() {
  const std::time_t now = std::time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return {{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min},
          local.tm_sec,
          static_cast<int>(local.tm_gmtoff / 60)};
}

int UtcOffsetMinutesAt(const CivilTime& t) {
  tm local{};
  local.tm_year = t.year - 1900;
  local.tm_mon = t.month - 1;
  local.tm_mday = t.day;
  local.tm_hour = t.hour;
  local.tm_min = t.minute;
  local.tm_isdst = -1;  // the zone's rules decide
  if (std::mktime(&local) == static_cast<std::time_t>(-1)) return 0;
  return static_cast<int>(local.tm_gmtoff / 60);
}

Clock& SystemClock() {
  static PosixClock clock;
  return clock;
}
