#pragma once

#include <cstdint>
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

// The cell texts of the rows, each row kept as one string of its cells, so that a history of
// a million rows costs its characters and little more; a row comes back as its cells. No cell
// text holds a NUL character.
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

  size_t size() const { return starts_.size(); }
  bool empty() const { return starts_.empty(); }
  Row at(size_t r) const;  // std::out_of_range past the last row
  // The cells of row r as views of the texts held, into `cells`, which a caller reuses row after
  // row; std::out_of_range past the last row.
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
};

// Everything the grid shows, for the list view and the command-line writers alike:
// rows[r][c] is the text of column c for the reading at table index r.
struct GridTexts {
  std::vector<GridColumn> columns;
  GridRows rows;
};

// Classifies the table, remaps sortPriority for a single type, sorts the readings in place,
// and returns the columns and cell texts; shownLayout becomes gridLayout. A sortPriority
// outside 1 to 5 is taken as LocationTime.
GridTexts fillGrid(ReadingTable& table, const Calendar& calendar);

// How many columns a GridLayout has; 1 for the shownLayout 0 of a grid never filled. The list
// view reads it from shownLayout before a fill to know which columns to delete.
int ColumnCount(int32_t layout);
