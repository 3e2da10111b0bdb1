#include "History.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <tuple>

#include "MeterLink.h"
#include "Timestamp.h"

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameLocation(const std::string& logged, const std::string& asked) {
  return logged.size() == asked.size() &&
         std::equal(logged.begin(), logged.end(), asked.begin(), [](char a, char b) { return a == Upper(b); });
}

// The filter as a test on one reading; the dates become a half-open range of timestamps.
struct Admits {
  const HistoryFilter& filter;
  int64_t from = INT64_MIN, before = INT64_MAX;

  explicit Admits(const HistoryFilter& f) : filter(f) {
    if (f.since) from = TimestampOf({f.since->year, f.since->month, f.since->day, 0, 0});
    if (f.until) before = TimestampOf({f.until->year, f.until->month, f.until->day, 0, 0}) + kTicksPerDay;
  }

  bool operator()(const Reading& r) const {
    if (r.timestamp < from || r.timestamp >= before) return false;
    if (!filter.types.empty() && std::find(filter.types.begin(), filter.types.end(), r.type) == filter.types.end()) {
      return false;
    }
    return filter.locations.empty() ||
           std::any_of(filter.locations.begin(), filter.locations.end(),
                       [&r](const std::string& asked) { return SameLocation(r.location, asked); });
  }
};

// Location ascending and newest first, as a download is shown; then the rest of what makes
// a reading the same one, so that copies stand side by side.
bool Before(const Reading& a, const Reading& b) {
  if (const int order = a.location.compare(b.location); order != 0) return order < 0;
  if (a.timestamp != b.timestamp) return a.timestamp > b.timestamp;
  return std::tie(a.type, a.value, a.temperature) < std::tie(b.type, b.value, b.temperature);
}

bool Same(const Reading& a, const Reading& b) {
  return a.timestamp == b.timestamp && a.type == b.type && a.value == b.value && a.temperature == b.temperature &&
         a.location == b.location;
}

}  // namespace

bool ParseIsoDate(const std::string& text, CivilTime& date) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  int fields[3] = {};
  const int starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
  for (int f = 0; f < 3; ++f) {
    for (int i = starts[f]; i < starts[f] + lengths[f]; ++i) {
      const char c = text[static_cast<size_t>(i)];
      if (c < '0' || c > '9') return false;
      fields[f] = fields[f] * 10 + (c - '0');
    }
  }
  using namespace std::chrono;
  // Timestamps count from 1601, the first year they can hold.
  const year_month_day day{year{fields[0]}, month{static_cast<unsigned>(fields[1])},
                           std::chrono::day{static_cast<unsigned>(fields[2])}};
  if (fields[0] < 1601 || !day.ok()) return false;
  date = {fields[0], fields[1], fields[2], 0, 0};
  return true;
}

int32_t BuildHistory(const std::vector<KeptDownload>& kept, const HistoryFilter& filter, ReadingTable& table,
                     HistorySummary& what) {
  what = {};
  const Admits admits(filter);
  std::vector<Reading> merged;
  ReadingTable one;
  for (size_t d = 0; d < kept.size(); ++d) {
    const KeptDownload& download = kept[d];
    const int32_t valid = ReplayIntoTable(download, download.units, one);
    if (download.kind == MeterKind::DissolvedOxygen && download.units == UnitsNotAsked) {
      if (valid > 0) what.withoutUnits.push_back(d);
      continue;
    }
    const size_t before = merged.size();
    std::copy_if(one.readings.begin(), one.readings.begin() + valid, std::back_inserter(merged), admits);
    if (merged.size() == before) continue;
    for (auto r = merged.begin() + static_cast<std::ptrdiff_t>(before); r != merged.end(); ++r)
      r->meter = download.kind;
    what.downloads.push_back(d);
    if (std::find(what.meters.begin(), what.meters.end(), download.kind) == what.meters.end()) {
      what.meters.push_back(download.kind);
    }
  }
  std::sort(what.meters.begin(), what.meters.end());
  // Stable, so the copy kept of a reading is that of the first download holding it.
  std::stable_sort(merged.begin(), merged.end(), Before);
  merged.erase(std::unique(merged.begin(), merged.end(), Same), merged.end());

  table = ReadingTable{};
  table.readings = std::move(merged);
  table.count = static_cast<int32_t>(table.readings.size());
  table.sortPriority = LocationTime;
  if (!what.meters.empty()) table.meterKind = what.meters.front();
  for (const Reading& r : table.readings) {
    if (what.first == 0 || r.timestamp < what.first) what.first = r.timestamp;
    what.last = std::max(what.last, r.timestamp);
  }
  return table.count;
}
