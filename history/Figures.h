#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Calendar.h"
#include "Limits.h"
#include "ReadingGrid.h"
#include "ReadingTable.h"

// The figures of a monthly report: each location's readings of a type, a day or a month at a
// time, in the meter's local time.
enum class Period { Day, Month };

struct Figure {
  std::string location;
  uint16_t type = 0;
  MeterKind meter = MeterKind::MultiParameter;  // of its first reading: how the type is labelled
  int64_t start = 0;                            // the day's or the month's first moment
  size_t readings = 0;
  float least = 0, greatest = 0;
  double sum = 0;
  size_t daysPast = 0;  // days with a reading past its limit
};

// By location, type and period, oldest first.
std::vector<Figure> PeriodFigures(const ReadingTable& table, Period period, const std::vector<Limit>& limits);

// The figures as a table for the writers of a history: a row each, its time the period's start,
// and the grid's columns Location, Type(Units), Day or Month, Readings, Minimum, Mean, Maximum
// and, with limits, Days past a limit; numbers in their type's form.
void FigureTable(const std::vector<Figure>& figures, Period period, bool withLimits, const Calendar& calendar,
                 ReadingTable& table, GridTexts& grid);
