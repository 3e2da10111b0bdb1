#include "Limits.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

#include "History.h"
#include "KeptDownload.h"
#include "ReadingTypes.h"

namespace {

constexpr int kMostDecimals = 6, kMostWholeDigits = 9;

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// -12.5 and the like: digits, at most one point with digits after it, a leading minus.
bool ParseLimitValue(const std::string& text, LimitValue& value) {
  value = {0, 0, text};
  size_t at = text.starts_with('-') ? 1 : 0;
  const bool negative = at == 1;
  int whole = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    if (++whole > kMostWholeDigits) return false;
    value.units = value.units * 10 + (text[at] - '0');
  }
  if (whole == 0) return false;
  if (at < text.size() && text[at] == '.') {
    for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      if (++value.decimals > kMostDecimals) return false;
      value.units = value.units * 10 + (text[at] - '0');
    }
    if (value.decimals == 0) return false;
  }
  if (negative) value.units = -value.units;
  return at == text.size();
}

// a < b for two exact decimals.
bool Less(int64_t aUnits, int aDecimals, int64_t bUnits, int bDecimals) {
  int64_t a = aUnits, b = bUnits;
  for (int d = aDecimals; d < bDecimals; ++d) a *= 10;
  for (int d = bDecimals; d < aDecimals; ++d) b *= 10;
  return a < b;
}

// One line's limit, or the reason it is none.
std::string ParseLine(const std::string& line, Limit& limit) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return "a limit is written TYPE: below LOW, above HIGH";
  const std::string head = Trimmed(line.substr(0, colon));
  const size_t at = head.find(" at ");
  const std::string type = at == std::string::npos ? head : Trimmed(head.substr(0, at));
  if (!ParseReadingTypeName(type, limit.type)) {
    return "\"" + Printable(type) + "\" is none of the reading types " + ReadingTypeNames();
  }
  if (at != std::string::npos) {
    limit.location = LoggedLocation(Trimmed(head.substr(at + 4)));
    const bool valid = std::all_of(limit.location.begin(), limit.location.end(),
                                   [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == ' '; });
    if (limit.location.empty() || limit.location.size() > 6 || !valid) {
      return "\"" + Printable(limit.location) + "\" is no location: 1 to 6 letters, digits and spaces";
    }
  }
  std::string body = line.substr(colon + 1);
  for (size_t start = 0; start <= body.size();) {
    const size_t comma = std::min(body.find(',', start), body.size());
    const std::string item = Trimmed(body.substr(start, comma - start));
    start = comma + 1;
    const size_t space = item.find(' ');
    const std::string word = item.substr(0, space),
                      number = space == std::string::npos ? "" : Trimmed(item.substr(space));
    std::optional<LimitValue>* bound = word == "below" ? &limit.below : word == "above" ? &limit.above : nullptr;
    if (bound == nullptr) return "\"" + Printable(item) + "\" is neither \"below N\" nor \"above N\"";
    if (bound->has_value()) return "\"" + word + "\" is given twice";
    LimitValue value;
    if (!ParseLimitValue(number, value)) return "\"" + Printable(number) + "\" is no number such as 6.5 or -150";
    *bound = value;
  }
  if (limit.below && limit.above &&
      Less(limit.above->units, limit.above->decimals, limit.below->units, limit.below->decimals)) {
    return "below " + limit.below->text + " is above " + limit.above->text + ": every reading would be past it";
  }
  return "";
}

}  // namespace

bool ParseLimits(const std::string& text, std::vector<Limit>& limits, std::string& error) {
  limits.clear();
  size_t number = 0;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = Trimmed(text.substr(start, end - start));
    start = end + 1;
    ++number;
    if (line.empty() || line.starts_with('#')) continue;
    Limit limit;
    limit.line = number;
    std::string problem = ParseLine(line, limit);
    for (const Limit& earlier : limits) {
      if (problem.empty() && earlier.type == limit.type && earlier.location == limit.location) {
        problem = "a second limit of the same type and place, after line " + std::to_string(earlier.line);
      }
    }
    if (!problem.empty()) {
      error = "line " + std::to_string(number) + ": " + problem;
      return false;
    }
    limits.push_back(limit);
  }
  return true;
}

const Limit* LimitOf(const std::vector<Limit>& limits, uint16_t type, const std::string& location) {
  const Limit* general = nullptr;
  for (const Limit& limit : limits) {
    if (limit.type != type) continue;
    if (limit.location == location) return &limit;
    if (limit.location.empty()) general = &limit;
  }
  return general;
}

int PastLimit(const Limit& limit, uint16_t type, float value) {
  // The value as logged: a whole number of the type's steps.
  const ReadingType* found = FindReadingType(type);
  const int divisor = found != nullptr ? found->divisor : 1;
  const auto raw = static_cast<int64_t>(std::llround(static_cast<double>(value) * divisor));
  int decimals = 0;
  for (int d = divisor; d > 1; d /= 10) ++decimals;
  if (limit.below && Less(raw, decimals, limit.below->units, limit.below->decimals)) return -1;
  if (limit.above && Less(limit.above->units, limit.above->decimals, raw, decimals)) return 1;
  return 0;
}

std::vector<uint32_t> ByLocationTypeTime(const ReadingTable& table) {
  std::vector<uint32_t> order(static_cast<size_t>(table.count));
  std::iota(order.begin(), order.end(), uint32_t{0});
  const auto key = [&table](uint32_t i) {
    const Reading& r = table.readings[i];
    return std::tie(r.location, r.type, r.timestamp);
  };
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
  return order;
}

std::vector<Exceedance> FindExceedances(const ReadingTable& table, const std::vector<Limit>& limits) {
  std::vector<Exceedance> found;
  if (limits.empty()) return found;
  const std::vector<uint32_t> order = ByLocationTypeTime(table);
  const Reading* previous = nullptr;
  const Limit* limit = nullptr;
  bool open = false;
  for (const uint32_t i : order) {
    const Reading& r = table.readings[i];
    if (previous == nullptr || r.location != previous->location || r.type != previous->type) {
      open = false;
      limit = LimitOf(limits, r.type, r.location);
    }
    previous = &r;
    if (limit == nullptr) continue;
    const int past = PastLimit(*limit, r.type, r.value);
    if (open && (past == 0 || (past < 0) != found.back().below)) {
      found.back().ended = r.timestamp;
      open = false;
    }
    if (past == 0) continue;
    if (!open) {
      found.push_back({r.location, r.type, r.meter.value_or(table.meterKind), limit, past < 0, r.timestamp, r.timestamp,
                       std::nullopt, r.value, 0});
      open = true;
    }
    Exceedance& e = found.back();
    e.last = r.timestamp;
    e.worst = e.below ? std::min(e.worst, r.value) : std::max(e.worst, r.value);
    ++e.readings;
  }
  return found;
}

std::string PassedLimitText(const Exceedance& e) {
  return (e.below ? "below " : "above ") + (e.below ? *e.limit->below : *e.limit->above).text;
}

size_t ReadingsPastLimits(const ReadingTable& table, const std::vector<Limit>& limits) {
  size_t past = 0;
  for (int i = 0; i < table.count; ++i) {
    const Reading& r = table.readings[static_cast<size_t>(i)];
    const Limit* limit = LimitOf(limits, r.type, r.location);
    past += limit != nullptr && PastLimit(*limit, r.type, r.value) != 0;
  }
  return past;
}
