#pragma once

#include <cstdint>

// A local wall-clock date and time; no time zone is ever applied to readings.
struct CivilTime {
  int year = 1601;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
};

// Time as the exchange sees it: the local time of day and a sleep. Tests substitute a
// virtual clock that advances only when the code sleeps, so every time-out is exact.
class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since local midnight, with millisecond resolution.
  virtual double SecondsOfDay() = 0;
  virtual void Sleep(int32_t milliseconds) = 0;
};

// The wall clock of this machine.
Clock& SystemClock();

// A moment of the local calendar, with the second and the offset from UTC the machine keeps
// then: what a kept download records of when it was read.
struct LocalMoment {
  CivilTime time;
  int second = 0;
  int utcOffsetMinutes = 0;  // east of Greenwich positive
};

LocalMoment CurrentMoment();

// The offset from UTC, in minutes east, that this machine's time zone gives a local date and
// time: a reading of summer its summer offset. A time the clock skipped or went through twice
// gets the offset of one side of the change.
int UtcOffsetMinutesAt(const CivilTime& local);

// This machine's local date and time.
inline CivilTime LocalNow() { return CurrentMoment().time; }
