#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ReadingGrid.h"
#include "ReadingTable.h"
#include "SaveFrame.h"
#include "Zip.h"

// What makes one file format: its header part, one grid row (1-based), and its closing
// part. The save frame around them is the same for every format.
struct WriterParts {
  std::function<void(std::string& out)> header;
  std::function<void(std::string& out, int32_t row)> row;
  std::function<void(std::string& out)> closing;
  // What is written over the file once it is all written; none for most formats.
  std::function<std::vector<FilePatch>()> patches;
};

// The file of `parts` with the given 1-based rows into the sink, after `lead`, in pieces of
// about `piece` bytes, each piece ending at the end of a row; it stops once the sink fails.
void MakeFile(const WriterParts& parts, const std::vector<int32_t>& rows, FileSink& sink, std::string_view lead = "",
              size_t piece = size_t{1} << 20);

// Every line of every file ends so.
constexpr const char* kLineEnd = "\r\n";

WriterParts SpreadsheetParts(const ReadingTable& table, const GridTexts& grid, size_t sheetRows = kSheetRows);
WriterParts DelimitedParts(const GridTexts& grid, char delimiter, const TextEncoder& toAnsi, const TextForm& form);
WriterParts ColumnTextParts(const GridTexts& grid, const TextEncoder& toAnsi, const TextForm& form);
// UTF-8, a line of one object a row, ended by a line feed alone as JSON lines are; values and
// temperatures are numbers (null where empty), every other cell a string.
WriterParts JsonLinesParts(const GridTexts& grid);

// The spreadsheet's date-time text of a reading: 2009-03-05T14:07:00.000.
std::string SpreadsheetDateTimeText(const ReadingTable& table, int32_t index);
