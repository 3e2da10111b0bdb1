#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Figures.h"
#include "Tables.h"

namespace {

const Calendar kFiguresCalendar = UsCalendar({2025, 7, 1, 9, 0});

// Each location's readings of a type a day or a month: their count, least, mean and greatest,
// and the days of a month with a reading past its limit, each day once.
TEST(Figures, DaysAndMonthsOfEachLocationAndType) {
  std::vector<Limit> limits;
  std::string error;
  ASSERT_TRUE(ParseLimits("ph: below 6.5\n", limits, error));
  ReadingTable table = Table(MeterKind::MultiParameter,
                             {At("A", 38, 7, 20, {2025, 5, 31, 23, 59}), At("A", 38, 6, 20, {2025, 6, 1, 0, 0}),
                              At("A", 38, 6.2f, 20, {2025, 6, 1, 23, 59}), At("A", 38, 7.3f, 20, {2025, 6, 2, 8, 0}),
                              At("A", 38, 6.4f, 20, {2025, 6, 30, 8, 0}), At("A", 294, -150, 20, {2025, 6, 1, 8, 0}),
                              At("B", 38, 8, 20, {2025, 6, 1, 8, 0})});
  const struct {
    Period period;
    std::vector<std::string> rows;  // location, type, start, readings, least, mean, greatest, days past
  } cases[] = {
      {Period::Day,
       {"A pH 5/31/2025 1 7.00 7.00 7.00 0", "A pH 6/1/2025 2 6.00 6.10 6.20 1", "A pH 6/2/2025 1 7.30 7.30 7.30 0",
        "A pH 6/30/2025 1 6.40 6.40 6.40 1", "A ORP (mV-U.S.) 6/1/2025 1 -150 -150 -150 0",
        "B pH 6/1/2025 1 8.00 8.00 8.00 0"}},
      {Period::Month,
       {"A pH 2025-05 1 7.00 7.00 7.00 0", "A pH 2025-06 4 6.00 6.47 7.30 2",
        "A ORP (mV-U.S.) 2025-06 1 -150 -150 -150 0", "B pH 2025-06 1 8.00 8.00 8.00 0"}},
  };
  for (const auto& c : cases) {
    ReadingTable figureTable;
    GridTexts grid;
    FigureTable(PeriodFigures(table, c.period, limits), c.period, true, kFiguresCalendar, figureTable, grid);
    ASSERT_EQ(grid.rows.size(), c.rows.size());
    for (size_t r = 0; r < c.rows.size(); ++r) {
      std::string row;
      for (const std::string& cell : grid.rows[r]) row += (row.empty() ? "" : " ") + cell;
      EXPECT_EQ(row, c.rows[r]);
    }
    // The writers' time column is each period's first moment.
    EXPECT_EQ(figureTable.readings[1].timestamp, TimestampOf({2025, 6, 1, 0, 0}));
  }
  ReadingTable figureTable;
  GridTexts grid;
  FigureTable(PeriodFigures(table, Period::Month, {}), Period::Month, false, kFiguresCalendar, figureTable, grid);
  EXPECT_EQ(grid.columns.size(), 7u);
}

}  // namespace
