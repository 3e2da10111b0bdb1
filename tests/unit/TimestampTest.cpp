#include <gtest/gtest.h>

#include "Timestamp.h"

namespace {

constexpr int32_t kDay = 1440;

int64_t Moment(int year, int month, int day, int hour = 0, int minute = 0) {
  return TimestampOf({year, month, day, hour, minute});
}

// Run on 2 January of a common year after a common year: a day more than four days ahead
// was last year.
TEST(MinutesToTimestamp, ClampsAndPlacesTheYear) {
  const CivilTime today = {2023, 1, 2, 10, 0};
  struct Case {
    int32_t minutes;
    int64_t timestamp;
  } cases[] = {
      {0, Moment(2023, 1, 1)},
      {-1, Moment(2023, 1, 1)},
      {527041, Moment(2023, 1, 1)},
      {527040, Moment(2023, 1, 2)},  // 366 days: ahead of this year, so from 1 January 2022
      {522720, Moment(2022, 12, 30)},
      {4 * kDay, Moment(2023, 1, 5)},
      {5 * kDay + 1439, Moment(2023, 1, 6, 23, 59)},  // the fourth day ahead, whatever the hour
      {6 * kDay, Moment(2022, 1, 7)},
  };
  for (const Case& c : cases) EXPECT_EQ(MinutesToTimestamp(c.minutes, today), c.timestamp) << c.minutes;
  EXPECT_EQ(MinutesToTimestamp(59 * kDay, {2024, 12, 31, 23, 59}), Moment(2024, 2, 29)) << "a leap year's 29 February";
  EXPECT_EQ(MinutesToTimestamp(6 * kDay, {2025, 1, 2, 0, 0}), Moment(2024, 1, 7)) << "last year a leap year";
}

}  // namespace
