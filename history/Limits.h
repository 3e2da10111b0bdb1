#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ReadingTable.h"

// A bound of a limit, exactly as written: `units` in steps of 10^-decimals, so that a reading
// shown as 7.10 is never past a limit of 7.1 by a rounding of binary fractions.
struct LimitValue {
  int64_t units = 0;
  int decimals = 0;
  std::string text;  // as the limits file has it
};

// The limits of one reading type, everywhere or at one location: a reading is past them when
// its value is below `below` or above `above`.
struct Limit {
  uint16_t type = 0;
  std::string location;  // empty: every location without a line of its own
  std::optional<LimitValue> below, above;
  size_t line = 0;  // in the limits file
};

// The limits file, one limit a line:
//   # a comment, and blank lines, are skipped
//   ph: below 6.5, above 8.5
//   ph at POND A: below 6, above 9
//   do-mgl: below 2
// The type as --type names it; a location as the meter logs it (case does not matter). A line
// that cannot be read is refused with its number and what is wrong, as is a second line for
// the same type and place.
bool ParseLimits(const std::string& text, std::vector<Limit>& limits, std::string& error);

// The limit a reading answers to: its location's line, else its type's; nullptr for none.
const Limit* LimitOf(const std::vector<Limit>& limits, uint16_t type, const std::string& location);

// Whether a reading is past a limit: -1 below it, 1 above it, 0 within.
int PastLimit(const Limit& limit, uint16_t type, float value);

// A run of one location's readings of one type past the same side of a limit, oldest first.
struct Exceedance {
  std::string location;
  uint16_t type = 0;
  MeterKind meter = MeterKind::MultiParameter;  // of the first reading: how the type is labelled
  const Limit* limit = nullptr;
  bool below = false;           // past the lower bound, else the upper
  int64_t first = 0, last = 0;  // the first and the last reading past it
  // The next reading, which is within the limit or past its other side; none while the
  // location's last reading is still past.
  std::optional<int64_t> ended;
  float worst = 0;  // the value farthest past
  size_t readings = 0;
};

// The indexes of the table's readings by location, type and time (ties as the table holds them):
// 32 bits each, since a report's memory should be its readings, not the orders of them.
std::vector<uint32_t> ByLocationTypeTime(const ReadingTable& table);

// The limit a run is past, as the limits file says it: "below 6.5".
std::string PassedLimitText(const Exceedance& exceedance);

// Every exceedance of the table's readings: by location, type and time.
std::vector<Exceedance> FindExceedances(const ReadingTable& table, const std::vector<Limit>& limits);

// How many of the table's readings are past a limit.
size_t ReadingsPastLimits(const ReadingTable& table, const std::vector<Limit>& limits);

// The name of the limits file in the folder of kept downloads.
constexpr const char* kLimitsFileName = "limits.txt";
