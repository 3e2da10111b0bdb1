#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "DownloadSession.h"
#include "FakeMeter.h"
#include "History.h"
#include "KeptDownload.h"
#include "Meters.h"
#include "ReadingSort.h"
#include "ReadingTypes.h"
#include "Report.h"
#include "Tables.h"

namespace {

const Calendar kHistoryCalendar = UsCalendar({2025, 7, 1, 9, 0});

// The meter's minute count of a moment in 2025.
int32_t Minutes(int month, int day, int hour, int minute) {
  return static_cast<int32_t>((TimestampOf({2025, month, day, hour, minute}) - TimestampOf({2025, 1, 1, 0, 0})) /
                              kTicksPerMinute);
}

struct Logged {
  const char* location;
  int16_t raw, tenths;
  int32_t minutes;
  uint16_t type = 0;  // the meter's own for dissolved oxygen and suspended solids
};

KeptDownload Kept(MeterKind kind, int day, int32_t units, const std::vector<Logged>& records) {
  KeptDownload kept;
  kept.kind = kind;
  kept.registersPerRecord = MeterOf(kind).registersPerRecord;
  kept.moment.time = {2025, 6, day, 12, 0};
  kept.units = units;
  for (const Logged& r : records) {
    kept.records.push_back(RecordRegisters(kept.registersPerRecord, r.location, r.raw, r.tenths, r.minutes, r.type));
  }
  kept.records.resize(static_cast<size_t>(MeterOf(kind).recordCount),
                      std::vector<uint16_t>(static_cast<size_t>(kept.registersPerRecord), 0xFFFF));
  return kept;
}

const int32_t kJune1 = Minutes(6, 1, 0, 0), kMay31Late = Minutes(5, 31, 23, 59), kJune2 = Minutes(6, 2, 8, 30);

// Two multiparameter downloads that share readings, a suspended-solids meter, a
// dissolved-oxygen download kept without its units and one kept with them.
std::vector<KeptDownload> Downloads() {
  return {
      Kept(MeterKind::MultiParameter, 3, UnitsNotAsked,
           {{"A1", 700, 215, kJune1, 38},
            {"A1", 710, 215, kJune2, 38},
            {"B2", 1234, 0, kMay31Late, 35},
            {"TANK", -150, 180, kJune2, 294},
            {"bad", 700, 0, kJune1, 38}}),
      Kept(MeterKind::MultiParameter, 5, UnitsNotAsked,
           {{"A1", 710, 215, kJune2, 38}, {"A1", 700, 215, kJune1, 38}, {"A1", 720, 215, kMay31Late, 38}}),
      Kept(MeterKind::SuspendedSolids, 4, UnitsNotAsked, {{"B2", 1234, 0, kMay31Late}, {"C3", 88, 0, kJune1}}),
      Kept(MeterKind::DissolvedOxygen, 4, UnitsNotAsked, {{"D4", 812, 200, kJune1}}),
      Kept(MeterKind::DissolvedOxygen, 4, UnitsMgPerLitre, {{"D4", 812, 200, kJune2}}),
  };
}

// Location, row label and value of each reading, and its date when asked.
std::vector<std::string> Rows(const ReadingTable& table, bool dated = false) {
  std::vector<std::string> rows;
  for (int i = 0; i < table.count; ++i) {
    const RowTexts texts = rowTexts(table, i);
    const Reading& r = table.readings[static_cast<size_t>(i)];
    rows.push_back(r.location + " " + texts.label + " " + texts.value +
                   (dated ? " " + kHistoryCalendar.shortDate(CivilTimeOf(r.timestamp)) : ""));
  }
  return rows;
}

// Each reading once, with the label of the meter that first held it, in the order a download
// is shown; the filters alone and together; the downloads and meters behind the result.
TEST(History, MergesFiltersAndSaysWhatItCovers) {
  CivilTime may31, june1, june2;
  ASSERT_TRUE(ParseIsoDate("2025-05-31", may31) && ParseIsoDate("2025-06-01", june1) &&
              ParseIsoDate("2025-06-02", june2));
  struct Case {
    const char* name;
    HistoryFilter filter;
    std::vector<std::string> rows;  // location, row label, value, newest first within a location
    std::vector<size_t> downloads;
    // clang-format off
  } cases[] = {
      {"everything",
       {},
       {"A1 pH 7.10", "A1 pH 7.00", "A1 pH 7.20", "B2 SS-Hi(mg/l) 1234", "C3 SS (mg/l) 88", "D4 D.O. (mg/l) 8.1",
        "TANK ORP (mV-U.S.) -150"},
       {0, 1, 2, 4}},
      {"a location, in any case", {{"a1", "C3"}, {}, {}, {}}, {"A1 pH 7.10", "A1 pH 7.00", "A1 pH 7.20", "C3 SS (mg/l) 88"},
       {0, 1, 2}},
      {"since, from midnight",
       {{}, {}, june1, {}},
       {"A1 pH 7.10", "A1 pH 7.00", "C3 SS (mg/l) 88", "D4 D.O. (mg/l) 8.1", "TANK ORP (mV-U.S.) -150"},
       {0, 1, 2, 4}},
      {"until, to the day's last minute", {{}, {}, {}, may31}, {"A1 pH 7.20", "B2 SS-Hi(mg/l) 1234"}, {0, 1, 2}},
      {"all together", {{"A1", "TANK"}, {38}, june1, june2}, {"A1 pH 7.10", "A1 pH 7.00"}, {0, 1}},
  };
  // clang-format on
  const std::vector<KeptDownload> kept = Downloads();
  for (const Case& c : cases) {
    ReadingTable table;
    HistorySummary what;
    EXPECT_EQ(BuildHistory(kept, c.filter, table, what), static_cast<int32_t>(c.rows.size())) << c.name;
    EXPECT_EQ(Rows(table), c.rows) << c.name;
    EXPECT_EQ(what.downloads, c.downloads) << c.name;
    EXPECT_EQ(what.withoutUnits, std::vector<size_t>{3}) << c.name;
  }
}

// The page holds well-formed pictures and nothing from elsewhere, every text escaped; its
// summary and its list of readings use the grid's texts.
TEST(Report, SelfContainedPageOfEscapedTexts) {
  const std::vector<KeptDownload> kept = Downloads();
  ReadingTable table;
  HistorySummary what;
  BuildHistory(kept, {}, table, what);
  const GridTexts grid = fillGrid(table, kHistoryCalendar);
  const std::string page = ReportHtml(table, grid, what, kHistoryCalendar);

  EXPECT_NE(page.find("<h1>Logged readings, 5/31/2025 to 6/2/2025</h1>\n<p>Meters: Brevanta Model Orvane D.O., "
                      "Brevanta Model Tessil TSS, Brevanta MultiParameter Portable</p>\n<p>4 downloads, read from "
                      "6/3/2025 to 6/5/2025, 7 readings.</p>"),
            std::string::npos);
  EXPECT_NE(page.find("<tr><td>A1</td><td>pH</td><td>3</td><td>5/31/2025 11:59 PM</td><td>6/2/2025 08:30 AM</td>"
                      "<td>7.00</td><td>7.20</td><td>7.10</td><td>7.10</td></tr>"),
            std::string::npos);
  for (const char* outside : {"<script src", "<link", "@import", "url(", "src=", "fetch("}) {
    EXPECT_EQ(page.find(outside), page.npos);
  }
  // Four types, one without temperatures, and a title to escape.
  const std::string svg = ChartSvg(BuildChart(table.readings, {38, ChartQuantity::Value, 300, 200}), "<\"&'>");
  EXPECT_NE(svg.find("&lt;&quot;&amp;&#39;&gt;"), std::string::npos);
  size_t pictures = 0;
  for (size_t at = page.find("<svg"); at != std::string::npos; at = page.find("<svg", at + 1)) ++pictures;
  EXPECT_EQ(pictures, 7u);  // the command-line checks parse a report's pictures as XML
}

// A page of a million readings would not open: the report lists the most recent, in the
// grid's order, and says where the rest are.
TEST(History, ReportListsTheMostRecentReadings) {
  std::vector<Reading> readings;
  // Two sites a minute apart, in turn, from 1 January 2025; the last two share their minute.
  for (int i = 0; i < static_cast<int>(kReportRows) + 5; ++i) {
    readings.push_back(At(i % 2 ? "B" : "A", 35, static_cast<float>(i), 0, {2025, 1, 1, 0, 0}));
    readings.back().timestamp += std::min(i, static_cast<int>(kReportRows) + 3) * kTicksPerMinute;
  }
  ReadingTable table = Table(MeterKind::SuspendedSolids, readings);
  const GridTexts grid = fillGrid(table, kHistoryCalendar);
  const std::string page = ReportHtml(table, grid, {}, kHistoryCalendar);
  const std::string listed = page.substr(page.find("<pre>"), page.find("</pre>") - page.find("<pre>"));
  EXPECT_NE(page.find("<h2>Recent readings</h2>\n<p>The 1000 most recent of the 1005 readings; "), std::string::npos);
  size_t lines = 0;
  for (char c : listed) lines += c == '\n';
  EXPECT_EQ(lines, kReportRows + 1);  // and the captions
  // The five oldest (0 to 4, in 12:00 AM to 12:04 AM) are left out; the newest two are listed.
  for (const char* oldest : {"12:00 AM", "12:01 AM", "12:04 AM"}) EXPECT_EQ(listed.find(oldest), listed.npos) << oldest;
  EXPECT_NE(listed.find("<pre>Location\tTime\t\t\tSS (mg/l)\nA\t\t1/1/2025 04:43 PM\t1004\n"), listed.npos);
  EXPECT_NE(listed.find("\nB\t\t1/1/2025 04:43 PM\t1003\n"), listed.npos);
}

// With limits, the page opens with the runs past them, the latest first, before the charts.
TEST(History, ReportOpensWithTheRunsPastTheLimits) {
  std::vector<Limit> limits, others;
  std::string error;
  ASSERT_TRUE(ParseLimits("ph: below 6.5\nph at B: above 7\n", limits, error));
  ASSERT_TRUE(ParseLimits("orp-us: below 0\n", others, error));
  ReadingTable table = Table(MeterKind::MultiParameter,
                             {At("A", 38, 7, 20, {2025, 5, 3, 10, 0}), At("A", 38, 6, 20, {2025, 6, 1, 11, 0}),
                              At("A", 38, 6.2f, 20, {2025, 6, 1, 12, 0}), At("A", 38, 7, 20, {2025, 6, 3, 13, 30}),
                              At("B", 38, 7.5f, 20, {2025, 6, 2, 9, 0})});
  const GridTexts grid = fillGrid(table, kHistoryCalendar);
  const std::string page = ReportHtml(table, grid, {}, kHistoryCalendar, limits);
  const size_t runs = page.find("<h2>Past the limits</h2>\n<p>2 runs of readings past a limit, the latest first.");
  EXPECT_LT(runs, page.find("<h2>Charts</h2>"));
  const size_t b = page.find(
      "<tr><td>B</td><td>pH</td><td>above 7</td><td>6/2/2025 09:00 AM</td><td>still past</td>"
      "<td>ongoing</td><td>1</td><td>7.50</td></tr>");
  const size_t a = page.find(
      "<tr><td>A</td><td>pH</td><td>below 6.5</td><td>6/1/2025 11:00 AM</td>"
      "<td>6/3/2025 01:30 PM</td><td>2 d 2 h</td><td>2</td><td>6.00</td></tr>");
  EXPECT_LT(runs, b);
  EXPECT_LT(b, a);
  EXPECT_NE(a, std::string::npos);
  // The figures of each month, and of the last 31 days: 6/3 is the last day, so 5/3 is too early.
  EXPECT_NE(page.find("<tr><td>A</td><td>pH</td><td>2025-06</td><td>3</td><td>6.00</td><td>6.40</td><td>7.00</td>"
                      "<td>1</td></tr>"),
            std::string::npos);
  EXPECT_NE(page.find("<tr><td>A</td><td>pH</td><td>6/1/2025</td><td>2</td>"), std::string::npos);
  EXPECT_EQ(page.find("<td>5/3/2025</td>"), std::string::npos);
  const std::string calm = ReportHtml(table, grid, {}, kHistoryCalendar, others);
  EXPECT_NE(calm.find("<h2>Past the limits</h2>\n<p>No reading is past a limit.</p>"), std::string::npos);
  EXPECT_EQ(ReportHtml(table, grid, {}, kHistoryCalendar).find("Past the limits"), std::string::npos);
}

// What the command line passes in is taken only when it is exactly right.
TEST(History, ParsesTypeNamesAndDatesStrictly) {
  EXPECT_EQ(ReadingTypeNames(), "do-ppm|do-sat|do-mgl|ss-low|ss-high|ph|orp-us|orp-eur");
  const std::pair<const char*, int> types[] = {{"do-mgl", 542}, {"orp-eur", 550}, {"PH", -1}, {"ph ", -1}, {"38", -1}};
  for (const auto& [name, expected] : types) {
    uint16_t code = 0;
    EXPECT_EQ(ParseReadingTypeName(name, code) ? code : -1, expected) << name;
  }
  for (const char* text : {"2024-02-29", "2023-02-28", "1601-01-01"}) {
    CivilTime date{1, 1, 1, 7, 7};
    EXPECT_TRUE(ParseIsoDate(text, date)) << text;
    EXPECT_EQ(FormatDatePicture("yyyy-MM-dd", date) + FormatTimePicture("HH:mm", date), std::string(text) + "00:00");
  }
  for (const char* text : {"2023-02-29", "2024-13-01", "2024-00-10", "2024-04-31", "1600-12-31", "2024-2-09",
                           "2024-02-9", " 2024-02-09", "2024-02-09 ", "2024/02/09", "2024-0a-09", "+024-02-09", ""}) {
    CivilTime date;
    EXPECT_FALSE(ParseIsoDate(text, date)) << text;
  }
}

// A reading counts as often as the one download that holds it most often, so the history of
// one download is its own table; a record read again a year later keeps its first year.
TEST(History, EachReadingAsOftenAsOneDownloadHoldsIt) {
  const Logged dec20{"A1", 700, 215, Minutes(12, 20, 8, 0), 38}, dec27{"A1", 710, 215, Minutes(12, 27, 8, 0), 38};
  const auto lastYearAndThis = [&] {
    std::vector<KeptDownload> kept{Kept(MeterKind::MultiParameter, 22, UnitsNotAsked, {dec20}),
                                   Kept(MeterKind::MultiParameter, 28, UnitsNotAsked, {dec20, dec27})};
    kept[0].moment.time.month = kept[1].moment.time.month = 12;
    kept[1].moment.time.year = 2026;
    return kept;
  };
  const Logged orp{"A1", -150, 180, kJune1, 294}, ph{"A1", 700, 215, kJune1, 38}, other{"B2", 88, 0, kJune2, 38};
  struct Case {
    const char* name;
    std::vector<KeptDownload> kept;
    std::vector<std::string> rows;
  } cases[] = {
      {"kept in 2025 and again in 2026", lastYearAndThis(), {"A1 pH 7.10 12/27/2026", "A1 pH 7.00 12/20/2025"}},
      {"twice in one, three times in another, once in a third",
       {Kept(MeterKind::MultiParameter, 3, UnitsNotAsked, {ph, ph}),
        Kept(MeterKind::MultiParameter, 4, UnitsNotAsked, {other, ph, ph, ph}),
        Kept(MeterKind::MultiParameter, 5, UnitsNotAsked, {ph})},
       {"A1 pH 7.00 6/1/2025", "A1 pH 7.00 6/1/2025", "A1 pH 7.00 6/1/2025", "B2 pH 0.88 6/2/2025"}},
      {"level in place and time: as the download holds them",
       {Kept(MeterKind::MultiParameter, 3, UnitsNotAsked, {orp, ph, other, ph})},
       {"A1 ORP (mV-U.S.) -150 6/1/2025", "A1 pH 7.00 6/1/2025", "A1 pH 7.00 6/1/2025", "B2 pH 0.88 6/2/2025"}},
  };
  for (const Case& c : cases) {
    ReadingTable history, own;
    HistorySummary what;
    BuildHistory(c.kept, {}, history, what);
    EXPECT_EQ(Rows(history, true), c.rows) << c.name;
    if (c.kept.size() == 1) {
      ReplayIntoTable(c.kept[0], UnitsNotAsked, own);
      SortTable(own);  // as fillGrid does
      EXPECT_EQ(Rows(history, true), Rows(own, true)) << c.name;
    }
  }
}

// Past many growths of the merge's tables, read twice over: every reading still found again,
// none lost and none counted twice.
TEST(History, ManyDistinctReadingsEachOnce) {
  std::vector<KeptDownload> kept;
  for (int download = 0; download < 40; ++download) {
    std::vector<Logged> records;
    for (int r = 0; r < 250; ++r)
      records.push_back({"A1", static_cast<int16_t>(700 + r % 90), 215, Minutes(5, 1, 0, download * 250 + r), 38});
    kept.push_back(Kept(MeterKind::MultiParameter, 10, UnitsNotAsked, records));
  }
  const std::vector<KeptDownload> again = kept;
  kept.insert(kept.end(), again.begin(), again.end());
  ReadingTable table;
  HistorySummary what;
  EXPECT_EQ(BuildHistory(kept, {}, table, what), 10000);
}

// Each download kept refreshes the report from every download in the folder; one that cannot
// be kept says where and why, and leaves the report as it was.
TEST(DownloadSession, KeepsThenReportsWhatTheFolderHolds) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "datapond-session-test";
  std::filesystem::remove_all(root);
  const std::string folder = (root / "kept").string(), report = ReportBeside(folder);
  EXPECT_EQ(report, (root / "Readings report.html").string());
  const FileSystem files = LocalFileSystem();
  const std::vector<KeptDownload> kept = Downloads();
  const auto reported = [&] {
    std::string page, reason;
    return files.read(report, 1 << 20, page, reason) ? page : reason;
  };
  for (const KeptDownload& download : {kept[0], kept[2]}) {
    const KeepOutcome outcome = KeepAndReport(download, folder, files, report, kHistoryCalendar);
    EXPECT_TRUE(outcome.kept && !outcome.id.empty() && outcome.message.empty()) << outcome.message;
  }
  const std::string both = reported();
  EXPECT_NE(both.find("<p>2 downloads, read from 6/3/2025 to 6/4/2025, 5 readings.</p>"), both.npos) << both;
  EXPECT_TRUE(KeepAndReport(kept[1], folder, files, "", kHistoryCalendar).kept);
  const KeepOutcome blocked = KeepAndReport(kept[3], report, files, report, kHistoryCalendar);  // a file, not a folder
  EXPECT_FALSE(blocked.kept);
  EXPECT_EQ(blocked.message.rfind("This download could not be kept in " + report + ": ", 0), 0u) << blocked.message;
  if (kPathSeparator == '/') {
    EXPECT_NE(blocked.message.find(": Not a directory."), std::string::npos);
  }
  EXPECT_EQ(reported(), both) << "neither the download kept without a report nor the one not kept";
  std::filesystem::remove_all(root);
}

}  // namespace
