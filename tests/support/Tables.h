#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Ansi.h"
#include "ReadingGrid.h"
#include "SaveFrame.h"
#include "Timestamp.h"

// Tables of readings made by hand, and the files a grid of them saves.

inline Reading At(const char* location, uint16_t type, float value, float temperature, CivilTime time) {
  return Reading{TimestampOf(time), location, value, type, temperature, 0};
}

inline ReadingTable Table(MeterKind kind, std::vector<Reading> readings, int32_t priority = LocationTime) {
  ReadingTable table;
  table.meterKind = kind;
  table.readings = std::move(readings);
  table.count = static_cast<int32_t>(table.readings.size());
  table.sortPriority = priority;
  return table;
}

// A United States short date on a fixed day.
inline Calendar UsCalendar(CivilTime today) {
  return {[today] { return today; }, [](const CivilTime& d) { return FormatDatePicture("M/d/yyyy", d); }};
}

// The bytes of a table's grid in one format: the given rows, or all of them.
inline std::string Saved(SaveFormat format, ReadingTable& table, const Calendar& calendar,
                         std::vector<int32_t> rows = {}, const TextForm& form = {}) {
  const GridTexts grid = fillGrid(table, calendar);
  if (rows.empty()) {
    for (int32_t r = 1; r <= table.count; ++r) rows.push_back(r);
  }
  return SaveFileBytes(format, table, grid, rows, Utf8ToWindows1252, form);
}

inline std::vector<std::string> EveryFormat(ReadingTable& table, const Calendar& calendar) {
  std::vector<std::string> files;
  for (SaveFormat format : {SaveFormat::Spreadsheet, SaveFormat::CommaDelimited, SaveFormat::TabDelimited,
                            SaveFormat::ColumnText, SaveFormat::Workbook}) {
    files.push_back(Saved(format, table, calendar));
  }
  return files;
}
