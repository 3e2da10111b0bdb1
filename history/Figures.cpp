#include "Figures.h"

#include <algorithm>
#include <cstdio>

#include "ReadingTypes.h"
#include "Timestamp.h"

namespace {

int64_t PeriodStart(int64_t timestamp, Period period) {
  if (period == Period::Day) return timestamp - timestamp % kTicksPerDay;
  const CivilTime t = CivilTimeOf(timestamp);
  return TimestampOf({t.year, t.month, 1, 0, 0});
}

std::string PeriodText(int64_t start, Period period, const Calendar& calendar) {
  const CivilTime t = CivilTimeOf(start);
  if (period == Period::Day) return calendar.shortDate(t);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d", t.year, t.month);
  return text;
}

}  // namespace

std::vector<Figure> PeriodFigures(const ReadingTable& table, Period period, const std::vector<Limit>& limits) {
  const std::vector<uint32_t> order = ByLocationTypeTime(table);
  std::vector<Figure> figures;
  const Limit* limit = nullptr;
  int64_t lastPastDay = -1;
  for (const uint32_t i : order) {
    const Reading& r = table.readings[i];
    const int64_t start = PeriodStart(r.timestamp, period);
    if (figures.empty() || figures.back().location != r.location || figures.back().type != r.type ||
        figures.back().start != start) {
      if (figures.empty() || figures.back().location != r.location || figures.back().type != r.type) {
        limit = LimitOf(limits, r.type, r.location);
      }
      figures.push_back({r.location, r.type, r.meter.value_or(table.meterKind), start, 0, r.value, r.value, 0, 0});
      lastPastDay = -1;
    }
    Figure& f = figures.back();
    ++f.readings;
    f.least = std::min(f.least, r.value);
    f.greatest = std::max(f.greatest, r.value);
    f.sum += r.value;
    const int64_t day = PeriodStart(r.timestamp, Period::Day);
    if (limit != nullptr && day != lastPastDay && PastLimit(*limit, r.type, r.value) != 0) {
      ++f.daysPast;
      lastPastDay = day;
    }
  }
  return figures;
}

void FigureTable(const std::vector<Figure>& figures, Period period, bool withLimits, const Calendar& calendar,
                 ReadingTable& table, GridTexts& grid) {
  table = ReadingTable{};
  table.readings.clear();
  grid = GridTexts{};
  grid.columns = {{"Location", 50, false, GridField::Location},
                  {"Type(Units)", 60, true, GridField::Type},
                  {period == Period::Day ? "Day" : "Month", 90, true, GridField::Time},
                  {"Readings", 50, true, GridField::Value},
                  {"Minimum", 50, true, GridField::Value},
                  {"Mean", 50, true, GridField::Value},
                  {"Maximum", 50, true, GridField::Value}};
  if (withLimits) grid.columns.push_back({"Days past a limit", 50, true, GridField::Value});
  for (const Figure& f : figures) {
    const ReadingType* type = FindReadingType(f.type);
    if (type == nullptr) continue;  // no-mutate(==): every reading kept is of a known type
    Reading& r = table.readings.emplace_back();
    r.timestamp = f.start;
    r.location = f.location;
    r.type = f.type;
    r.value = static_cast<float>(f.sum / static_cast<double>(f.readings));
    r.meter = f.meter;
    GridRows::Row row = {f.location,
                         RowLabel(*type, f.meter),
                         PeriodText(f.start, period, calendar),
                         std::to_string(f.readings),
                         ValueText(*type, f.least),
                         ValueText(*type, r.value),
                         ValueText(*type, f.greatest)};
    if (withLimits) row.push_back(std::to_string(f.daysPast));
    grid.rows.push_back(row);
  }
  table.count = static_cast<int32_t>(grid.rows.size());
}
