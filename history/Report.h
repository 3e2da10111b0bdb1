#pragma once

#include <string>
#include <vector>

#include "Calendar.h"
#include "Chart.h"
#include "FileSystem.h"
#include "History.h"
#include "KeptDownload.h"
#include "ReadingGrid.h"
#include "ReadingTable.h"

// A chart as a self-contained SVG picture under its title.
std::string ChartSvg(const Chart& chart, const std::string& title);

// The report of a history as one HTML page in UTF-8 that needs nothing from elsewhere and
// prints as it shows: a heading with the period, meters and downloads, a chart of each
// reading type (with its temperatures beneath where the type has them), a summary of each
// location and type, and every reading with the grid's texts. `table` is the history after
// fillGrid, `grid` what that fill returned, `what` what the history covers.
std::string ReportHtml(const ReadingTable& table, const GridTexts& grid, const HistorySummary& what,
                       const Calendar& calendar);
// The same page into a sink, a piece at a time, for a history too large to hold twice.
void MakeReport(const ReadingTable& table, const GridTexts& grid, const HistorySummary& what, const Calendar& calendar,
                FileSink& sink);
