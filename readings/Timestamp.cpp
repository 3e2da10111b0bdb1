#include "Timestamp.h"

#include <chrono>
#include <cstdio>
#include <tuple>

namespace {

using namespace std::chrono;

constexpr sys_days kEpoch = sys_days{year{1601} / January / 1};
constexpr int32_t kMostMinutes = 366 * 1440;  // a leap year's worth

int64_t DayNumber(const CivilTime& t) {
  return (sys_days{year{t.year} / month{static_cast<unsigned>(t.month)} / day{static_cast<unsigned>(t.day)}} - kEpoch)
      .count();
}

auto DateKey(const CivilTime& t) { return std::tie(t.year, t.month, t.day); }

}  // namespace

int64_t TimestampOf(const CivilTime& t) {
  return DayNumber(t) * kTicksPerDay + (t.hour * 60 + t.minute) * kTicksPerMinute;
}

CivilTime CivilTimeOf(int64_t timestamp) {
  int64_t days = timestamp / kTicksPerDay;
  int64_t rest = timestamp % kTicksPerDay;
  if (rest < 0) {
    rest += kTicksPerDay;
    --days;
  }
  const year_month_day date{kEpoch + sys_days::duration{days}};
  const int64_t minutes = rest / kTicksPerMinute;
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(minutes / 60),
          static_cast<int>(minutes % 60)};
}

int64_t MinutesToTimestamp(int32_t minutes, const CivilTime& now) {
  if (minutes < 0 || minutes > kMostMinutes) minutes = 0;
  const int64_t offset = static_cast<int64_t>(minutes) * kTicksPerMinute;
  const int64_t thisYear = TimestampOf({now.year, 1, 1, 0, 0}) + offset;
  const CivilTime limit = CivilTimeOf(TimestampOf(now) + 4 * kTicksPerDay);
  const CivilTime placed = CivilTimeOf(thisYear);
  // A meter clock may run a little ahead; a day further ahead than that was last year.
  if (DateKey(placed) > DateKey(limit)) return TimestampOf({now.year - 1, 1, 1, 0, 0}) + offset;
  return thisYear;
}

std::string TimestampText(int64_t timestamp, const Calendar& calendar) {
  const CivilTime t = CivilTimeOf(timestamp);
  return calendar.shortDate(t) + " " +
         (calendar.timeOfDay ? calendar.timeOfDay(t) : FormatTimePicture(kProgramTimePicture, t));
}

std::string IsoTimestampText(int64_t timestamp, const Calendar& calendar) {
  const CivilTime t = CivilTimeOf(timestamp);
  const int offset = calendar.utcOffsetMinutes ? calendar.utcOffsetMinutes(t) : 0;
  const int east = offset < 0 ? -offset : offset;
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00%c%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                offset < 0 ? '-' : '+', east / 60 % 100, east % 60);
  return text;
}
