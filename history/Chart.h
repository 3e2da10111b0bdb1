#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Calendar.h"
#include "Limits.h"
#include "ReadingTable.h"

// The geometry of one chart of the report: everything is decided here, in pixels of the
// picture (y grows downwards), so that the SVG writer only spells it out.

enum class ChartQuantity { Value, Temperature };

struct ChartRequest {
  uint16_t type;           // the reading type charted; other readings are ignored
  ChartQuantity quantity;  // the value, or the temperature logged with it
  int width, height;       // the whole picture
  // The values' limits: drawn as lines, the axis reaching them, and the readings past them marked.
  const std::vector<Limit>* limits = nullptr;
  const Calendar* calendar = nullptr;  // the forms of dates and times on the time axis
};

// A limit drawn across the plot, with what it says ("below 6.5", "POND A: below 6").
struct ChartLimitLine {
  double at;  // y
  std::string label;
};

// A tick: where it stands on its axis and its text; a time tick may have a second line
// (the date under the first time of a day, the year under the first month of a year).
struct ChartTick {
  double at;
  std::string label;
  std::string second;
};

enum class MarkerShape { Circle, Square };

struct ChartPoint {
  double x, y;
};

// The readings of one pixel column, from the highest (top) to the lowest (bottom).
struct ChartBandColumn {
  double x, top, bottom;
};

// One location's readings as a line, oldest first.
struct ChartSeries {
  std::string location;
  const char* colour;  // "#rrggbb", fixed by the location's name
  MarkerShape marker;
  const char* dash;  // the line's dashes ("" solid): another location of the same colour differs so
  size_t readings;   // how many the line stands for
  // When more readings than about two a pixel column share the line, the line is the mean of
  // each day, over a band of the lowest to the highest of each column, without markers.
  bool reduced;
  std::vector<ChartPoint> points;
  // Where the line starts again after a gap much longer than its readings usually leave.
  std::vector<size_t> breaks;
  std::vector<ChartBandColumn> band;  // of a reduced line
  std::vector<size_t> bandBreaks;
  double legendY;                // the middle of its line in the legend
  std::vector<ChartPoint> past;  // the readings past a limit, reduced as the line is
  // What pointing at each point of a line that is not reduced shows: its location, time, value
  // and temperature; only with a calendar to write the time.
  std::vector<std::string> tips;
};

struct Chart {
  int width = 0, height = 0;
  double left = 0, top = 0, right = 0, bottom = 0;  // the plot area
  std::vector<ChartTick> timeTicks;                 // at: x
  std::vector<ChartTick> valueTicks;                // at: y
  std::vector<ChartSeries> series;                  // in the order of the locations
  std::vector<ChartLimitLine> limitLines;
  std::string note;  // what the axis leaves out, if anything
  bool legend = false;
  // Whether every location looks different; where not, the report draws a chart for each.
  bool distinct = true;
  double legendX = 0;
};

// The chart of the readings of one type. Each location has the colour its name gives it, the
// same in every chart and report, from colours that people with colour-blind vision tell apart.
Chart BuildChart(std::span<const Reading> readings, const ChartRequest& request);

// The colour of a location, from its name alone.
const char* LocationColour(const std::string& location);

// Nice ticks of a value axis: steps of 1, 2, 2.5 or 5 times a power of ten, at most `most`
// of them, covering low to high (both included); a span of one value is widened around it.
struct ValueScale {
  double low, high, step;
  int decimals;
};
ValueScale NiceValueScale(double low, double high, int most);

// Time ticks between two timestamps (both included): a step that reads well (minutes, hours,
// days, weeks, months or years), at most `most` ticks, at round moments of the calendar.
struct TimeTick {
  int64_t moment;
  std::string label, second;
};
// With a calendar, days and times are labelled in its forms, as the rest of a report shows them.
std::vector<TimeTick> TimeTicks(int64_t from, int64_t to, int most, const Calendar* calendar = nullptr);

// The points of one line, in time order, reduced to the lowest and the highest of each pixel
// column (in the order they were logged, at the column's left edge) once there are more than
// two a column on average.
std::vector<ChartPoint> ReduceToPixelColumns(const std::vector<ChartPoint>& points, double plotWidth, bool& reduced);
