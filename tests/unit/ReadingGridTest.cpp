#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "Tables.h"
#include "Timestamp.h"

namespace {

const Calendar kReadingGridCalendar = UsCalendar({2024, 3, 10, 8, 0});

// "header width" per column, "<" after a left-aligned one, and the fields as letters.
std::string Describe(const GridTexts& grid) {
  std::string text;
  for (const GridColumn& column : grid.columns) {
    text += column.header + " " + std::to_string(column.width) + (column.centred ? "" : "<") + ", ";
  }
  for (const GridColumn& column : grid.columns) text += "LYTVC"[static_cast<int>(column.field)];
  return text;
}

TEST(FillGrid, ColumnsOfEveryLayoutAndPriority) {
  // A single type shows no type column, so its priority is remapped; a type with temperature
  // adds the temperature column last, whatever the order. The layout follows the types held, and
  // only those: what lies past the count is no reading.
  struct Case {
    std::initializer_list<uint16_t> types;
    SortPriority priority, shownPriority;
    const char* columns;
  } cases[] = {
      {{35, 35}, TypeLocationTime, LocationTime, "Location 50<, Time 90, SS (mg/l) 60, LTV"},
      {{35, 35}, TypeTime, TimeOnly, "Time 90<, Location 50, SS (mg/l) 60, TLV"},
      {{286}, TypeTime, TimeOnly, "Time 90<, Location 50, D.O. (%Sat) 60, Temp (°C) 40, TLVC"},
      {{34, 35}, LocationTypeTime, LocationTypeTime, "Location 50<, Type(Units) 60, Time 90, Reading 50, LYTV"},
      {{34, 35}, LocationTime, LocationTime, "Location 50<, Time 90, Reading 50, Type(Units) 60, LTVY"},
      {{34, 35}, TypeLocationTime, TypeLocationTime, "Type(Units) 60<, Location 50, Time 90, Reading 50, YLTV"},
      {{34, 35}, TypeTime, TypeTime, "Type(Units) 60<, Time 90, Location 50, Reading 50, YTLV"},
      {{34, 35}, TimeOnly, TimeOnly, "Time 90<, Location 50, Reading 50, Type(Units) 60, TLVY"},
      {{294, 550}, TimeOnly, TimeOnly, "Time 90<, Location 50, Reading 50, Type(Units) 60, Temp (°C) 40, TLVYC"},
  };
  for (const Case& c : cases) {
    ReadingTable table;
    for (uint16_t type : c.types) table.readings[static_cast<size_t>(table.count++)] = Reading{0, "A", 1, type, 0, 0};
    table.sortPriority = c.priority;
    const GridTexts grid = fillGrid(table, kReadingGridCalendar);
    EXPECT_EQ(Describe(grid), c.columns) << c.priority;
    EXPECT_EQ(table.sortPriority, c.shownPriority) << c.columns;
    EXPECT_EQ(table.shownLayout, table.gridLayout) << c.columns;
    EXPECT_EQ(ColumnCount(table.shownLayout), static_cast<int>(grid.columns.size())) << c.columns;
  }
}

// A grid that makes its rows when asked shows what one that holds them shows, row for row.
TEST(FillGrid, RowsMadeWhenAskedAreTheRowsHeld) {
  ReadingTable table;
  const Reading readings[] = {
      {0, "B", 7.25f, 294, 21.5f, 0}, {kTicksPerDay, "A", 180, 550, 0, 0}, {2 * kTicksPerDay, "A", 3.5f, 35, 0, 0}};
  for (const Reading& r : readings) table.readings[static_cast<size_t>(table.count++)] = r;
  table.sortPriority = TypeTime;
  ReadingTable copy = table;
  const GridTexts held = fillGrid(table, kReadingGridCalendar);
  const GridTexts made = fillGrid(copy, kReadingGridCalendar, GridCells::Made);
  ASSERT_EQ(made.rows.size(), 3u);
  std::vector<std::string_view> cells;
  for (size_t r = 0; r < 3; ++r) {
    EXPECT_EQ(made.rows[r], held.rows[r]) << r;
    made.rows.cells(r, cells);
    EXPECT_EQ(GridRows::Row(cells.begin(), cells.end()), held.rows[r]) << r;
  }
  EXPECT_THROW(made.rows.at(3), std::out_of_range);
}

}  // namespace
