#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "NumberFormat.h"

namespace {

// Ties of the stored float read by eye, the mask's forced and optional digits, and the extremes.
TEST(FormatNumber, RoundsTheStoredFloatAndNeverPads) {
  struct Case {
    float value;
    const char* mask;
    const char* text;
    // clang-format off
  } cases[] = {
      {4.25f, "#0.0", "4.2"},     {4.35f, "#0.0", "4.3"},   {0.375f, "#0.00", "0.38"},
      {999.96f, "#0.0", "1000.0"}, {-0.04f, "#0.0", "0.0"},  {-0.0f, "##0", "0"},
      {-0.06f, "#0.0", "-0.1"},   {std::numeric_limits<float>::quiet_NaN(), "#0.0", ""},
      {std::numeric_limits<float>::max(), "##0", "340282346638528859811704183484516925440"},
      {0.375f, "#.00", ".38"},    {4.3f, "000.0", "004.3"}, {0.0f, "###", ""},
      {1e-30f, "0.00000000000000000000000000000100000", "0.00000000000000000000000000000100000"},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(formatNumber(c.value, c.mask), c.text) << c.value << " " << c.mask;
}

}  // namespace
