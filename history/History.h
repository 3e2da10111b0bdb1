#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Calendar.h"
#include "KeptDownload.h"
#include "ReadingTable.h"
#include "ReadingTypes.h"

// Which readings of the kept downloads a history holds. An empty list lets every location or
// type through; the dates are local and both ends count.
struct HistoryFilter {
  std::vector<std::string> locations;  // as the meter logged them; case does not matter
  std::vector<uint16_t> types;         // reading type codes
  std::optional<CivilTime> since, until;
};

// A location as a meter logs it, letters in upper case: how one asked for in any case is found.
std::string LoggedLocation(std::string asked);

// A calendar date written YYYY-MM-DD, and nothing else: false for any other text or a day
// the calendar does not have.
bool ParseIsoDate(const std::string& text, CivilTime& date);

// What a history covers, for its heading and for what the user is told.
struct HistorySummary {
  std::vector<size_t> downloads;        // indexes of the kept downloads that gave a reading, in order
  std::vector<MeterKind> meters;        // the kinds of meter of those downloads, each once
  int64_t first = 0, last = 0;          // the earliest and latest reading; 0 for an empty history
  int64_t firstRead = 0, lastRead = 0;  // the days those downloads were read, as timestamps
  // Dissolved-oxygen downloads kept without a units answer: their values cannot be decoded
  // until the user says the units, so they are left out.
  std::vector<size_t> withoutUnits;
};

// Every valid reading of the kept downloads that the filter lets through, merged so that the
// history of one download is that download's own table:
// - a reading (same location, type, time, value and temperature) counts as many times as the
//   one download that holds it most often, with the meter of the first download holding it;
// - a record whose registers equal those of a record of an earlier download of the same kind
//   of meter is that same record, read again, at the earlier download's placement: a meter
//   still holding last year's records would otherwise have them placed in this year too.
// The downloads are added oldest first, one at a time, and need not be held after.
class HistoryBuilder {
 public:
  explicit HistoryBuilder(const HistoryFilter& filter);
  ~HistoryBuilder();
  HistoryBuilder(const HistoryBuilder&) = delete;
  HistoryBuilder& operator=(const HistoryBuilder&) = delete;

  void Add(const KeptDownload& download);
  // Once, after the last download. The table holds the readings, sorted by location and newest time first (ties in the
  // order the downloads hold them), ready for fillGrid; returns their count.
  int32_t Finish(ReadingTable& table, HistorySummary& what);

 private:
  struct Merge;
  std::unique_ptr<Merge> merge_;
};

// The history of downloads already in memory.
int32_t BuildHistory(const std::vector<KeptDownload>& kept, const HistoryFilter& filter, ReadingTable& table,
                     HistorySummary& what);
