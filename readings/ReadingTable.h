#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which meter the readings came from; it fixes the record layout, the label of code 35
// and the data window's title.
enum class MeterKind { DissolvedOxygen, SuspendedSolids, MultiParameter };

// Which columns the grid, the files and the printout have.
enum GridLayout : int32_t {
  SingleType = 1,      // one type without temperature: 3 columns
  SingleTypeTemp = 2,  // one type with temperature: 4 columns
  MixedTypes = 3,      // several types, none with temperature: 4 columns
  MixedTypesTemp = 4,  // several types, at least one with temperature: 5 columns
};

// The order of the readings; the first key is always the grid's first column.
enum SortPriority : int32_t {
  LocationTypeTime = 1,
  LocationTime = 2,
  TypeLocationTime = 3,
  TypeTime = 4,
  TimeOnly = 5,
};

// One logged reading.
struct Reading {
  int64_t timestamp = 0;  // 100-ns ticks since 1601-01-01 in the meter's local time, whole minutes
  std::string location;   // 1 to 6 of 0-9, A-Z and space, no leading or trailing space
  float value = 0;        // in the units of its type
  uint16_t type = 0;      // reading type code
  float temperature = 0;  // degrees Celsius, -99.9 to 99.9; 0 from the suspended-solids meter
  int32_t discard = 0;    // 1: dropped at the next compaction
  // The meter of a reading in a history, which merges several meters; empty in a download,
  // where the table's meterKind holds.
  std::optional<MeterKind> meter = std::nullopt;
};

// The one table of the download and how it is presented.
struct ReadingTable {
  static constexpr int kCapacity = 250;  // the most records any meter holds

  std::vector<Reading> readings = std::vector<Reading>(kCapacity);
  int32_t count = 0;            // readings held, the number of grid rows
  int32_t gridLayout = 0;       // a GridLayout, set by every grid fill
  int32_t shownLayout = 0;      // the GridLayout whose columns the grid has; 0 before the first fill
  int32_t sortPriority = 0;     // a SortPriority
  std::string singleTypeLabel;  // the value column's header of a single-type layout
  int32_t dataSaved = 0;        // 1 once written to a file
  MeterKind meterKind = MeterKind::DissolvedOxygen;  // of the download that filled the table
};

// Keeps, in order, the readings among the first n slots whose discard is 0, and returns how
// many. When any are kept the table holds exactly those; when none are, it is left as it was
// apart from count, which becomes 0.
int32_t Compaction(ReadingTable& table, int32_t n);
