#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Tables.h"

// The expected bytes are laid out line by line as the files are.
// clang-format off
namespace {

const Calendar kWritersCalendar = UsCalendar({2024, 3, 20, 12, 0});

std::string Bytes(SaveFormat format, ReadingTable& table, const std::vector<int32_t>& rows = {},
                  const TextForm& form = {}) {
  return Saved(format, table, kWritersCalendar, rows, form);
}

// Dissolved oxygen in %Sat: one type with temperature, four columns.
ReadingTable Saturation() {
  return Table(MeterKind::DissolvedOxygen, {At("POND A", 286, 49.9f, 12.5f, {2024, 3, 7, 9, 5}),
                                            At("INLET", 286, 100.5f, -5.0f, {2024, 3, 7, 0, 5}),
                                            At("INLET", 286, 50.0f, 0.0f, {2024, 3, 8, 23, 59})});
}

TEST(DelimitedText, SingleTypeWithTemperature) {
  ReadingTable table = Saturation();
  const std::string csv =
      "Location,Time,D.O. (%Sat),Temp (\xB0" "C)\r\n"
      "INLET,3/8/2024 11:59 PM,50,0.0\r\n"
      "INLET,3/7/2024 12:05 AM,100,-5.0\r\n"
      "POND A,3/7/2024 09:05 AM,49.9,12.5\r\n";
  EXPECT_EQ(Bytes(SaveFormat::CommaDelimited, table), csv);
  std::string tab = csv;
  for (char& c : tab) {
    if (c == ',') c = '\t';
  }
  EXPECT_EQ(Bytes(SaveFormat::TabDelimited, table), tab);
}

// Spreadsheets set up for a decimal comma: only the numbers change, never a label's dots;
// the mixed table's empty temperature cell still ends its line with the delimiter; UTF-8
// columns line up in characters as the code page's do; the mark leads a UTF-8 csv.
TEST(TextForms, ChangeOnlyWhatTheyName) {
  TextForm european;
  european.decimalSeparator = ',';
  european.commaDelimiter = ';';
  european.encoding = TextForm::Encoding::Utf8WithMark;
  ReadingTable mixed = Table(MeterKind::MultiParameter, {At("TANK2", 38, 7.0f, 21.5f, {2024, 3, 5, 13, 5}),
                                                         At("A1", 35, 1234.0f, 0.0f, {2024, 3, 5, 12, 0}),
                                                         At("TANK2", 294, -150.0f, 9.0f, {2024, 3, 6, 0, 30})},
                             LocationTypeTime);
  EXPECT_EQ(Bytes(SaveFormat::CommaDelimited, mixed, {}, european),
            "\xEF\xBB\xBF" "Location;Type(Units);Time;Reading;Temp (\xC2\xB0" "C)\r\n"
            "A1;SS-Hi(mg/l);3/5/2024 12:00 PM;1234;\r\n"
            "TANK2;pH;3/5/2024 01:05 PM;7,00;21,5\r\n"
            "TANK2;ORP (mV-U.S.);3/6/2024 12:30 AM;-150;9,0\r\n");
  european.encoding = TextForm::Encoding::Utf8;
  EXPECT_EQ(Bytes(SaveFormat::TabDelimited, mixed, {2}, european),
            "Location\tType(Units)\tTime\tReading\tTemp (\xC2\xB0" "C)\r\n"
            "TANK2\tpH\t3/5/2024 01:05 PM\t7,00\t21,5\r\n");
  ReadingTable saturation = Saturation();
  TextForm utf8;
  utf8.encoding = TextForm::Encoding::Utf8;
  EXPECT_EQ(Utf8ToWindows1252(Bytes(SaveFormat::ColumnText, saturation, {}, utf8)),
            Bytes(SaveFormat::ColumnText, saturation));
}

// The 27 characters of 0x80 to 0x9F and the Latin-1 range become their bytes; characters the
// code page lacks, broken sequences and a 4-byte character each become one "?".
TEST(TextForms, Windows1252OfEveryCharacterItHas) {
  EXPECT_EQ(Utf8ToWindows1252("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"),
            "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
  EXPECT_EQ(Utf8ToWindows1252("A\xC2\xA0\xC3\xBF\xC2\x80\xC2\x81\xC4\x80\xF0\x9F\x98\x80\xC3" "A\xE2\x82"),
            "A\xA0\xFF????" "?A??");
}

// Suspended solids: three columns, widths over every row (also those not saved), halves of the
// spare room to the even side, two spaces between columns and none after the last text.
TEST(ColumnText, CentresEveryEntryInItsColumn) {
  ReadingTable table = Table(MeterKind::SuspendedSolids, {At("A1", 35, 123.0f, 0, {2024, 3, 7, 9, 5}),
                                                          At("WELL 3", 35, 45678.0f, 0, {2024, 3, 12, 10, 0})});
  EXPECT_EQ(Bytes(SaveFormat::ColumnText, table, {1}),
            "Location  " "       Time         " "SS (mg/l)\r\n"
            "   A1     " "3/7/2024 09:05 AM   " "   123\r\n");
}

TEST(ColumnText, LeadAndTrailForEverySpareWidth) {
  // A caption of 9 characters over cells of 9 - D characters; the cell sits in the middle
  // column so its trail shows before the last column's "|".
  const int leads[] = {0, 0, 1, 2, 2, 2, 3, 4, 4, 4};
  for (int d = 0; d <= 9; ++d) {
    GridTexts grid;
    grid.columns = {{"ABCDEFGHI", 50, false, GridField::Location}, {"|", 50, true, GridField::Value}};
    grid.rows = {{std::string(9 - d, 'x'), "|"}};
    ReadingTable table;
    const std::string bytes = SaveFileBytes(SaveFormat::ColumnText, table, grid, {1}, nullptr);
    const std::string row = bytes.substr(bytes.find("\r\n") + 2);
    const std::string expected =
        std::string(leads[d], ' ') + std::string(9 - d, 'x') + std::string(d - leads[d] + 2, ' ') + "|\r\n";
    EXPECT_EQ(row, expected) << "D = " << d;
  }
}

// A history can hold more rows than a download's 250 slots: the sheet declares them all.
TEST(Spreadsheet, DeclaresEveryRowOfALongHistory) {
  GridTexts grid;
  grid.columns = {{"Location", 50, false, GridField::Location}};
  grid.rows.assign(300, {"P1"});
  ReadingTable table;
  const std::string sheet = SaveFileBytes(SaveFormat::Spreadsheet, table, grid, {}, nullptr);
  EXPECT_NE(sheet.find("ss:ExpandedRowCount=\"301\""), std::string::npos);
}

TEST(EveryFormat, EmptyGridHasItsHeaderOnly) {
  ReadingTable table = Table(MeterKind::SuspendedSolids, {At("A1", 35, 123.0f, 0, {2024, 3, 7, 9, 5})});
  GridTexts grid = fillGrid(table, kWritersCalendar);
  grid.rows.clear();
  auto bytes = [&](SaveFormat format) { return SaveFileBytes(format, table, grid, {}, nullptr); };
  EXPECT_EQ(bytes(SaveFormat::CommaDelimited), "Location,Time,SS (mg/l)\r\n");
  EXPECT_EQ(bytes(SaveFormat::ColumnText), "Location  Time  SS (mg/l)\r\n");
  EXPECT_EQ(bytes(SaveFormat::Spreadsheet).find("<Row>"), std::string::npos);
}

// A cell style of the data rows: centred, with its number format.
std::string CentredStyle(const char* id, const char* format) {
  return std::string("  <Style ss:ID=\"") + id + "\">\r\n"
         "   <Alignment ss:Horizontal=\"Center\" ss:Vertical=\"Bottom\"/>\r\n"
         "   <NumberFormat ss:Format=\"" + format + "\"/>\r\n"
         "  </Style>\r\n";
}

// The workbook of a small mixed table: the cells' styles and everything after them.
TEST(Spreadsheet, WholeWorkbook) {
  ReadingTable table = Table(MeterKind::MultiParameter, {At("A1", 35, 1234.0f, 0.0f, {2024, 3, 5, 0, 5}),
                                                         At("B", 38, 7.25f, 21.5f, {2024, 3, 5, 23, 59})});
  const std::string expected =
      // The fixed lines before these are the template's own text, restated by nothing here;
      // the command-line checks parse the whole sheet.
      CentredStyle("s25", "@") + CentredStyle("s27", "General Date") + CentredStyle("s30", "0.0") +
      CentredStyle("s31", "0.00") + CentredStyle("s32", "0") +
      " </Styles>\r\n"
      " <Worksheet ss:Name=\"Sheet1\">\r\n"
      "  <Table ss:ExpandedColumnCount=\"5\" ss:ExpandedRowCount=\"251\" x:FullColumns=\"1\"\r\n"
      "   x:FullRows=\"1\" ss:DefaultColumnWidth=\"54\" ss:DefaultRowHeight=\"14.25\">\r\n"
      "   <Column ss:AutoFitWidth=\"0\" ss:Width=\"54\"/>\r\n"
      "   <Column ss:AutoFitWidth=\"0\" ss:Width=\"99\"/>\r\n"
      "   <Column ss:AutoFitWidth=\"0\" ss:Width=\"65.25\"/>\r\n"
      "   <Column ss:AutoFitWidth=\"0\" ss:Width=\"91.5\"/>\r\n"
      "   <Column ss:AutoFitWidth=\"0\" ss:Width=\"65.25\"/>\r\n"
      "   <Row ss:Height=\"15\">\r\n"
      "    <Cell ss:StyleID=\"s24\"><Data ss:Type=\"String\">Location</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s24\"><Data ss:Type=\"String\">Time</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s24\"><Data ss:Type=\"String\">Reading</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s24\"><Data ss:Type=\"String\">Type(Units)</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s24\"><Data ss:Type=\"String\">Temp (\xC2\xB0" "C)</Data></Cell>\r\n"
      "   </Row>\r\n"
      "   <Row>\r\n"
      "    <Cell ss:StyleID=\"s25\"><Data ss:Type=\"String\">A1</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s27\"><Data ss:Type=\"DateTime\">2024-03-05T00:05:00.000</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s32\"><Data ss:Type=\"Number\">1234</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s25\"><Data ss:Type=\"String\">SS-Hi(mg/l)</Data></Cell>\r\n"
      "   </Row>\r\n"
      "   <Row>\r\n"
      "    <Cell ss:StyleID=\"s25\"><Data ss:Type=\"String\">B</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s27\"><Data ss:Type=\"DateTime\">2024-03-05T23:59:00.000</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s31\"><Data ss:Type=\"Number\">7.25</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s25\"><Data ss:Type=\"String\">pH</Data></Cell>\r\n"
      "    <Cell ss:StyleID=\"s30\"><Data ss:Type=\"Number\">21.5</Data></Cell>\r\n"
      "   </Row>\r\n"
      "  </Table>\r\n"
      " </Worksheet>\r\n"
      "</Workbook>\r\n";
  const std::string sheet = Bytes(SaveFormat::Spreadsheet, table);
  EXPECT_EQ(sheet.rfind("<?xml version=\"1.0\"?>\r\n<Workbook ", 0), 0u);
  EXPECT_EQ(sheet.substr(sheet.find("  <Style ss:ID=\"s25\">")), expected);
}

// For other programs: a row a reading in fixed columns whatever the meter, the time with the
// offset of its own date (each differs, west of Greenwich by half hours), the type
// by its command-line name; without a known zone, UTC.
TEST(ForPrograms, IsoColumnsAndJsonLines) {
  ReadingTable table = Table(MeterKind::MultiParameter, {At("A1", 35, 1234.0f, 0.0f, {2024, 3, 5, 0, 5}),
                                                         At("B", 38, 7.25f, 21.5f, {2024, 7, 5, 23, 59}),
                                                         At("B", 294, -150.0f, -0.5f, {2024, 1, 9, 14, 30})});
  Calendar calendar = kWritersCalendar;
  calendar.utcOffsetMinutes = [](const CivilTime& t) { return t.month == 1 ? -210 : t.month == 3 ? 600 : 345; };
  const GridTexts grid = fillIsoGrid(table, calendar);
  const std::vector<int32_t> rows = {1, 2, 3};
  EXPECT_EQ(SaveFileBytes(SaveFormat::CommaDelimited, table, grid, rows, nullptr),
            "location,time,type,units,value,temperature\r\n"
            "A1,2024-03-05T00:05:00+10:00,ss-high,mg/l,1234,\r\n"
            "B,2024-07-05T23:59:00+05:45,ph,pH,7.25,21.5\r\n"
            "B,2024-01-09T14:30:00-03:30,orp-us,mV,-150,-0.5\r\n");
  EXPECT_EQ(SaveFileBytes(SaveFormat::JsonLines, table, grid, {3, 1}, nullptr),
            "{\"location\":\"B\",\"time\":\"2024-01-09T14:30:00-03:30\",\"type\":\"orp-us\",\"units\":\"mV\","
            "\"value\":-150,\"temperature\":-0.5}\n"
            "{\"location\":\"A1\",\"time\":\"2024-03-05T00:05:00+10:00\",\"type\":\"ss-high\",\"units\":\"mg/l\","
            "\"value\":1234,\"temperature\":null}\n");
  EXPECT_EQ(IsoTimestampText(TimestampOf({2024, 7, 5, 0, 5}), kWritersCalendar), "2024-07-05T00:05:00+00:00");
}

// Whatever a grid holds, each line is JSON: strings escaped, numbers only where JSON reads them.
TEST(ForPrograms, JsonOfAnyCells) {
  GridTexts grid;
  grid.columns = {{"na\"me", 1, true, GridField::Location},
                  {"value", 1, true, GridField::Value},
                  {"temperature", 1, true, GridField::Temperature}};
  grid.rows = {{"a\\b\x01\xC2\xB0", "007", ""}, {"x", "-0.50", "1."}, {"y", "12", "-"}};
  ReadingTable table;
  EXPECT_EQ(SaveFileBytes(SaveFormat::JsonLines, table, grid, {1, 2, 3}, nullptr),
            "{\"na\\\"me\":\"a\\\\b\\u0001\xC2\xB0\",\"value\":\"007\",\"temperature\":null}\n"
            "{\"na\\\"me\":\"x\",\"value\":-0.50,\"temperature\":\"1.\"}\n"
            "{\"na\\\"me\":\"y\",\"value\":12,\"temperature\":\"-\"}\n");
}

}  // namespace
