#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
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

// The cell texts of the rows, each row kept as one string of its cells, so that a download's
// rows cost their characters and little more; a row comes back as its cells. No cell text
// holds a NUL character. Rows may instead be made each time they are asked for, so that a
// history of a million rows, which only a writer reads, costs nothing to hold.
class GridRows {
 public:
  using Row = std::vector<std::string>;

  class Iterator {
   public:
    Iterator(const GridRows& rows, size_t at) : rows_(&rows), at_(at) {}
    Row operator*() const { return rows_->at(at_); }
    Iterator& operator++() { return ++at_, *this; }
    bool operator!=(const Iterator& other) const { return at_ != other.at_; }

   private:
    const GridRows* rows_;
    size_t at_;
  };

  GridRows() = default;
  GridRows(std::initializer_list<Row> rows);
  // `count` rows, row r made by `make` into the cells it is given whenever it is asked for.
  GridRows(size_t count, std::function<void(size_t r, Row& cells)> make);

  size_t size() const { return make_ ? made_ : starts_.size(); }
  bool empty() const { return size() == 0; }
  Row at(size_t r) const;  // std::out_of_range past the last row
  // The cells of row r as views of the texts held, into `cells`, which a caller reuses row after
  // row; std::out_of_range past the last row. Views of made rows last until the next call.
  void cells(size_t r, std::vector<std::string_view>& cells) const;
  Row operator[](size_t r) const { return at(r); }
  Iterator begin() const { return {*this, 0}; }
  Iterator end() const { return {*this, size()}; }

  void push_back(const Row& row);
  void reserve(size_t rows, size_t characters);
  void assign(size_t count, const Row& row);
  void clear();

 private:
  std::string cells_;  // every cell, each ended by a NUL
  std::vector<size_t> starts_;
  size_t made_ = 0;
  std::function<void(size_t r, Row& cells)> make_;
  mutable Row scratch_;
};

// Everything the grid shows, for the list view and the command-line writers alike:
// rows[r][c] is the text of column c for the reading at table index r.
struct GridTexts {
  std::vector<GridColumn> columns;
  GridRows rows;
};

// Whether a grid holds its cell texts or makes each row when asked; one that makes them holds
// on to its table, which must then stay as it is.
enum class GridCells { Held, Made };

// Classifies the table, remaps sortPriority for a single type, sorts the readings in place,
// and returns the columns and cell texts; shownLayout becomes gridLayout. A sortPriority
// outside 1 to 5 is taken as LocationTime.
GridTexts fillGrid(ReadingTable& table, const Calendar& calendar, GridCells cells = GridCells::Held);

// The readings for other programs, arranged and sorted as fillGrid does: one row each, in the
// same columns whatever the meter: location, time (ISO 8601 with the calendar's offset from
// UTC), type (its command-line name), units, value and temperature (degrees Celsius; empty
// where the type has none).
GridTexts fillIsoGrid(ReadingTable& table, const Calendar& calendar, GridCells cells = GridCells::Held);

// How many columns a GridLayout has; 1 for the shownLayout 0 of a grid never filled. The list
// view reads it from shownLayout before a fill to know which columns to delete.
int ColumnCount(int32_t layout);
