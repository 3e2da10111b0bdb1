#include "ReadingGrid.h"

#include <stdexcept>
#include <utility>

#include "ReadingSort.h"
#include "ReadingTypes.h"
#include "Timestamp.h"

namespace {

constexpr GridField L = GridField::Location, Ty = GridField::Type, Ti = GridField::Time, V = GridField::Value;

// The columns of the mixed layouts by SortPriority, before the temperature. Single-type layouts
// show the same without the type column: their priorities (2 and 5) never put it first.
constexpr GridField kColumnSets[][4] = {
    {L, Ty, Ti, V},  // LocationTypeTime
    {L, Ti, V, Ty},  // LocationTime
    {Ty, L, Ti, V},  // TypeLocationTime
    {Ty, Ti, L, V},  // TypeTime
    {Ti, L, V, Ty},  // TimeOnly
};

GridColumn Column(GridField field, const ReadingTable& table, bool singleType) {
  switch (field) {
    case GridField::Location: return {"Location", 50, true, field};
    case GridField::Type: return {"Type(Units)", 60, true, field};
    case GridField::Time: return {"Time", 90, true, field};
    case GridField::Value:
      return singleType ? GridColumn{table.singleTypeLabel, 60, true, field} : GridColumn{"Reading", 50, true, field};
    case GridField::Temperature: break;
  }
  return {
      "Temp (\xC2\xB0"
      "C)",
      40, true, GridField::Temperature};
}

std::string Cell(GridField field, const Reading& reading, const RowTexts& texts, const Calendar& calendar) {
  switch (field) {
    case GridField::Location: return reading.location;
    case GridField::Type: return texts.label;
    case GridField::Time: return TimestampText(reading.timestamp, calendar);
    case GridField::Value: return texts.value;
    case GridField::Temperature: break;
  }
  return texts.temperature;
}

// Classifies the table, remaps its priority for a single type and sorts it; true for a
// single-type layout.
bool Arrange(ReadingTable& table) {
  table.gridLayout = classifyTable(table);
  const bool singleType = table.gridLayout == SingleType || table.gridLayout == SingleTypeTemp;
  if (table.sortPriority < LocationTypeTime || table.sortPriority > TimeOnly) table.sortPriority = LocationTime;
  if (singleType) table.sortPriority = SingleTypePriority(table.sortPriority);
  SortTable(table);
  table.shownLayout = table.gridLayout;
  return singleType;
}

using RowMaker = std::function<void(const ReadingTable& table, int32_t index, GridRows::Row& row)>;

// The rows of the arranged table, held or made when asked.
void FillRows(GridTexts& grid, ReadingTable& table, GridCells cells, const RowMaker& make) {
  if (cells == GridCells::Made) {
    grid.rows = GridRows(static_cast<size_t>(table.count),
                         [&table, make](size_t r, GridRows::Row& row) { make(table, static_cast<int32_t>(r), row); });
    return;
  }
  GridRows::Row row(grid.columns.size());
  for (int32_t i = 0; i < table.count; ++i) {
    make(table, i, row);
    // no-mutate(i == 0): room reserved changes only the speed
    if (i == 0) {  // rows differ little in length: room for all at once, not grown by copying
      size_t length = 0;
      for (const std::string& cell : row) length += cell.size() + 1;
      // no-mutate(3 / 2 + 8): room reserved changes only the speed
      grid.rows.reserve(static_cast<size_t>(table.count), static_cast<size_t>(table.count) * (length * 3 / 2 + 8));
    }
    grid.rows.push_back(row);
  }
}

}  // namespace

GridTexts fillGrid(ReadingTable& table, const Calendar& calendar, GridCells cells) {
  const bool singleType = Arrange(table);
  GridTexts grid;
  for (GridField field : kColumnSets[table.sortPriority - 1]) {
    if (!(singleType && field == GridField::Type)) grid.columns.push_back(Column(field, table, singleType));
  }
  if (table.gridLayout == SingleTypeTemp || table.gridLayout == MixedTypesTemp) {
    grid.columns.push_back(Column(GridField::Temperature, table, singleType));
  }
  grid.columns.front().centred = false;

  std::vector<GridField> fields;
  for (const GridColumn& column : grid.columns) fields.push_back(column.field);
  FillRows(grid, table, cells, [calendar, fields](const ReadingTable& t, int32_t i, GridRows::Row& row) {
    const RowTexts texts = rowTexts(t, i);
    row.resize(fields.size());
    for (size_t c = 0; c < fields.size(); ++c)
      row[c] = Cell(fields[c], t.readings[static_cast<size_t>(i)], texts, calendar);
  });
  return grid;
}

GridTexts fillIsoGrid(ReadingTable& table, const Calendar& calendar, GridCells cells) {
  Arrange(table);
  GridTexts grid;
  grid.columns = {{"location", 50, false, GridField::Location}, {"time", 90, true, GridField::Time},
                  {"type", 50, true, GridField::Type},          {"units", 40, true, GridField::Type},
                  {"value", 50, true, GridField::Value},        {"temperature", 40, true, GridField::Temperature}};
  FillRows(grid, table, cells, [calendar](const ReadingTable& t, int32_t i, GridRows::Row& row) {
    const Reading& reading = t.readings[static_cast<size_t>(i)];
    const ReadingType* type = FindReadingType(reading.type);
    const RowTexts texts = rowTexts(t, i);
    row = {reading.location,
           IsoTimestampText(reading.timestamp, calendar),
           type ? type->name : "unknown",
           type ? type->units : "",
           texts.value,
           texts.temperature};
  });
  return grid;
}

GridRows::GridRows(std::initializer_list<Row> rows) {
  for (const Row& row : rows) push_back(row);
}

GridRows::GridRows(size_t count, std::function<void(size_t r, Row& cells)> make)
    : made_(count), make_(std::move(make)) {}

GridRows::Row GridRows::at(size_t r) const {
  if (make_) {
    if (r >= made_) throw std::out_of_range("no grid row " + std::to_string(r));
    Row row;
    make_(r, row);
    return row;
  }
  std::vector<std::string_view> views;
  cells(r, views);
  return Row(views.begin(), views.end());
}

void GridRows::cells(size_t r, std::vector<std::string_view>& cells) const {
  if (make_) {
    if (r >= made_) throw std::out_of_range("no grid row " + std::to_string(r));
    make_(r, scratch_);
    cells.assign(scratch_.begin(), scratch_.end());
    return;
  }
  const size_t end = r + 1 < starts_.size() ? starts_.at(r + 1) : cells_.size();
  cells.clear();
  for (size_t at = starts_.at(r); at < end;) {
    const size_t nul = cells_.find('\0', at);
    cells.emplace_back(cells_.data() + at, nul - at);
    at = nul + 1;
  }
}

void GridRows::reserve(size_t rows, size_t characters) {
  starts_.reserve(rows);
  cells_.reserve(characters);
}

void GridRows::push_back(const Row& row) {
  starts_.push_back(cells_.size());
  for (const std::string& cell : row) cells_.append(cell).push_back('\0');
}

void GridRows::assign(size_t count, const Row& row) {
  clear();
  for (size_t i = 0; i < count; ++i) push_back(row);
}

void GridRows::clear() {
  cells_.clear();
  starts_.clear();
  made_ = 0;
  make_ = nullptr;
}

int ColumnCount(int32_t layout) {
  switch (layout) {
    case SingleType: return 3;
    case SingleTypeTemp:
    case MixedTypes: return 4;
    case MixedTypesTemp: return 5;
    default: return 1;  // no-mutate(1): no caller asks of a layout it does not know
  }
}
