#include "Chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "NumberFormat.h"
#include "ReadingTypes.h"
#include "Timestamp.h"

namespace {

// Room around the plot: the value labels on the left, the legend on the right, the title
// above and two lines of time labels below.
constexpr double kLeftMargin = 56, kRightMargin = 120, kTopMargin = 26, kBottomMargin = 36;
constexpr double kLegendLine = 16;
constexpr double kPixelsPerTimeTick = 90, kPixelsPerValueTick = 36;

// The colours of Okabe and Ito, which people with every common kind of colour-blind vision tell
// apart, but black, which the limits are drawn in.
constexpr const char* kPalette[] = {"#0072b2", "#e69f00", "#009e73", "#cc79a7", "#56b4e9", "#d55e00", "#b8a800"};
constexpr size_t kColours = std::size(kPalette);
// Locations of one colour in a chart differ by marker and line; more of one colour than this, or
// more locations than a chart shows apart, and the report draws a chart for each location.
constexpr const char* kDashes[] = {"", "6 3", "2 3"};
constexpr size_t kMostOfAColour = std::size(kDashes), kMostLocations = 12;
// The axis leaves out readings more than this many times the span of the bulk (the middle 98%)
// beyond it.
constexpr double kOutlierSpans = 3;
// A line breaks where its readings stop for this many times as long as they usually come.
constexpr int64_t kGapFactor = 10;

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

constexpr int64_t kMinute = kTicksPerMinute, kDay = kTicksPerDay;

// Steps of minutes that divide a day (so ticks fall on the same times every day), then whole
// days and weeks (counted from 1601-01-01, a Monday), then months and years.
struct TimeStep {
  int64_t ticks;  // 0 for calendar steps
  int months;
};
constexpr TimeStep kTimeSteps[] = {
    {kMinute, 0},
    {2 * kMinute, 0},
    {5 * kMinute, 0},
    {10 * kMinute, 0},
    {15 * kMinute, 0},
    {30 * kMinute, 0},
    {60 * kMinute, 0},
    {120 * kMinute, 0},
    {180 * kMinute, 0},
    {360 * kMinute, 0},
    {720 * kMinute, 0},
    {kDay, 0},
    {2 * kDay, 0},
    {7 * kDay, 0},
    {14 * kDay, 0},
    {0, 1},
    {0, 2},
    {0, 3},
    {0, 6},
    {0, 12},
    {0, 24},
    {0, 60},
    {0, 120},
    {0, 240},
    {0, 600},
};

std::vector<int64_t> TickMoments(const TimeStep& step, int64_t from, int64_t to) {
  std::vector<int64_t> moments;
  if (step.ticks > 0) {
    int64_t t = from >= 0 ? (from + step.ticks - 1) / step.ticks * step.ticks : from / step.ticks * step.ticks;
    for (; t <= to; t += step.ticks) moments.push_back(t);
    return moments;
  }
  const CivilTime start = CivilTimeOf(from);
  int month = start.year * 12 + start.month - 1;  // months since year 0
  if (TimestampOf({start.year, start.month, 1, 0, 0}) < from) ++month;
  month = (month + step.months - 1) / step.months * step.months;
  for (;; month += step.months) {
    const int64_t t = TimestampOf({month / 12, month % 12 + 1, 1, 0, 0});
    if (t > to) break;
    moments.push_back(t);
  }
  return moments;
}

std::string Year(const CivilTime& c) { return std::to_string(c.year); }
std::string DayMonth(const CivilTime& c) { return std::to_string(c.day) + " " + kMonths[c.month - 1]; }

// The first line names the unit of the step; the second line says the larger unit where it
// changes, and in full on the first tick. With a calendar, dates and times are in its forms.
TimeTick Labelled(const TimeStep& step, int64_t t, const CivilTime* previous, const Calendar* calendar) {
  const CivilTime c = CivilTimeOf(t);
  const bool newYear = !previous || previous->year != c.year;
  if (step.months >= 12) return {t, Year(c), ""};
  if (step.months > 0) return {t, kMonths[c.month - 1], newYear ? Year(c) : ""};
  if (step.ticks % kDay == 0) {
    if (calendar != nullptr) return {t, calendar->shortDate(c), ""};
    return {t, DayMonth(c), newYear ? Year(c) : ""};
  }
  char time[8];
  std::snprintf(time, sizeof time, "%02d:%02d", c.hour % 100, c.minute % 100);
  const bool newDay = newYear || previous->day != c.day || previous->month != c.month;
  std::string second;
  if (calendar != nullptr) {
    const std::string shown = calendar->timeOfDay ? calendar->timeOfDay(c) : FormatTimePicture(kProgramTimePicture, c);
    return {t, shown, newDay ? calendar->shortDate(c) : ""};
  }
  if (newDay) second = DayMonth(c);
  if (newYear) second += ' ' + Year(c);
  return {t, time, second};
}

double Nice(double rough, int& decimals) {
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (m * power >= rough * (1 - 1e-9)) {
      const double step = m * power;
      decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)) + (m == 2.5 ? 1 : 0));
      return step;
    }
  }
  return rough;  // not reached: 10 times the power always suffices
}

std::string Number(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string s = text;
  if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);  // no "-0.0"
  return s;
}

// "POND A, 12/7/2026 08:05 AM: 7.05, 21.5 °C": a reading as the grid shows it.
std::string Tip(const Reading& r, const ChartRequest& request) {
  const ReadingType* type = FindReadingType(r.type);
  std::string tip = r.location + ", " + TimestampText(r.timestamp, *request.calendar) + ": " +
                    (type != nullptr ? ValueText(*type, r.value) : std::to_string(r.value));
  if (type != nullptr && type->hasTemperature) {
    tip += ", " + formatNumber(r.temperature, "#0.0") + " \xC2\xB0" + "C";
  }
  return tip;
}

}  // namespace

ValueScale NiceValueScale(double low, double high, int most) {
  if (high <= low) {
    const double pad = low == 0 ? 1 : std::abs(low) * 0.1;
    low -= pad;
    high += pad;
  }
  most = std::max(most, 2);
  // The smallest nice step whose ticks, from a multiple below low to one above high, fit.
  double rough = (high - low) / (most - 1);
  for (;;) {
    int decimals = 0;
    const double step = Nice(rough, decimals);
    const double first = std::floor(low / step + 1e-9), last = std::ceil(high / step - 1e-9);
    if (last - first + 1 <= most) return {first * step, last * step, step, decimals};
    rough = step * 1.01;
  }
}

std::vector<TimeTick> TimeTicks(int64_t from, int64_t to, int most, const Calendar* calendar) {
  most = std::max(most, 2);
  std::vector<int64_t> moments;
  const TimeStep* chosen = nullptr;
  for (const TimeStep& step : kTimeSteps) {
    chosen = &step;
    // A rough count first, so that a wide span never lists every minute of it.
    const double length = step.ticks > 0 ? static_cast<double>(step.ticks) : step.months * 30.0 * kDay;
    const bool last = &step == &kTimeSteps[std::size(kTimeSteps) - 1];  // no-mutate(- 1): rough count only
    if (static_cast<double>(to - from) / length > most + 1 && !last) continue;
    moments = TickMoments(step, from, to);
    if (static_cast<int>(moments.size()) <= most) break;
  }
  std::vector<TimeTick> ticks;
  CivilTime previous;
  for (size_t i = 0; i < moments.size(); ++i) {
    ticks.push_back(Labelled(*chosen, moments[i], i == 0 ? nullptr : &previous, calendar));
    previous = CivilTimeOf(moments[i]);
  }
  return ticks;
}

std::vector<ChartPoint> ReduceToPixelColumns(const std::vector<ChartPoint>& points, double plotWidth, bool& reduced) {
  reduced = static_cast<double>(points.size()) > 2 * plotWidth;
  if (!reduced) return points;
  std::vector<ChartPoint> kept;
  for (size_t first = 0; first < points.size();) {
    const double column = std::floor(points[first].x);
    size_t low = first, high = first, end = first;
    for (; end < points.size() && std::floor(points[end].x) == column; ++end) {
      if (points[end].y > points[low].y) low = end;  // y grows downwards
      if (points[end].y < points[high].y) high = end;
    }
    // Both at the column's edge, so the pair is one vertical stroke.
    kept.push_back({column, points[std::min(low, high)].y});
    if (low != high) kept.push_back({column, points[std::max(low, high)].y});
    first = end;
  }
  return kept;
}

const char* LocationColour(const std::string& location) {
  uint32_t hash = 2166136261u;  // FNV-1a: the same on every machine, unlike std::hash
  for (const char c : location) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  return kPalette[hash % kColours];
}

Chart BuildChart(std::span<const Reading> readings, const ChartRequest& request) {
  Chart chart;
  chart.width = request.width;
  chart.height = request.height;
  chart.left = kLeftMargin;
  chart.top = kTopMargin;
  chart.right = request.width - kRightMargin;
  chart.bottom = request.height - kBottomMargin;
  chart.legend = true;
  chart.legendX = chart.right + 12;

  const auto quantity = [&request](const Reading& r) {
    return static_cast<double>(request.quantity == ChartQuantity::Value ? r.value : r.temperature);
  };
  // Each location's readings, oldest first, and the extent of them all.
  std::map<std::string, std::vector<const Reading*>> byLocation;
  std::vector<float> values;
  int64_t from = INT64_MAX, to = INT64_MIN;
  for (const Reading& r : readings) {
    if (r.type != request.type) continue;
    byLocation[r.location].push_back(&r);
    values.push_back(static_cast<float>(quantity(r)));
    from = std::min(from, r.timestamp);
    to = std::max(to, r.timestamp);
  }
  if (byLocation.empty()) return chart;
  // The axis covers the bulk of the readings: one far outside it (a 99.99 among single figures)
  // would squash every other into a corner. What it leaves out is said on the chart.
  // In place: the order of the values matters no more.
  const auto at = [&values](double share) {
    const auto k = static_cast<std::ptrdiff_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    std::nth_element(values.begin(), values.begin() + k, values.end());
    return static_cast<double>(values[static_cast<size_t>(k)]);
  };
  const double bulkLow = at(0.01), bulkHigh = at(0.99), span = bulkHigh - bulkLow;
  const double fenceLow = span > 0 ? bulkLow - kOutlierSpans * span : -INFINITY;
  const double fenceHigh = span > 0 ? bulkHigh + kOutlierSpans * span : INFINITY;
  double low = INFINITY, high = -INFINITY, farthest = 0;
  size_t beyond = 0;
  for (const float value : values) {
    const double v = value;
    if (v < fenceLow || v > fenceHigh) {
      farthest = beyond++ == 0 || std::abs(v - bulkLow) > std::abs(farthest - bulkLow) ? v : farthest;
      continue;
    }
    low = std::min(low, v);
    high = std::max(high, v);
  }
  if (beyond > 0) {
    char text[96];
    std::snprintf(text, sizeof text, "%zu %s beyond the axis, as far as %.6g", beyond,
                  beyond == 1 ? "reading" : "readings", farthest);
    chart.note = text;
  }
  // The limits that hold for the locations charted, which the axis must reach to show them.
  std::vector<std::pair<double, std::string>> lines;
  if (request.limits != nullptr && request.quantity == ChartQuantity::Value) {
    for (const Limit& limit : *request.limits) {
      if (limit.type != request.type || (!limit.location.empty() && !byLocation.count(limit.location))) continue;
      const std::string place = limit.location.empty() ? "" : limit.location + ": ";
      for (const auto& [bound, word] : {std::pair{&limit.below, "below "}, std::pair{&limit.above, "above "}}) {
        if (!bound->has_value()) continue;
        double value = static_cast<double>((*bound)->units);
        for (int d = 0; d < (*bound)->decimals; ++d) value /= 10;
        lines.emplace_back(value, place + word + (*bound)->text);
        low = std::min(low, value);
        high = std::max(high, value);
      }
    }
  }
  if (from == to) {  // one moment: half an hour either side
    from -= 30 * kMinute;
    to += 30 * kMinute;
  }

  const double plotWidth = chart.right - chart.left, plotHeight = chart.bottom - chart.top;
  const ValueScale scale = NiceValueScale(low, high, static_cast<int>(plotHeight / kPixelsPerValueTick) + 1);
  const auto x = [&](int64_t t) { return chart.left + plotWidth * static_cast<double>(t - from) / (to - from); };
  // What lies beyond the axis is drawn at its edge.
  const auto y = [&](double v) {
    return std::clamp(chart.bottom - plotHeight * (v - scale.low) / (scale.high - scale.low), chart.top, chart.bottom);
  };

  for (TimeTick& tick : TimeTicks(from, to, static_cast<int>(plotWidth / kPixelsPerTimeTick), request.calendar)) {
    chart.timeTicks.push_back({x(tick.moment), std::move(tick.label), std::move(tick.second)});
  }
  const long steps = std::lround((scale.high - scale.low) / scale.step);
  for (long i = 0; i <= steps; ++i) {
    const double v = scale.low + static_cast<double>(i) * scale.step;
    chart.valueTicks.push_back({y(v), Number(v, scale.decimals), ""});
  }

  for (const auto& [value, label] : lines) chart.limitLines.push_back({y(value), label});

  std::map<std::string, size_t> ofColour;  // locations drawn so far in each colour
  for (auto& [location, rows] : byLocation) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Reading* a, const Reading* b) { return a->timestamp < b->timestamp; });
    const char* colour = LocationColour(location);
    const size_t same = ofColour[colour]++;
    ChartSeries series{location,
                       colour,
                       same % 2 == 0 ? MarkerShape::Circle : MarkerShape::Square,
                       kDashes[same % kMostOfAColour],
                       rows.size(),
                       false,
                       {},
                       {},
                       {},
                       {},
                       chart.top + kLegendLine * (static_cast<double>(chart.series.size()) + 0.5),
                       {},
                       {}};
    // The usual time between readings, and the gaps far longer than it, where the line breaks.
    std::vector<int64_t> steps;
    for (size_t i = 1; i < rows.size(); ++i) steps.push_back(rows[i]->timestamp - rows[i - 1]->timestamp);
    int64_t usual = 0;
    if (!steps.empty()) {
      std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
      usual = steps[steps.size() / 2];
    }
    const int64_t gap = kGapFactor * std::max<int64_t>(usual, kMinute);
    std::vector<ChartPoint> points;
    bool reduced = false;
    for (size_t first = 0; first < rows.size();) {
      size_t end = first + 1;
      while (end < rows.size() && rows[end]->timestamp - rows[end - 1]->timestamp <= gap) ++end;
      points.clear();
      for (size_t i = first; i < end; ++i) points.push_back({x(rows[i]->timestamp), y(quantity(*rows[i]))});
      if (first > 0) series.breaks.push_back(series.points.size());
      std::vector<ChartPoint> kept = ReduceToPixelColumns(points, plotWidth, reduced);
      if (reduced) {
        // Too many to draw one by one: the range of each pixel column as a light band, and the
        // mean of each day as the line, so that no site's band hides another's course.
        if (first > 0) series.bandBreaks.push_back(series.band.size());
        for (size_t k = 0; k < kept.size(); ++k) {
          const bool pair = k + 1 < kept.size() && kept[k + 1].x == kept[k].x;
          const double a = kept[k].y, b = pair ? kept[k + 1].y : a;
          series.band.push_back({kept[k].x, std::min(a, b), std::max(a, b)});
          k += pair;
        }
        points.clear();
        for (size_t i = first; i < end;) {
          const int64_t day = rows[i]->timestamp - rows[i]->timestamp % kDay;
          double sum = 0;
          size_t n = 0;
          for (; i < end && rows[i]->timestamp - rows[i]->timestamp % kDay == day; ++i, ++n) sum += quantity(*rows[i]);
          points.push_back({x(day + kDay / 2), y(sum / static_cast<double>(n))});
        }
        bool again = false;
        kept = ReduceToPixelColumns(points, plotWidth, again);
      }
      series.reduced = series.reduced || reduced;
      series.points.insert(series.points.end(), kept.begin(), kept.end());
      for (size_t i = first; i < end && !series.reduced && request.calendar != nullptr; ++i) {
        series.tips.push_back(Tip(*rows[i], request));
      }
      first = end;
    }
    const Limit* limit = lines.empty() ? nullptr : LimitOf(*request.limits, request.type, location);
    if (limit != nullptr) {
      points.clear();
      for (const Reading* r : rows) {
        if (PastLimit(*limit, r->type, r->value) != 0) points.push_back({x(r->timestamp), y(r->value)});
      }
      series.past = ReduceToPixelColumns(points, plotWidth, reduced);
    }
    if (series.reduced) series.tips.clear();
    chart.series.push_back(std::move(series));
  }
  chart.distinct =
      chart.series.size() <= kMostLocations &&
      std::all_of(ofColour.begin(), ofColour.end(), [](const auto& c) { return c.second <= kMostOfAColour; });
  // A long legend makes the picture taller rather than run off it.
  if (chart.legend) {
    const double legendEnd = chart.top + kLegendLine * static_cast<double>(chart.series.size()) + 4;
    chart.height = std::max(chart.height, static_cast<int>(std::ceil(legendEnd)));
  }
  return chart;
}
