#include "NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

// A whole number as decimal digits, least significant first. A float is an integer times a
// power of two, so its exact decimal expansion is finite and this is all the arithmetic needed.
using Digits = std::vector<uint8_t>;

void MultiplyBy(Digits& digits, uint32_t factor) {
  uint64_t carry = 0;
  for (uint8_t& digit : digits) {
    const uint64_t product = uint64_t{digit} * factor + carry;
    digit = static_cast<uint8_t>(product % 10);
    carry = product / 10;
  }
  for (; carry != 0; carry /= 10) digits.push_back(static_cast<uint8_t>(carry % 10));
}

void MultiplyByPower(Digits& digits, uint32_t base, int exponent) {
  uint32_t chunk = 1;
  int chunkExponent = 0;
  while (chunk <= std::numeric_limits<uint32_t>::max() / base) {
    chunk *= base;
    ++chunkExponent;
  }
  for (; exponent >= chunkExponent; exponent -= chunkExponent) MultiplyBy(digits, chunk);
  for (; exponent > 0; --exponent) MultiplyBy(digits, base);
}

void Increment(Digits& digits) {
  for (uint8_t& digit : digits) {
    if (digit < 9) {
      ++digit;
      return;
    }
    digit = 0;
  }
  digits.push_back(1);
}

// Drops the last `drop` digits, rounding to nearest and an exact half to the even digit.
void RoundOff(Digits& digits, size_t drop) {
  if (drop == 0) return;
  if (digits.size() <= drop) digits.resize(drop + 1, 0);
  const uint8_t first = digits[drop - 1];
  const bool beyondHalf = std::any_of(digits.begin(), digits.begin() + static_cast<std::ptrdiff_t>(drop - 1),
                                      [](uint8_t digit) { return digit != 0; });
  digits.erase(digits.begin(), digits.begin() + static_cast<std::ptrdiff_t>(drop));
  if (first > 5 || (first == 5 && (beyondHalf || digits.front() % 2 == 1))) Increment(digits);
}

}  // namespace

std::string formatNumber(float value, const std::string& mask) {
  if (!std::isfinite(value)) return {};
  const size_t point = mask.find('.');
  const size_t decimals = point == std::string::npos ? 0 : mask.size() - point - 1;
  const size_t integerPositions = std::min(point, mask.size());
  const size_t firstZero = mask.find('0');
  const size_t forcedIntegerDigits = firstZero < integerPositions ? integerPositions - firstZero : 0;

  // |value| = mantissa * 2^exponent exactly, the mantissa a whole number below 2^24.
  int exponent = 0;
  const float fraction = std::frexp(std::fabs(value), &exponent);
  auto mantissa = static_cast<uint32_t>(std::ldexp(fraction, std::numeric_limits<float>::digits));
  exponent -= std::numeric_limits<float>::digits;
  for (; mantissa != 0 && mantissa % 2 == 0 && exponent < 0; mantissa /= 2) ++exponent;

  Digits digits;
  for (uint32_t rest = mantissa; rest != 0; rest /= 10) digits.push_back(static_cast<uint8_t>(rest % 10));
  size_t scale = 0;  // digits after the decimal point
  if (exponent > 0) {
    MultiplyByPower(digits, 2, exponent);
  } else if (exponent < 0) {
    // m / 2^k = m * 5^k / 10^k
    MultiplyByPower(digits, 5, -exponent);
    scale = static_cast<size_t>(-exponent);
  }
  if (scale < decimals) digits.insert(digits.begin(), decimals - scale, 0);
  RoundOff(digits, scale > decimals ? scale - decimals : 0);
  while (digits.size() > decimals && digits.back() == 0) digits.pop_back();

  std::string text;
  const bool zero = std::all_of(digits.begin(), digits.end(), [](uint8_t digit) { return digit == 0; });
  if (std::signbit(value) && !zero) text += '-';
  const size_t shown = std::max(digits.size(), decimals + forcedIntegerDigits);
  for (size_t i = shown; i-- > 0;) {
    if (i + 1 == decimals) text += '.';
    text += static_cast<char>('0' + (i < digits.size() ? digits[i] : 0));
  }
  return text;
}
