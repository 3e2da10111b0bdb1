#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "NumberFormat.h"

namespace {

// What the sweep below cannot reach, and a few ties of the stored float read by eye.
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
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(formatNumber(c.value, c.mask), c.text) << c.value << " " << c.mask;
}

// The standard library's exact rounding of the stored float, halves to even, without a "-0".
std::string ExactText(float v, int decimals) {
  char text[64];
  const std::string exact(text, std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals).ptr);
  return exact[0] == '-' && exact.find_first_of("123456789") == std::string::npos ? exact.substr(1) : exact;
}

void ExpectExact(float v, const char* mask) {
  const char* point = std::strchr(mask, '.');
  const int decimals = point ? static_cast<int>(std::strlen(point + 1)) : 0;
  ASSERT_EQ(formatNumber(v, mask), ExactText(v, decimals)) << v << " " << mask;
}

TEST(FormatNumber, AgreesWithAnExactRoundingOverAWideSweep) {
  struct Range {
    int first, last;
    double divisor;
    const char* masks[2];
  } ranges[] = {
      {0, 9999, 100, {"#0.00", "#0.0"}}, {0, 9999, 10, {"#0.0", "##0"}},     {0, 32767, 10, {"##0.0", "###0"}},
      {0, 32767, 1, {"####0", "###0"}},  {0, 1400, 100, {"#0.00", "#0.00"}}, {-2000, 2000, 1, {"###0", "###0"}},
      {-999, 999, 10, {"#0.0", "#0.0"}},  // temperatures
  };
  for (const Range& r : ranges) {
    for (int raw = r.first; raw <= r.last; ++raw) {
      for (const char* mask : r.masks) ExpectExact(static_cast<float>(raw / r.divisor), mask);
    }
  }
  const char* masks[] = {"#0.0", "#0.00", "##0", "##0.0", "###0", "####0"};
  std::mt19937 random(20240307);
  std::uniform_real_distribution<float> exponent(-30, 20);
  for (int k = -1024; k <= 1024; ++k) {
    for (const char* mask : masks) {
      for (int shift = 1; shift <= 6; ++shift) ExpectExact(std::ldexp(static_cast<float>(k), -shift), mask);
      ExpectExact(std::exp2(exponent(random)) * (k % 2 ? -1.0f : 1.0f), mask);
    }
  }
}

}  // namespace
