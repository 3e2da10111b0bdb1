#pragma once

#include <cstdint>
#include <string>

#include "Calendar.h"

constexpr int64_t kTicksPerMinute = 600'000'000;  // 100-ns ticks
constexpr int64_t kTicksPerDay = kTicksPerMinute * 1440;

// The timestamp of a local date and time: 100-ns ticks since 1601-01-01 00:00.
int64_t TimestampOf(const CivilTime& time);
CivilTime CivilTimeOf(int64_t timestamp);

// A meter's minute count since 1 January 00:00 of the reading's year, placed in the
// current year, or in last year when that would put it more than four days ahead of today.
int64_t MinutesToTimestamp(int32_t minutes, const CivilTime& now);

// The grid's date-time text: the short date, a space, then the time of day (hh:mm AM/PM on
// the 12-hour clock unless the calendar has its own).
std::string TimestampText(int64_t timestamp, const Calendar& calendar);

// The time as ISO 8601 (RFC 3339) gives it to other programs, with the calendar's offset from
// UTC for it: 2026-10-03T09:18:00+02:00.
std::string IsoTimestampText(int64_t timestamp, const Calendar& calendar);
