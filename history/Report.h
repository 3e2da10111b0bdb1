#pragma once

#include <string>
#include <vector>

#include "Calendar.h"
#include "Chart.h"
#include "History.h"
#include "KeptDownload.h"
#include "Limits.h"
#include "ReadingGrid.h"
#include "ReadingTable.h"

// A chart as a self-contained SVG picture under its title.
std::string ChartSvg(const Chart& chart, const std::string& title);

// The most readings a report lists; a page of more opens too slowly to be read.
constexpr size_t kReportRows = 1000;

// The report of a history as one HTML page in UTF-8 that needs nothing from elsewhere and
// prints as it shows: a heading with the period, meters and downloads, a chart of each
// reading type (with its temperatures beneath where the type has them), a summary of each
// location and type, and the readings with the grid's texts: all of them, or the kReportRows
// most recent. With limits, it opens with the runs of readings past them, and the charts draw
// them. `table` is the history after fillGrid, `grid` what that fill returned, `what` what the
// history covers.
std::string ReportHtml(const ReadingTable& table, const GridTexts& grid, const HistorySummary& what,
                       const Calendar& calendar, const std::vector<Limit>& limits = {});
