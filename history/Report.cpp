#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <span>
#include <tuple>

#include "Figures.h"
#include "Meters.h"
#include "ReadingTypes.h"
#include "Timestamp.h"
#include "XmlText.h"

namespace {

// Wide enough to fill a page, narrow enough that its texts stay small on a wide screen.
constexpr int kChartWidth = 1100, kValueChartHeight = 300, kTemperatureChartHeight = 200;
constexpr int kSmallWidth = 540, kSmallHeight = 200;

// Appends without the temporaries of a chain of +.
template <typename... Pieces>
void Put(std::string& out, const Pieces&... pieces) {
  (out += ... += pieces);
}

// A coordinate to a tenth of a pixel, without a needless ".0".
std::string At(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  std::string s = text;
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  return s == "-0" ? "0" : s;
}

void Label(std::string& out, double x, double y, const char* anchor, const std::string& text) {
  Put(out, "<text x=\"", At(x), "\" y=\"", At(y), "\"");
  if (*anchor) Put(out, " text-anchor=\"", anchor, "\"");
  out += ">";
  AppendXmlEscaped(out, text);
  out += "</text>\n";
}

void Markers(std::string& out, const ChartSeries& series, const std::vector<ChartPoint>& points,
             const std::vector<std::string>& tips = {}) {
  // A zero-length stroke with round or square caps draws a dot or a square: light and exact.
  Put(out, "<path stroke=\"", series.colour, "\" stroke-width=\"5\" stroke-linecap=\"",
      series.marker == MarkerShape::Circle ? "round" : "square", "\"");
  // What the page's script shows of the point under the pointer, a point's text after each "|".
  if (tips.size() == points.size() && !tips.empty()) {
    out += " class=\"tips\" data-tips=\"";
    for (size_t i = 0; i < tips.size(); ++i) {
      if (i > 0) out += "|";
      AppendXmlEscaped(out, tips[i]);
    }
    out += "\"";
  }
  out += " d=\"";
  for (const ChartPoint& p : points) Put(out, "M", At(p.x), " ", At(p.y), "h0");
  out += "\"/>\n";
}

std::string DateOf(int64_t timestamp, const Calendar& calendar) { return calendar.shortDate(CivilTimeOf(timestamp)); }

const GridColumn* ColumnOf(const GridTexts& grid, GridField field) {
  for (const GridColumn& column : grid.columns) {
    if (column.field == field) return &column;
  }
  return nullptr;
}

void Heading(std::string& out, const ReadingTable& table, const HistorySummary& what, const Calendar& calendar) {
  const std::string first = DateOf(what.first, calendar), last = DateOf(what.last, calendar);
  const std::string period = table.count == 0 ? std::string("no readings")
                             : first == last  ? first
                                              : first + " to " + last;
  Put(out, "<title>Logged readings, ", XmlEscaped(period), "</title>\n");
  Put(out, "</head>\n<body>\n<h1>Logged readings, ", XmlEscaped(period), "</h1>\n<p>Meters: ");
  for (size_t i = 0; i < what.meters.size(); ++i) Put(out, i ? ", " : "", XmlEscaped(MeterOf(what.meters[i]).model));
  out += "</p>\n<p>";
  out += std::to_string(what.downloads.size()) + (what.downloads.size() == 1 ? " download" : " downloads");
  if (!what.downloads.empty()) {
    const std::string first = DateOf(what.firstRead, calendar), last = DateOf(what.lastRead, calendar);
    Put(out, first == last ? ", read on " : ", read from ", XmlEscaped(first));
    if (first != last) Put(out, " to ", XmlEscaped(last));
  }
  Put(out, ", ", std::to_string(table.count), table.count == 1 ? " reading" : " readings", ".</p>\n");
}

// The charts of one type, values and temperatures, or where its locations cannot be told apart in
// one chart, a small chart of each location.
void TypeCharts(std::string& out, std::span<const Reading> readings, const std::string& title, uint16_t code,
                bool temperatures, const std::string& temperatureTitle, const std::vector<Limit>& limits,
                const Calendar& calendar) {
  const ChartRequest values{code, ChartQuantity::Value, kChartWidth, kValueChartHeight, &limits, &calendar};
  const Chart chart = BuildChart(readings, values);
  if (chart.distinct) {
    out += "<section class=\"chart\">\n" + ChartSvg(chart, title);
    const ChartRequest request{code,     ChartQuantity::Temperature, kChartWidth, kTemperatureChartHeight, nullptr,
                               &calendar};
    if (temperatures) out += ChartSvg(BuildChart(readings, request), temperatureTitle);
    out += "</section>\n";
    return;
  }
  out += "<section class=\"small\">\n";
  for (const ChartSeries& series : chart.series) {
    std::vector<Reading> own;
    for (const Reading& r : readings) {
      if (r.type == code && r.location == series.location) own.push_back(r);
    }
    out +=
        "<div>" + ChartSvg(BuildChart(own, {code, ChartQuantity::Value, kSmallWidth, kSmallHeight, &limits, &calendar}),
                           title + ", " + series.location);
    const ChartRequest request{code, ChartQuantity::Temperature, kSmallWidth, kSmallHeight, nullptr, &calendar};
    if (temperatures) out += ChartSvg(BuildChart(own, request), temperatureTitle + ", " + series.location);
    out += "</div>\n";
  }
  out += "</section>\n";
}

void Charts(std::string& out, const ReadingTable& table, const GridTexts& grid, const std::vector<Limit>& limits,
            const Calendar& calendar) {
  const std::span<const Reading> readings(table.readings.data(), static_cast<size_t>(table.count));
  std::map<uint16_t, MeterKind> types;  // in code order, with the meter of a first reading
  for (const Reading& r : readings) types.emplace(r.type, r.meter.value_or(table.meterKind));
  const GridColumn* temperature = ColumnOf(grid, GridField::Temperature);
  for (const auto& [code, meter] : types) {
    const ReadingType* type = FindReadingType(code);
    if (!type) continue;
    TypeCharts(out, readings, RowLabel(*type, meter), code, type->hasTemperature && temperature,
               temperature ? temperature->header : "", limits, calendar);
  }
}

// Pointing at a point of a chart shows its reading beside the pointer. Only a help: the page
// reads and prints whole without it, and it loads nothing.
constexpr const char* kPointerScript =
    "<div id=\"tip\" hidden></div>\n<script>\n"
    "const tip = document.getElementById('tip');\n"
    "for (const svg of document.querySelectorAll('svg')) {\n"
    "  const points = [];\n"
    "  for (const path of svg.querySelectorAll('path.tips')) {\n"
    "    const texts = path.dataset.tips.split('|');\n"
    "    // M x y h0, a point after another\n"
    "    const at = path.getAttribute('d').match(/-?[0-9.]+/g).map(Number);\n"
    "    texts.forEach((text, i) => points.push([at[3 * i], at[3 * i + 1], text]));\n"
    "  }\n"
    "  if (points.length === 0) continue;\n"
    "  svg.addEventListener('mousemove', event => {\n"
    "    const p = new DOMPoint(event.clientX, event.clientY).matrixTransform(svg.getScreenCTM().inverse());\n"
    "    let best = null, distance = 64;\n"
    "    for (const q of points) {\n"
    "      const d = (q[0] - p.x) ** 2 + (q[1] - p.y) ** 2;\n"
    "      if (d < distance) { best = q; distance = d; }\n"
    "    }\n"
    "    tip.hidden = best === null;\n"
    "    if (best === null) return;\n"
    "    tip.textContent = best[2];\n"
    "    tip.style.left = event.pageX + 12 + 'px';\n"
    "    tip.style.top = event.pageY + 12 + 'px';\n"
    "  });\n"
    "  svg.addEventListener('mouseleave', () => { tip.hidden = true; });\n"
    "}\n"
    "</script>\n";

constexpr size_t kReportRuns = 100;
constexpr int64_t kReportDays = 31;  // the daily figures of the last month of readings

// The figures of each month, and of each day of the last month of readings, as tables.
void FigureTables(std::string& out, const ReadingTable& table, const std::vector<Limit>& limits,
                  const Calendar& calendar) {
  if (table.count == 0) return;
  int64_t latest = table.readings.front().timestamp;
  for (int i = 0; i < table.count; ++i) latest = std::max(latest, table.readings[static_cast<size_t>(i)].timestamp);
  for (const Period period : {Period::Month, Period::Day}) {
    std::vector<Figure> figures = PeriodFigures(table, period, limits);
    if (period == Period::Day) {
      const int64_t from = latest - latest % kTicksPerDay - (kReportDays - 1) * kTicksPerDay;
      std::erase_if(figures, [from](const Figure& f) { return f.start < from; });
    }
    ReadingTable rows;
    GridTexts texts;
    FigureTable(figures, period, !limits.empty(), calendar, rows, texts);
    out += period == Period::Month ? std::string("<h2>Monthly figures</h2>\n")
                                   : "<h2>Daily figures of the last " + std::to_string(kReportDays) + " days</h2>\n";
    out += "<table>\n<thead><tr>";
    for (const GridColumn& column : texts.columns) Put(out, "<th>", XmlEscaped(column.header), "</th>");
    out += "</tr></thead>\n<tbody>\n";
    for (const auto& row : texts.rows) {
      out += "<tr>";
      for (const std::string& cell : row) Put(out, "<td>", XmlEscaped(cell), "</td>");
      out += "</tr>\n";
    }
    out += "</tbody>\n</table>\n";
  }
}

// How long a run lasted, from its first reading past to the next one: "2 d 4 h", "45 min".
std::string Lasted(int64_t ticks) {
  const int64_t minutes = ticks / kTicksPerMinute, days = minutes / 1440, hours = minutes / 60 % 24;
  if (days > 0) return std::to_string(days) + " d" + (hours > 0 ? " " + std::to_string(hours) + " h" : "");
  if (hours > 0)
    return std::to_string(hours) + " h" + (minutes % 60 > 0 ? " " + std::to_string(minutes % 60) + " min" : "");
  return std::to_string(minutes) + " min";
}

// The runs of readings past their limits, first of all: what a plant must act on.
void PastTheLimits(std::string& out, const ReadingTable& table, const std::vector<Limit>& limits,
                   const Calendar& calendar) {
  std::vector<Exceedance> found = FindExceedances(table, limits);
  out += "<h2>Past the limits</h2>\n";
  if (found.empty()) {
    out += "<p>No reading is past a limit.</p>\n";
    return;
  }
  Put(out, "<p>", std::to_string(found.size()), found.size() == 1 ? " run" : " runs",
      " of readings past a limit, the latest first. Each lasted from its first reading past the limit to the next "
      "reading.");
  // The latest first: what is happening now is what is acted on.
  std::stable_sort(found.begin(), found.end(),
                   [](const Exceedance& a, const Exceedance& b) { return a.first > b.first; });
  if (found.size() > kReportRuns) {
    Put(out, " The ", std::to_string(kReportRuns),
        " latest are listed; <code>datapond-cli alarms</code> lists them all.");
    found.resize(kReportRuns);
  }
  out += "</p>\n";
  out +=
      "<table>\n<thead><tr><th>Location</th><th>Type</th><th>Limit</th><th>From</th><th>To</th><th>Lasted</th>"
      "<th>Readings</th><th>Farthest</th></tr></thead>\n<tbody>\n";
  for (const Exceedance& e : found) {
    const ReadingType& type = *FindReadingType(e.type);
    out += "<tr>";
    for (const std::string& cell :
         {e.location, std::string(RowLabel(type, e.meter)), PassedLimitText(e), TimestampText(e.first, calendar),
          e.ended ? TimestampText(*e.ended, calendar) : "still past", e.ended ? Lasted(*e.ended - e.first) : "ongoing",
          std::to_string(e.readings), ValueText(type, e.worst)}) {
      Put(out, "<td>", XmlEscaped(cell), "</td>");
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n";
}

struct Summary {
  const Reading* latest = nullptr;
  int64_t first = INT64_MAX;
  int32_t count = 0;
  float low = 0, high = 0;
  double sum = 0;
};

void SummaryTable(std::string& out, const ReadingTable& table, const GridTexts& grid, const Calendar& calendar) {
  std::map<std::tuple<std::string, uint16_t>, Summary> groups;
  for (int i = 0; i < table.count; ++i) {
    const Reading& r = table.readings[static_cast<size_t>(i)];
    Summary& s = groups[{r.location, r.type}];
    if (s.count++ == 0) s.low = s.high = r.value;
    s.low = std::min(s.low, r.value);
    s.high = std::max(s.high, r.value);
    s.sum += r.value;
    s.first = std::min(s.first, r.timestamp);
    if (!s.latest || r.timestamp > s.latest->timestamp) s.latest = &r;
  }
  const GridColumn* location = ColumnOf(grid, GridField::Location);
  const GridColumn* type = ColumnOf(grid, GridField::Type);
  Put(out, "<table>\n<thead><tr><th>", XmlEscaped(location ? location->header : ""), "</th>");
  if (type) Put(out, "<th>", XmlEscaped(type->header), "</th>");
  out +=
      "<th>Readings</th><th>First</th><th>Last</th><th>Minimum</th><th>Maximum</th><th>Mean</th>"
      "<th>Latest</th></tr></thead>\n<tbody>\n";
  for (const auto& [key, s] : groups) {
    const ReadingType* found = FindReadingType(std::get<1>(key));
    if (!found) continue;
    const Reading& latest = *s.latest;
    Put(out, "<tr><td>", XmlEscaped(std::get<0>(key)), "</td>");
    if (type) Put(out, "<td>", XmlEscaped(RowLabel(*found, latest.meter.value_or(table.meterKind))), "</td>");
    for (const std::string& cell :
         {std::to_string(s.count), TimestampText(s.first, calendar), TimestampText(latest.timestamp, calendar),
          ValueText(*found, s.low), ValueText(*found, s.high), ValueText(*found, static_cast<float>(s.sum / s.count)),
          ValueText(*found, latest.value)}) {
      Put(out, "<td>", XmlEscaped(cell), "</td>");
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n";
}

// The grid rows the page lists: the most recent readings, in the grid's order. A page listing
// a million would take a browser minutes to open; `history` writes them all.
std::vector<size_t> ListedRows(const ReadingTable& table) {
  // Newest first; among readings of one moment, those the grid shows first. A heap of the
  // newest so far, not an index of every reading: a report's memory is its readings.
  const auto newer = [&table](size_t a, size_t b) {
    const int64_t at = table.readings[a].timestamp, bt = table.readings[b].timestamp;
    return at != bt ? at > bt : a < b;
  };
  std::vector<size_t> rows;
  for (size_t r = 0; r < static_cast<size_t>(table.count); ++r) {
    if (rows.size() == kReportRows && !newer(r, rows.front())) continue;
    if (rows.size() == kReportRows) {
      std::pop_heap(rows.begin(), rows.end(), newer);
      rows.pop_back();
    }
    rows.push_back(r);
    std::push_heap(rows.begin(), rows.end(), newer);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The listed readings as the grid shows them, one a line with the columns lined up by tabs
// (which a spreadsheet takes as cell breaks when the lines are copied); far lighter than table
// cells.
void ListedReadings(std::string& out, const ReadingTable& table, const GridTexts& grid) {
  constexpr size_t kTab = 8;
  const std::vector<size_t> listed = ListedRows(table);
  if (listed.size() < static_cast<size_t>(table.count)) {
    Put(out, "<p>The ", std::to_string(listed.size()), " most recent of the ", std::to_string(table.count),
        " readings; <code>datapond-cli history</code> writes them all.</p>\n");
  }
  std::vector<GridRows::Row> rows;
  for (size_t r : listed) rows.push_back(grid.rows.at(r));
  std::vector<size_t> starts(grid.columns.size(), 0);
  for (size_t c = 0; c + 1 < grid.columns.size(); ++c) {
    size_t widest = grid.columns[c].header.size();
    for (const auto& row : rows) widest = std::max(widest, row[c].size());
    starts[c + 1] = ((starts[c] + widest) / kTab + 1) * kTab;
  }
  const auto line = [&](auto cell) {
    for (size_t c = 0; c < grid.columns.size(); ++c) {
      const std::string& text = cell(c);
      AppendXmlEscaped(out, text);
      if (c + 1 == grid.columns.size()) break;
      // Bytes, not characters: only the degree sign of a caption is more than one byte.
      const size_t end = starts[c] + text.size();
      out.append(starts[c + 1] / kTab - end / kTab, '\t');
    }
    out += '\n';
  };
  out += "<pre>";
  line([&](size_t c) -> const std::string& { return grid.columns[c].header; });
  for (const auto& row : rows) line([&](size_t c) -> const std::string& { return row[c]; });
  out += "</pre>\n";
}

}  // namespace

std::string ChartSvg(const Chart& chart, const std::string& title) {
  std::string out;
  const std::string width = std::to_string(chart.width), height = std::to_string(chart.height);
  Put(out, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"", width, "\" height=\"", height, "\" viewBox=\"0 0 ",
      width, " ", height, "\" font-family=\"sans-serif\" font-size=\"11\" role=\"img\">\n");
  Put(out, "<title>", XmlEscaped(title), "</title>\n");
  Put(out, "<text x=\"", At(chart.left), "\" y=\"16\" font-size=\"13\" font-weight=\"bold\">", XmlEscaped(title),
      "</text>\n");
  if (!chart.note.empty()) {
    Put(out, "<text x=\"", At(chart.right), "\" y=\"16\" text-anchor=\"end\" font-style=\"italic\">",
        XmlEscaped(chart.note), "</text>\n");
  }
  // Grid lines, then the frame of the plot.
  out += "<path fill=\"none\" stroke=\"#ddd\" d=\"";
  for (const ChartTick& t : chart.valueTicks) Put(out, "M", At(chart.left), " ", At(t.at), "H", At(chart.right));
  for (const ChartTick& t : chart.timeTicks) Put(out, "M", At(t.at), " ", At(chart.top), "V", At(chart.bottom));
  Put(out, "\"/>\n<rect fill=\"none\" stroke=\"#888\" x=\"", At(chart.left), "\" y=\"", At(chart.top), "\" width=\"",
      At(chart.right - chart.left), "\" height=\"", At(chart.bottom - chart.top), "\"/>\n");
  for (const ChartTick& t : chart.valueTicks) Label(out, chart.left - 5, t.at + 4, "end", t.label);
  for (const ChartTick& t : chart.timeTicks) {
    Label(out, t.at, chart.bottom + 14, "middle", t.label);
    if (!t.second.empty()) Label(out, t.at, chart.bottom + 28, "middle", t.second);
  }
  // Limits in black, dashed, which no location's colour is; readings past them ringed in black.
  for (const ChartLimitLine& line : chart.limitLines) {
    Put(out, "<path stroke=\"#000\" stroke-dasharray=\"6 4\" d=\"M", At(chart.left), " ", At(line.at), "H",
        At(chart.right), "\"/>\n");
  }
  // The bands first, so that every line is drawn over every band.
  for (const ChartSeries& s : chart.series) {
    if (s.band.empty()) continue;
    Put(out, "<path fill=\"", s.colour, "\" fill-opacity=\"0.18\" stroke=\"none\" d=\"");
    for (size_t b = 0; b <= s.bandBreaks.size(); ++b) {
      const size_t from = b == 0 ? 0 : s.bandBreaks[b - 1],
                   to = b < s.bandBreaks.size() ? s.bandBreaks[b] : s.band.size();
      for (size_t i = from; i < to; ++i) Put(out, i == from ? "M" : "L", At(s.band[i].x), " ", At(s.band[i].top));
      for (size_t i = to; i-- > from;) Put(out, "L", At(s.band[i].x + 1), " ", At(s.band[i].bottom));
      out += "Z";
    }
    out += "\"/>\n";
  }
  for (const ChartSeries& s : chart.series) {
    if (!s.past.empty()) {
      out += "<path stroke=\"#000\" stroke-width=\"9\" stroke-linecap=\"round\" d=\"";
      for (const ChartPoint& p : s.past) Put(out, "M", At(p.x), " ", At(p.y), "h0");
      out += "\"/>\n";
    }
    if (s.points.size() > 1) {
      Put(out, "<path fill=\"none\" stroke=\"", s.colour, "\" stroke-width=\"", s.reduced ? "2" : "1.5", "\"");
      if (*s.dash) Put(out, " stroke-dasharray=\"", s.dash, "\"");
      out += " d=\"";
      size_t next = 0;  // the next break
      for (size_t i = 0; i < s.points.size(); ++i) {
        const bool starts = i == 0 || (next < s.breaks.size() && s.breaks[next] == i);
        next += starts && i > 0;
        // A reduced line is mostly vertical strokes: half the text of full points.
        if (!starts && s.points[i].x == s.points[i - 1].x) {
          Put(out, "V", At(s.points[i].y));
        } else {
          Put(out, starts ? "M" : "L", At(s.points[i].x), " ", At(s.points[i].y));
        }
      }
      out += "\"/>\n";
    }
    if (!s.reduced) Markers(out, s, s.points, s.tips);
    if (chart.legend) {
      Put(out, "<path stroke=\"", s.colour, "\" stroke-width=\"1.5\"");
      if (*s.dash) Put(out, " stroke-dasharray=\"", s.dash, "\"");
      Put(out, " d=\"M", At(chart.legendX), " ", At(s.legendY), "h20\"/>\n");
      Markers(out, s, {{chart.legendX + 10, s.legendY}});
      Label(out, chart.legendX + 26, s.legendY + 4, "", s.location);
    }
  }
  // Over the lines, on a white halo, so that it reads whatever it crosses.
  for (const ChartLimitLine& line : chart.limitLines) {
    Put(out, "<text x=\"", At(chart.right - 4), "\" y=\"", At(line.at - 4),
        "\" text-anchor=\"end\" stroke=\"#fff\" stroke-width=\"3\" paint-order=\"stroke\">");
    AppendXmlEscaped(out, line.label);
    out += "</text>\n";
  }
  out += "</svg>\n";
  return out;
}

std::string ReportHtml(const ReadingTable& table, const GridTexts& grid, const HistorySummary& what,
                       const Calendar& calendar, const std::vector<Limit>& limits) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<style>\n"
      "body{font-family:sans-serif;margin:1.5em;color:#222}\n"
      "h1{font-size:1.4em}h2{font-size:1.15em;margin-top:1.5em;break-after:avoid}\n"
      "svg{display:block;width:100%;height:auto}\n"
      "section.chart{margin:1em 0;break-inside:avoid}\n"
      "section.small{display:flex;flex-wrap:wrap;gap:1em}section.small div{flex:1 1 480px;break-inside:avoid}\n"
      "table{border-collapse:collapse;font-size:.9em}\n"
      "th,td{border:1px solid #bbb;padding:2px 8px;text-align:center}th{background:#eee}\n"
      "thead{display:table-header-group}tr{break-inside:avoid}\n"
      "pre{font-size:.8em;tab-size:8}\n"
      "#tip{position:absolute;background:#fff;border:1px solid #888;padding:2px 6px;font-size:.85em;"
      "pointer-events:none}\n"
      "@media print{body{margin:0;font-size:10pt}#tip{display:none}}\n"
      "</style>\n";
  Heading(out, table, what, calendar);
  if (!limits.empty()) PastTheLimits(out, table, limits, calendar);
  out += "<h2>Charts</h2>\n";
  Charts(out, table, grid, limits, calendar);
  out += "<h2>Summary</h2>\n";
  SummaryTable(out, table, grid, calendar);
  FigureTables(out, table, limits, calendar);
  out += table.count > static_cast<int32_t>(kReportRows) ? "<h2>Recent readings</h2>\n" : "<h2>All readings</h2>\n";
  ListedReadings(out, table, grid);
  out += kPointerScript;
  out += "</body>\n</html>\n";
  return out;
}
