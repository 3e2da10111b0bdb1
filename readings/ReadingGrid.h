#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Calendar.h"
#include "ReadingTable.h"

// What a grid column shows of each reading; the spreadsheet writer formats by it.
enum class GridField { Location, Type, Time, Value, Temperature };

struct GridColumn {
  std::string header;  // UTF-8
  int width;           // dialog units of the data window
  bool centred;        // otherwise left-aligned (column 1 only)
  GridField field;
};

// Everything the grid shows, for the list view and the command-line writers alike:
// rows[r][c] is the text of column c for the reading at table index r.
struct GridTexts {
  std::vector<GridColumn> columns;
  std::vector<std::vector<std::string>> rows;
};

// Classifies the table, remaps sortPriority for a single type, sorts the readings in place,
// and returns the columns and cell texts; shownLayout becomes gridLayout. A sortPriority
// outside 1 to 5 is taken as LocationTime.
GridTexts fillGrid(ReadingTable& table, const Calendar& calendar);

// How many columns a GridLayout has; 1 for the shownLayout 0 of a grid never filled. The list
// view reads it from shownLayout before a fill to know which columns to delete.
int ColumnCount(int32_t layout);
