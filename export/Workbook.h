#pragma once

#include <string>
#include <vector>

#include "ReadingGrid.h"
#include "ReadingTable.h"
#include "WriterParts.h"

// An Office Open XML workbook (.xlsx) of the grid's rows: a sheet "Readings" (and "Readings 2"
// and on, where one sheet cannot hold them all, each of `sheetRows` rows at most), the captions
// as a bold frozen first row, numbers as numbers shown with the grid's decimals, times as
// date-times shown as the grid shows them, column widths that fit the given 1-based rows, which
// are the rows written. The zip is written as the rows come; its patches give each entry's
// sizes. It holds on to the table, grid and rows it is given.
WriterParts WorkbookParts(const ReadingTable& table, const GridTexts& grid, const std::vector<int32_t>& rows,
                          const std::string& dateTimeFormat, size_t sheetRows = kSheetRows);

// The workbook's number format of the grid's time column, from the Windows-style pictures
// of its date and time (or of the date alone, where the time is empty): "M/d/yyyy" and
// "hh:mm tt" give "[$-409]m\/d\/yyyy hh\:mm AM/PM", shown alike in every country's settings.
std::string WorkbookDateTimeFormat(const std::string& datePicture, const std::string& timePicture);
