#include "History.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "LoggedReading.h"
#include "ReadingSort.h"
#include "Timestamp.h"

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameLocation(const std::string& logged, const std::string& asked) {
  return logged.size() == asked.size() &&
         std::equal(logged.begin(), logged.end(), asked.begin(), [](char a, char b) { return a == Upper(b); });
}

// The filter as a test on one reading; the dates become a half-open range of timestamps.
struct Admits {
  const HistoryFilter filter;
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

// A record as the meter holds it, whatever year a download places it in.
struct Record {
  MeterKind kind;
  std::array<uint16_t, 8> registers{};

  bool operator==(const Record& other) const { return kind == other.kind && registers == other.registers; }
};

struct RecordHash {
  size_t operator()(const Record& r) const {
    size_t h = static_cast<size_t>(r.kind);
    for (uint16_t word : r.registers) h = h * 1000003u ^ word;
    return h;
  }
};

uint32_t Bits(float f) {
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
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

// What the merge keeps per reading: the readings in the order first held, and an index of the
// distinct ones, by position in that list so that no reading is held twice.
struct HistoryBuilder::Merge {
  explicit Merge(const HistoryFilter& filter) : admits(filter), distinct(0, Hash{this}, Equal{this}) {}

  struct Hash {
    const Merge* merge;
    size_t operator()(uint32_t i) const {
      const Reading& r = merge->readings[i];
      size_t h = std::hash<std::string>()(r.location);
      for (uint64_t part : {static_cast<uint64_t>(r.timestamp), uint64_t{r.type}, uint64_t{Bits(r.value)},
                            uint64_t{Bits(r.temperature)}}) {
        h = h * 1000003u ^ std::hash<uint64_t>()(part);
      }
      return h;
    }
  };
  struct Equal {
    const Merge* merge;
    bool operator()(uint32_t i, uint32_t j) const {
      const Reading &a = merge->readings[i], &b = merge->readings[j];
      return a.timestamp == b.timestamp && a.type == b.type && Bits(a.value) == Bits(b.value) &&
             Bits(a.temperature) == Bits(b.temperature) && a.location == b.location;
    }
  };

  // Takes one more reading of the download being added, unless earlier downloads hold it as
  // often as this one does so far.
  void Take(Reading&& reading) {
    const auto index = static_cast<uint32_t>(readings.size());
    readings.push_back(std::move(reading));
    const auto [first, fresh] = distinct.insert(index);
    uint32_t& here = heldHere[*first];
    if (fresh) {
      copies.push_back(here = 1);
    } else if (++here > copies[*first]) {
      copies[*first] = here;
      copies.push_back(0);  // a further copy, counted with the first
    } else {
      readings.pop_back();
    }
  }

  const Admits admits;
  std::vector<Reading> readings;
  std::vector<uint32_t> copies;  // of each first copy, how many the history holds
  std::unordered_set<uint32_t, Hash, Equal> distinct;
  std::unordered_map<uint32_t, uint32_t> heldHere;         // by first copy, in the download being added
  std::unordered_map<Record, int64_t, RecordHash> placed;  // where each record was first placed
  HistorySummary what;
  size_t added = 0;
};

HistoryBuilder::HistoryBuilder(const HistoryFilter& filter) : merge_(std::make_unique<Merge>(filter)) {}

HistoryBuilder::~HistoryBuilder() = default;

void HistoryBuilder::Add(const KeptDownload& download) {
  Merge& m = *merge_;
  const size_t d = m.added++;
  // A dissolved-oxygen value cannot be decoded without its units: such a download is left out.
  const bool withoutUnits = download.kind == MeterKind::DissolvedOxygen && download.units == UnitsNotAsked;
  int32_t units = download.units;
  const std::function<int32_t()> noQuestion;
  bool valid = false, gave = false;
  m.heldHere.clear();
  for (const std::vector<uint16_t>& registers : download.records) {
    Reading reading;
    DecodeRecord(registers, download.kind, download.moment.time, units, noQuestion, reading);
    if (reading.discard != 0) continue;
    valid = true;
    if (withoutUnits) continue;
    Record record{download.kind, {}};
    std::copy_n(registers.begin(), std::min(registers.size(), record.registers.size()), record.registers.begin());
    reading.timestamp = m.placed.try_emplace(record, reading.timestamp).first->second;
    if (!m.admits(reading)) continue;
    reading.meter = download.kind;
    m.Take(std::move(reading));
    gave = true;
  }
  if (withoutUnits && valid) m.what.withoutUnits.push_back(d);
  if (!gave) return;
  m.what.downloads.push_back(d);
  if (std::find(m.what.meters.begin(), m.what.meters.end(), download.kind) == m.what.meters.end()) {
    m.what.meters.push_back(download.kind);
  }
}

int32_t HistoryBuilder::Finish(ReadingTable& table, HistorySummary& what) {
  Merge& m = *merge_;
  what = std::move(m.what);
  std::sort(what.meters.begin(), what.meters.end());
  table = ReadingTable{};
  table.readings = std::move(m.readings);
  table.count = static_cast<int32_t>(table.readings.size());
  table.sortPriority = LocationTime;
  // Stable, so readings level in location and time stand as the downloads hold them.
  SortTable(table);
  if (!what.meters.empty()) table.meterKind = what.meters.front();
  for (const Reading& r : table.readings) {
    if (what.first == 0 || r.timestamp < what.first) what.first = r.timestamp;
    what.last = std::max(what.last, r.timestamp);
  }
  return table.count;
}

int32_t BuildHistory(const std::vector<KeptDownload>& kept, const HistoryFilter& filter, ReadingTable& table,
                     HistorySummary& what) {
  HistoryBuilder builder(filter);
  for (const KeptDownload& download : kept) builder.Add(download);
  return builder.Finish(table, what);
}
