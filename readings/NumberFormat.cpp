#include "NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

std::string formatNumber(float value, const std::string& mask) {
  if (!std::isfinite(value)) return {};
  const size_t point = mask.find('.');
  const size_t decimals = point == std::string::npos ? 0 : mask.size() - point - 1;
  const size_t integerPositions = std::min(point, mask.size());
  const size_t firstZero = mask.find('0');
  const size_t forcedIntegerDigits = firstZero < integerPositions ? integerPositions - firstZero : 0;

  // The standard library rounds the float's exact value, a tie to even; the largest float has
  // 39 integer digits.
  char small[64];
  std::string large(decimals > 16 ? 48 + decimals : 0, '\0');
  char* exact = large.empty() ? small : large.data();
  const char* end = std::to_chars(exact, exact + (large.empty() ? sizeof small : large.size()), std::fabs(value),
                                  std::chars_format::fixed, static_cast<int>(decimals))
                        .ptr;
  const char* integer = exact;
  const char* integerEnd = decimals == 0 ? end : end - decimals - 1;
  while (integer < integerEnd && *integer == '0') ++integer;  // every integer digit, no more
  const bool zero = integer == integerEnd && std::all_of(integerEnd, end, [](char c) { return c == '0' || c == '.'; });

  std::string text;
  if (std::signbit(value) && !zero) text += '-';
  const auto digits = static_cast<size_t>(integerEnd - integer);
  if (digits < forcedIntegerDigits) text.append(forcedIntegerDigits - digits, '0');
  text.append(integer, end);
  return text;
}
