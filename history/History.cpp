#include "History.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <functional>

#include "LoggedReading.h"
#include "ReadingSort.h"
#include "Timestamp.h"

std::string LoggedLocation(std::string asked) {
  for (char& c : asked) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  return asked;
}

namespace {

// The filter as a test on one reading; the dates become a half-open range of timestamps.
struct Admits {
  HistoryFilter filter;
  int64_t from = INT64_MIN, before = INT64_MAX;

  // The locations asked for as they are logged, found by a plain comparison.
  explicit Admits(const HistoryFilter& f) : filter(f) {
    for (std::string& asked : filter.locations) asked = LoggedLocation(asked);
    if (f.since) from = TimestampOf({f.since->year, f.since->month, f.since->day, 0, 0});
    if (f.until) before = TimestampOf({f.until->year, f.until->month, f.until->day, 0, 0}) + kTicksPerDay;
  }

  bool operator()(const Reading& r) const {
    if (r.timestamp < from || r.timestamp >= before) return false;
    if (!filter.types.empty() && std::find(filter.types.begin(), filter.types.end(), r.type) == filter.types.end()) {
      return false;
    }
    return filter.locations.empty() ||
           std::find(filter.locations.begin(), filter.locations.end(), r.location) != filter.locations.end();
  }
};

// A record as the meter holds it, whatever year a download places it in: its kind and its
// registers, packed so that comparing and hashing are a few words.
struct Record {
  uint64_t low = 0, high = 0;
  uint32_t kind = 0;

  Record(MeterKind meter, const std::vector<uint16_t>& registers) : kind(static_cast<uint32_t>(meter)) {
    // no-mutate(i < 8): a record has at most 8 registers
    for (size_t i = 0; i < registers.size() && i < 8; ++i)
      (i < 4 ? low : high) |= uint64_t{registers[i]} << (16 * (i % 4));
    kind |= static_cast<uint32_t>(registers.size()) << 8;
  }
  bool operator==(const Record& other) const { return low == other.low && high == other.high && kind == other.kind; }
};

uint32_t Bits(float f) {
  uint32_t bits = 0;  // no-mutate(0): the copy sets every bit
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

// A running hash: each part mixed in, and its bits spread so that the low ones differ.
uint64_t Mix(uint64_t h, uint64_t part) {
  h = (h ^ part) * 0x9E3779B97F4A7C15u;
  return h ^ (h >> 29);
}

// An open-addressed set of positions in a list, hashed and compared by what they point at: no
// node a member, so a million readings cost a few bytes each. Each slot keeps its item's hash
// too, so that a probe reads the list only for an item that is likely the same.
template <typename Hash, typename Same>
class PositionSet {
 public:
  PositionSet(Hash hash, Same same) : hash_(hash), same_(same), slots_(1024) {}

  // The position held already of an item the same as that at `candidate`; else `candidate`,
  // held from now on.
  uint32_t Insert(uint32_t candidate) {
    if ((held_ + 1) * 2 > slots_.size()) Grow();
    const auto hash = static_cast<uint32_t>(hash_(candidate));
    size_t at = hash & (slots_.size() - 1);
    for (; slots_[at].position != kEmpty; at = (at + 1) & (slots_.size() - 1)) {
      if (slots_[at].hash == hash && same_(slots_[at].position, candidate)) return slots_[at].position;
    }
    slots_[at] = {candidate, hash};
    ++held_;
    return candidate;
  }

 private:
  static constexpr uint32_t kEmpty = UINT32_MAX;
  struct Slot {
    uint32_t position = kEmpty;
    uint32_t hash = 0;
  };

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.position == kEmpty) continue;
      size_t at = slot.hash & (slots_.size() - 1);
      while (slots_[at].position != kEmpty) at = (at + 1) & (slots_.size() - 1);
      slots_[at] = slot;
    }
  }

  Hash hash_;
  Same same_;
  std::vector<Slot> slots_;
  size_t held_ = 0;
};

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
  explicit Merge(const HistoryFilter& filter)
      : admits(filter), distinct(ReadingHash{this}, SameReading{this}), placed(RecordHash{this}, SameRecord{this}) {}

  struct ReadingHash {
    const Merge* m;
    uint64_t operator()(uint32_t i) const {
      const Reading& r = m->readings[i];
      uint64_t h = Mix(Mix(Mix(std::hash<std::string>()(r.location), static_cast<uint64_t>(r.timestamp)), r.type),
                       uint64_t{Bits(r.value)} << 32 | Bits(r.temperature));
      return h;
    }
  };
  struct SameReading {
    const Merge* m;
    bool operator()(uint32_t i, uint32_t j) const {
      const Reading &a = m->readings[i], &b = m->readings[j];
      return a.timestamp == b.timestamp && a.type == b.type && Bits(a.value) == Bits(b.value) &&
             Bits(a.temperature) == Bits(b.temperature) && a.location == b.location;
    }
  };
  struct RecordHash {
    const Merge* m;
    uint64_t operator()(uint32_t i) const {
      const Record& r = m->records[i].record;
      return Mix(Mix(Mix(r.kind, r.low), r.high), 0);
    }
  };
  struct SameRecord {
    const Merge* m;
    bool operator()(uint32_t i, uint32_t j) const { return m->records[i].record == m->records[j].record; }
  };

  // Takes one more reading of the download being added, unless earlier downloads hold it as
  // often as this one does so far; returns the position of its first copy.
  uint32_t Take(Reading&& reading) {
    const auto candidate = static_cast<uint32_t>(readings.size());
    readings.push_back(std::move(reading));
    const uint32_t first = distinct.Insert(candidate);
    if (first == candidate) {
      held.push_back({1, added, 1});
    } else {
      readings.pop_back();
      Count(first);
    }
    return first;
  }

  // One more copy in this download of the reading first held at `first`.
  void Count(uint32_t first) {
    Held& h = held[first];
    if (h.by != added) h.by = added, h.here = 0;
    if (++h.here > h.copies) {
      h.copies = h.here;
      readings.push_back(readings[first]);
      held.push_back({});  // a further copy, counted with the first
    }
  }

  const Admits admits;
  std::vector<Reading> readings;
  // Of each first copy: how many the history holds, and how many the latest download that
  // holds it holds (that download marked by the count of downloads added up to it).
  struct Held {
    uint32_t copies = 0, by = 0, here = 0;
  };
  std::vector<Held> held;
  PositionSet<ReadingHash, SameReading> distinct;
  // Each record once, with what it gave when first decoded in the units of the download that
  // read it last: the same registers always give the same reading, at their first placement,
  // so a record read again (most are: a meter holds its records until cleared) is not decoded.
  enum Outcome : uint32_t { kUndecoded = UINT32_MAX, kInvalid = UINT32_MAX - 1, kFilteredOut = UINT32_MAX - 2 };
  static constexpr int64_t kUnplaced = INT64_MIN;
  struct PlacedRecord {
    Record record;
    int32_t units = UnitsNotAsked;
    uint32_t outcome = kUndecoded;  // else the position of the reading's first copy
    int64_t placement = kUnplaced;  // where it was first placed with a valid reading
  };
  std::vector<PlacedRecord> records;
  PositionSet<RecordHash, SameRecord> placed;
  HistorySummary what;
  uint32_t added = 0;
};

HistoryBuilder::HistoryBuilder(const HistoryFilter& filter) : merge_(std::make_unique<Merge>(filter)) {}

HistoryBuilder::~HistoryBuilder() = default;

void HistoryBuilder::Add(const KeptDownload& download) {
  Merge& m = *merge_;
  const size_t d = m.added++;  // from here on, `added` marks what this download holds
  // A dissolved-oxygen value cannot be decoded without its units: such a download is left out.
  const bool withoutUnits = download.kind == MeterKind::DissolvedOxygen && download.units == UnitsNotAsked;
  // Only dissolved oxygen reads its records by the units.
  const int32_t units = download.kind == MeterKind::DissolvedOxygen ? download.units : UnitsNotAsked;
  const std::function<int32_t()> noQuestion;
  bool valid = false, gave = false;  // valid: of a download left out for want of its units
  for (const std::vector<uint16_t>& registers : download.records) {
    if (withoutUnits) {
      Reading reading;
      int32_t none = UnitsNotAsked;
      DecodeRecord(registers, download.kind, download.moment.time, none, noQuestion, reading);
      valid = valid || reading.discard == 0;
      continue;
    }
    const auto candidate = static_cast<uint32_t>(m.records.size());
    m.records.push_back({Record(download.kind, registers)});
    const uint32_t at = m.placed.Insert(candidate);
    if (at != candidate) m.records.pop_back();
    Merge::PlacedRecord& placed = m.records[at];
    if (placed.outcome == Merge::kUndecoded || placed.units != units) {
      Reading reading;
      int32_t asked = download.units;
      DecodeRecord(registers, download.kind, download.moment.time, asked, noQuestion, reading);
      if (reading.discard == 0 && placed.placement == Merge::kUnplaced) placed.placement = reading.timestamp;
      placed.units = units;
      reading.timestamp = placed.placement;
      reading.meter = download.kind;
      placed.outcome = reading.discard != 0 ? Merge::kInvalid
                       : m.admits(reading)  ? m.Take(std::move(reading))
                                            : Merge::kFilteredOut;
    } else if (placed.outcome < Merge::kFilteredOut) {
      m.Count(placed.outcome);
    }
    gave = gave || placed.outcome < Merge::kFilteredOut;
  }
  if (withoutUnits && valid) m.what.withoutUnits.push_back(d);
  if (!gave) return;
  m.what.downloads.push_back(d);
  const int64_t read = TimestampOf(download.moment.time);
  m.what.firstRead = m.what.downloads.size() == 1 ? read : std::min(m.what.firstRead, read);
  m.what.lastRead = std::max(m.what.lastRead, read);
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
