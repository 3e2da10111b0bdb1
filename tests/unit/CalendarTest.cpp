#include <gtest/gtest.h>

#include "Calendar.h"

namespace {

// A picture is fields and separators only; the times cover both ends of both clocks.
TEST(Pictures, FormatWhatTheCalendarUnderstandsAndRefuseTheRest) {
  const CivilTime morning{2024, 3, 7, 0, 5}, afternoon{2024, 11, 28, 13, 40};
  struct Case {
    bool date;
    const char* picture;
    const char* morning;  // nullptr: refused
    const char* afternoon;
  } cases[] = {
      {true, "M/d/yyyy", "3/7/2024", "11/28/2024"},
      {true, "yyyy-MM-dd", "2024-03-07", "2024-11-28"},
      {false, "hh:mm tt", "12:05 AM", "01:40 PM"},
      {false, "h:mm tt", "12:05 AM", "1:40 PM"},
      {false, "HH:mm", "00:05", "13:40"},
      // clang-format off
      {true, "d MMM yyyy", nullptr, nullptr}, {true, "yyy", nullptr, nullptr}, {true, "dd,MM", nullptr, nullptr},
      {true, "HH:mm", nullptr, nullptr},      {true, "", nullptr, nullptr},    {false, "HH:MM", nullptr, nullptr},
      {false, "hh:m", nullptr, nullptr},      {false, "hh:mm t", nullptr, nullptr},
      // clang-format on
  };
  for (const Case& c : cases) {
    EXPECT_EQ((c.date ? IsDatePicture : IsTimePicture)(c.picture), c.morning != nullptr) << c.picture;
    if (c.morning == nullptr) continue;
    const auto format = c.date ? FormatDatePicture : FormatTimePicture;
    EXPECT_EQ(format(c.picture, morning), c.morning) << c.picture;
    EXPECT_EQ(format(c.picture, afternoon), c.afternoon) << c.picture;
  }
}

}  // namespace
