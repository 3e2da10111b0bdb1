#pragma once

#include <cstdint>

#include "Clock.h"

// A clock that moves only when the code under test sleeps (or a test advances it), so
// every time-out is exercised exactly and without waiting.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(int64_t startMs = 10 * 3600 * 1000) : nowMs_(startMs) {}

  double SecondsOfDay() override { return static_cast<double>(nowMs_ % kDayMs) / 1000.0; }
  void Sleep(int32_t milliseconds) override {
    nowMs_ += milliseconds;
    sleptMs_ += milliseconds;
  }

  void Advance(int64_t milliseconds) { nowMs_ += milliseconds; }
  int64_t NowMs() const { return nowMs_; }
  int64_t SleptMs() const { return sleptMs_; }

 private:
  static constexpr int64_t kDayMs = 86400 * 1000;
  int64_t nowMs_;
  int64_t sleptMs_ = 0;
};
