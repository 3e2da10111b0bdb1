#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Chart.h"
#include "Report.h"
#include "Tables.h"

namespace {

TEST(Chart, ValueTicksAreNiceAndCoverTheValues) {
  struct Case {
    double low, high;
    int most;
    ValueScale expected;
    // clang-format off
  } cases[] = {
      {1.2, 8.7, 6, {0, 10, 2, 0}},
      {0, 10, 5, {0, 10, 2.5, 1}},
      {7, 7, 6, {6, 8, 0.5, 1}},  // all values equal: widened around them
      {0, 0, 6, {-1, 1, 0.5, 1}},
      {-153, -121, 5, {-160, -120, 10, 0}},  // negative ORP
      {3.99, 4.01, 6, {3.99, 4.01, 0.005, 3}},
  };
  // clang-format on
  for (const Case& c : cases) {
    const ValueScale s = NiceValueScale(c.low, c.high, c.most);
    EXPECT_NEAR(s.low, c.expected.low, 1e-9) << c.low << " to " << c.high;
    EXPECT_NEAR(s.high, c.expected.high, 1e-9) << c.low << " to " << c.high;
    EXPECT_NEAR(s.step, c.expected.step, 1e-12) << c.low << " to " << c.high;
    EXPECT_EQ(s.decimals, c.expected.decimals) << c.low << " to " << c.high;
  }
}

TEST(Chart, TimeTicksReadWellAcrossDaysMonthsAndYears) {
  struct Case {
    const char* name;
    CivilTime from, to;
    int most;
    std::vector<std::string> ticks;  // first line/second line
    // clang-format off
  } cases[] = {
      {"hours over the new year", {2024, 12, 31, 22, 10}, {2025, 1, 1, 1, 50}, 5,
       {"23:00/31 Dec 2024", "00:00/1 Jan 2025", "01:00/"}},
      {"weeks start on Mondays", {2024, 3, 1, 0, 0}, {2024, 4, 15, 0, 0}, 8,
       {"4 Mar/2024", "11 Mar/", "18 Mar/", "25 Mar/", "1 Apr/", "8 Apr/", "15 Apr/"}},
      {"months over the new year", {2024, 10, 15, 0, 0}, {2025, 3, 10, 0, 0}, 6,
       {"Nov/2024", "Dec/", "Jan/2025", "Feb/", "Mar/"}},
      {"two minutes", {2025, 1, 1, 10, 0}, {2025, 1, 1, 10, 9}, 5,
       {"10:00/1 Jan 2025", "10:02/", "10:04/", "10:06/", "10:08/"}},
      {"two hours", {2025, 1, 1, 0, 30}, {2025, 1, 1, 8, 30}, 5, {"02:00/1 Jan 2025", "04:00/", "06:00/", "08:00/"}},
      {"two days", {2025, 1, 1, 0, 0}, {2025, 1, 9, 0, 0}, 5, {"2 Jan/2025", "4 Jan/", "6 Jan/", "8 Jan/"}},
      {"five years", {2000, 6, 1, 0, 0}, {2024, 6, 1, 0, 0}, 6, {"2005/", "2010/", "2015/", "2020/"}},
      {"six minutes, too many ticks of one", {2025, 1, 1, 10, 0}, {2025, 1, 1, 10, 6}, 5,
       {"10:00/1 Jan 2025", "10:02/", "10:04/", "10:06/"}},
      {"five minutes", {2025, 1, 1, 10, 0}, {2025, 1, 1, 10, 24}, 5,
       {"10:00/1 Jan 2025", "10:05/", "10:10/", "10:15/", "10:20/"}},
      {"fortnights", {2025, 1, 1, 0, 0}, {2025, 3, 12, 0, 0}, 5, {"6 Jan/2025", "20 Jan/", "3 Feb/", "17 Feb/", "3 Mar/"}},
      {"years", {2020, 6, 1, 0, 0}, {2025, 6, 1, 0, 0}, 6, {"2021/", "2022/", "2023/", "2024/", "2025/"}},
      {"half days", {2025, 1, 1, 0, 0}, {2025, 1, 3, 12, 0}, 6,
       {"00:00/1 Jan 2025", "12:00/", "00:00/2 Jan", "12:00/", "00:00/3 Jan", "12:00/"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::vector<std::string> ticks;
    for (const TimeTick& t : TimeTicks(TimestampOf(c.from), TimestampOf(c.to), c.most)) {
      ticks.push_back(t.label + "/" + t.second);
    }
    EXPECT_EQ(ticks, c.ticks) << c.name;
  }
  const auto months = TimeTicks(TimestampOf({2024, 10, 15, 0, 0}), TimestampOf({2025, 3, 10, 0, 0}), 6);
  EXPECT_EQ(months.at(0).moment, TimestampOf({2024, 11, 1, 0, 0})) << "a month's tick at its first midnight";
  // In a report, days and times in the page's own forms.
  const Calendar german = PictureCalendar("dd.MM.yyyy", "HH:mm");
  std::vector<std::string> shown;
  for (const auto& [from, to] : {std::pair{CivilTime{2025, 1, 5, 0, 0}, CivilTime{2025, 1, 9, 0, 0}},
                                 std::pair{CivilTime{2025, 1, 5, 20, 0}, CivilTime{2025, 1, 6, 4, 0}}}) {
    const std::vector<TimeTick> ticks = TimeTicks(TimestampOf(from), TimestampOf(to), 3, &german);
    shown.push_back(ticks.at(0).label + "/" + ticks[0].second + " " + ticks.at(1).label + "/" + ticks[1].second);
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"06.01.2025/ 08.01.2025/", "21:00/05.01.2025 00:00/06.01.2025"}));
}

// The picture draws the chart's geometry, to a tenth of a pixel.
TEST(Chart, PictureOfTheGeometry) {
  const std::vector<Reading> readings = {At("A1", 38, 7, 0, {2025, 1, 1, 0, 0}),
                                         At("A1", 38, -0.04f, 0, {2025, 1, 2, 0, 0})};
  const std::string svg = ChartSvg(BuildChart(readings, {38, ChartQuantity::Value, 300, 200}), "pH");
  EXPECT_NE(svg.find("<text x=\"51\" y=\"122\" text-anchor=\"end\">0</text>"), std::string::npos) << svg;
  EXPECT_NE(svg.find("d=\"M56 53.6L180 118.4\""), std::string::npos) << svg;
  const Chart one = BuildChart({readings.data(), 1}, {38, ChartQuantity::Value, 300, 200});
  EXPECT_DOUBLE_EQ(one.series.at(0).points.at(0).x, (one.left + one.right) / 2) << "one moment: in the middle";
}

// What a chart draws, from readings and its size alone.
TEST(Chart, GeometryOfHandMadeSeries) {
  {  // other types are left out; temperatures chart apart, warmer higher, oldest first
    std::vector<Reading> readings = {At("B", 38, 7, 5, {2024, 12, 31, 23, 0}), At("K", 38, 8, 15, {2025, 1, 1, 1, 0}),
                                     At("B", 38, 9, 10, {2025, 1, 1, 0, 0}), At("Z", 294, 99, 20, {2025, 1, 1, 0, 0})};
    const Chart chart = BuildChart(readings, {38, ChartQuantity::Temperature, 760, 150});
    ASSERT_EQ(chart.series.size(), 2u);
    const std::vector<ChartPoint>& b = chart.series[0].points;
    ASSERT_EQ(b.size(), 2u);
    EXPECT_DOUBLE_EQ(b[0].x, chart.left);  // oldest first, over the new year
    EXPECT_LT(b[1].y, b[0].y);             // warmer is higher
  }
  {  // negative values, many of them: a band of each pixel column's extremes, under a line of
     // the days' means (30,000 minutes: 21 days)
    std::vector<Reading> many;
    for (int i = 0; i < 30000; ++i) {
      many.push_back(At("T", 294, static_cast<float>(-100 + 50 * std::sin(i / 50.0)), 20,
                        CivilTimeOf(TimestampOf({2025, 1, 1, 0, 0}) + i * kTicksPerMinute)));
    }
    many[12345].value = 150;
    many[77].value = -1900;
    const Chart chart = BuildChart(many, {294, ChartQuantity::Value, 760, 280});
    const ChartSeries& s = chart.series.at(0);
    EXPECT_TRUE(s.reduced);
    EXPECT_TRUE(BuildChart({many.data(), 1500}, {294, ChartQuantity::Value, 760, 280}).series.at(0).reduced);
    EXPECT_EQ(s.points.size(), 21u);
    EXPECT_LE(s.band.size(), static_cast<size_t>(chart.right - chart.left + 1));
    const auto highest = std::min_element(
        s.band.begin(), s.band.end(), [](const ChartBandColumn& a, const ChartBandColumn& b) { return a.top < b.top; });
    const auto lowest =
        std::max_element(s.band.begin(), s.band.end(),
                         [](const ChartBandColumn& a, const ChartBandColumn& b) { return a.bottom < b.bottom; });
    const auto x = [&chart](int i) { return std::floor(chart.left + (chart.right - chart.left) * i / 29999); };
    EXPECT_EQ(highest->x, x(12345));
    // -1900 is far beyond the bulk (-150 to -50): left off the axis, drawn at its edge, and said.
    EXPECT_EQ(lowest->x, x(77));
    EXPECT_EQ(lowest->bottom, chart.bottom);
    EXPECT_EQ(chart.valueTicks.front().label, "-150");
    EXPECT_EQ(chart.note, "1 reading beyond the axis, as far as -1900");
    // The first day's mean: its minutes' values, the one at -1900 among them.
    double first = 0;
    for (int i = 0; i < 1440; ++i) first += many[static_cast<size_t>(i)].value;
    const ChartTick &low = chart.valueTicks.front(), &high = chart.valueTicks.back();
    const double y = low.at + (high.at - low.at) * (first / 1440 + 150) / (std::stod(high.label) + 150);
    EXPECT_NEAR(s.points[0].y, y, 1e-9);
  }
}

// Limits are drawn where the axis reaches them, those of a location only on its chart, and the
// readings past them are marked; the temperatures have no limits.
TEST(Chart, LimitsAndTheReadingsPastThem) {
  std::vector<Limit> limits;
  std::string error;
  ASSERT_TRUE(
      ParseLimits("ph: below 6.5, above 8.5\nph at B: above 7.5\nph at Q: below 1\norp-us: below 0", limits, error));
  const std::vector<Reading> readings = {
      At("A", 38, 7, 20, {2025, 1, 1, 0, 0}), At("A", 38, 6.4f, 20, {2025, 1, 1, 1, 0}),
      At("B", 38, 7.6f, 20, {2025, 1, 1, 0, 0}), At("B", 38, 8, 20, {2025, 1, 1, 2, 0})};
  const Chart chart = BuildChart(readings, {38, ChartQuantity::Value, 760, 280, &limits});
  ASSERT_EQ(chart.limitLines.size(), 3u);
  EXPECT_EQ(chart.limitLines[0].label, "below 6.5");
  EXPECT_EQ(chart.limitLines[2].label, "B: above 7.5");
  EXPECT_LT(chart.limitLines[1].at, chart.limitLines[2].at);  // 8.5 above 7.5: the axis reaches it
  const std::vector<ChartPoint>& a = chart.series.at(0).points;
  ASSERT_EQ(chart.series.at(0).past.size(), 1u);
  EXPECT_DOUBLE_EQ(chart.series[0].past[0].y, a.at(1).y);
  EXPECT_EQ(chart.series.at(1).past.size(), 2u);  // B answers to its own limit
  const std::string svg = ChartSvg(chart, "pH");
  EXPECT_NE(svg.find("stroke-dasharray=\"6 4\""), std::string::npos);
  EXPECT_NE(svg.find(">B: above 7.5</text>"), std::string::npos);
  const Chart temperatures = BuildChart(readings, {38, ChartQuantity::Temperature, 760, 150, &limits});
  EXPECT_TRUE(temperatures.limitLines.empty());
  EXPECT_TRUE(temperatures.series.at(0).past.empty());
}

// A location's colour is its name's, whatever else a chart holds; locations of one colour differ
// by marker and line, and a chart of too many to tell apart says so.
TEST(Chart, ColoursFixedByNameAndToldApart) {
  std::vector<std::string> names;
  for (int i = 0; i < 20; ++i) names.push_back("P" + std::to_string(i));
  // Two of one colour, found among the names.
  std::string first, second;
  for (size_t i = 0; i < names.size() && second.empty(); ++i) {
    for (size_t j = 0; j < i && second.empty(); ++j) {
      if (LocationColour(names[i]) == LocationColour(names[j])) first = names[j], second = names[i];
    }
  }
  ASSERT_FALSE(second.empty());
  const auto chartOf = [](const std::vector<std::string>& locations) {
    std::vector<Reading> readings;
    for (const std::string& l : locations) readings.push_back(At(l.c_str(), 38, 7, 20, {2025, 1, 1, 0, 0}));
    return BuildChart(readings, {38, ChartQuantity::Value, 760, 280});
  };
  const Chart alone = chartOf({second}), together = chartOf({first, second, "Q"});
  const ChartSeries& a = together.series.at(0);
  const ChartSeries& b = together.series.at(1);
  EXPECT_STREQ(alone.series.at(0).colour, b.colour);
  EXPECT_NE(a.marker, b.marker);
  EXPECT_STRNE(a.dash, b.dash);
  EXPECT_TRUE(together.distinct);
  EXPECT_FALSE(chartOf(names).distinct);  // twenty locations
}

// A line breaks where its readings stop for far longer than they usually come: a site measured
// each summer is not drawn across the winters.
TEST(Chart, LinesBreakAtLongGaps) {
  std::vector<Reading> readings;
  for (int year : {2024, 2025}) {
    for (int day = 1; day <= 28; ++day) readings.push_back(At("S", 38, 7, 20, {year, 6, day, 8, 0}));
  }
  readings.push_back(At("S", 38, 7, 20, {2025, 7, 8, 8, 0}));  // ten days on: within ten times a day
  const Chart chart = BuildChart(readings, {38, ChartQuantity::Value, 760, 280});
  const ChartSeries& s = chart.series.at(0);
  ASSERT_EQ(s.breaks, std::vector<size_t>{28});
  EXPECT_EQ(s.points.size(), 57u);
  const std::string svg = ChartSvg(chart, "pH");
  const size_t path = svg.find("stroke-width=\"1.5\" d=\"M");
  ASSERT_NE(path, std::string::npos);
  const std::string d = svg.substr(path, svg.find('"', path + 23) - path);
  EXPECT_EQ(std::count(d.begin(), d.end(), 'M'), 2);
}

}  // namespace
