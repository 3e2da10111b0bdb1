#pragma once

#include <cstdint>

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
