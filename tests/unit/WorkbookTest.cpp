#include <gtest/gtest.h>

#include <string>

#include "SaveFrame.h"
#include "Timestamp.h"
#include "Workbook.h"
#include "WriterParts.h"
#include "Zip.h"

namespace {

TEST(Workbook, DateTimeFormatShowsTheGridsPicturesInEveryCountry) {
  EXPECT_EQ(WorkbookDateTimeFormat("M/d/yyyy", "hh:mm tt"), "[$-409]m\\/d\\/yyyy hh\\:mm AM/PM");
  EXPECT_EQ(WorkbookDateTimeFormat("dd.MM.yy", "HH:mm"), "[$-409]dd\\.mm\\.yy hh\\:mm");
  EXPECT_EQ(WorkbookDateTimeFormat("d 'de' MMMM", "H:mm"), "[$-409]d \"de\" mmmm h\\:mm");
  EXPECT_EQ(WorkbookDateTimeFormat("yyyy-MM", ""), "[$-409]yyyy\\-mm");  // a date alone, no space after it
  // An empty quote; letters the workbook would read as fields.
  EXPECT_EQ(WorkbookDateTimeFormat("''A Z d", "H"), "[$-409]\"\"\\A \\Z d h");
}

// The sheet (stored, so readable in the zip): a bold heading row, numbers with the grid's
// decimals (three or more: text), the time as a day count with the minutes as a fraction.
TEST(Workbook, SheetOfTheGridsTexts) {
  ReadingTable table;
  table.readings[0].timestamp = TimestampOf({2024, 3, 5, 13, 5});
  table.readings[1].timestamp = TimestampOf({2024, 3, 5, 12, 0});
  GridTexts grid;
  grid.columns = {{"Location", 50, false, GridField::Location},
                  {"Time", 90, true, GridField::Time},
                  {"Reading", 50, true, GridField::Value},
                  {"Temp", 40, true, GridField::Temperature}};
  grid.rows = {{"A&1", "3/5/2024 01:05 PM", "7.00", "21.5"}, {"B", "3/5/2024 12:00 PM", "-150", "1.125"}};
  const std::string zip = SaveFileBytes(SaveFormat::Workbook, table, grid, {1, 2}, nullptr);
  EXPECT_NE(zip.find("<cols><col min=\"1\" max=\"1\" width=\"10\" customWidth=\"1\"/>"
                     "<col min=\"2\" max=\"2\" width=\"19\" customWidth=\"1\"/>"
                     "<col min=\"3\" max=\"3\" width=\"9\" customWidth=\"1\"/>"
                     "<col min=\"4\" max=\"4\" width=\"7\" customWidth=\"1\"/></cols><sheetData>"
                     "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>Location</t></is></c>"
                     "<c r=\"B1\" s=\"1\" t=\"inlineStr\"><is><t>Time</t></is></c>"
                     "<c r=\"C1\" s=\"1\" t=\"inlineStr\"><is><t>Reading</t></is></c>"
                     "<c r=\"D1\" s=\"1\" t=\"inlineStr\"><is><t>Temp</t></is></c></row>"
                     "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>A&amp;1</t></is></c>"
                     "<c r=\"B2\" s=\"5\"><v>45356.5451388889</v></c><c r=\"C2\" s=\"4\"><v>7.00</v></c>"
                     "<c r=\"D2\" s=\"3\"><v>21.5</v></c></row>"
                     "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>B</t></is></c>"
                     "<c r=\"B3\" s=\"5\"><v>45356.5</v></c><c r=\"C3\" s=\"2\"><v>-150</v></c>"
                     "<c r=\"D3\" s=\"6\" t=\"inlineStr\"><is><t>1.125</t></is></c></row>"
                     "</sheetData></worksheet>"),
            std::string::npos);
}

// Readings past what a sheet holds go on in further sheets, each under the captions, in both
// workbook formats (sheets of 3 rows here, of 1,048,576 in the files written).
TEST(Workbook, FurtherSheetsWhereOneCannotHoldThemAll) {
  ReadingTable table;
  GridTexts grid;
  grid.columns = {{"Location", 50, false, GridField::Location}};
  for (const char* location : {"P1", "P2", "P3", "P4", "P5"}) grid.rows.push_back({location});
  const std::vector<int32_t> rows = {1, 2, 3, 4, 5};
  // In pieces of a row or two, as a large file is written.
  const auto write = [&rows](const WriterParts& parts) {
    return MadeBytes([&](FileSink& sink) { MakeFile(parts, rows, sink, "", 1); });
  };
  const auto between = [](const std::string& text, const std::string& from, const std::string& to) {
    const size_t start = text.find(from);
    return start == std::string::npos ? "" : text.substr(start, text.find(to, start) - start);
  };
  const std::string xls = write(SpreadsheetParts(table, grid, 3));
  size_t sheets = 0;
  for (size_t at = xls.find("<Worksheet "); at != std::string::npos; at = xls.find("<Worksheet ", at + 1)) ++sheets;
  EXPECT_EQ(sheets, 3u);
  for (const char* sheet : {"Sheet1", "Sheet2", "Sheet3"}) {
    const std::string rows = between(xls, std::string("<Worksheet ss:Name=\"") + sheet, "</Worksheet>");
    EXPECT_NE(rows.find("ExpandedRowCount=\"3\""), std::string::npos) << sheet;
    EXPECT_EQ(rows.find("Location") < rows.find("P"), true) << sheet;
  }
  EXPECT_NE(xls.find("P2</Data></Cell>\r\n   </Row>\r\n  </Table>\r\n </Worksheet>\r\n <Worksheet ss:Name=\"Sheet2\">"),
            std::string::npos);
  const std::string xlsx = write(WorkbookParts(table, grid, rows, "m/d/yyyy", 3));
  EXPECT_NE(xlsx.find("<sheets><sheet name=\"Readings\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"Readings 2\" "
                      "sheetId=\"2\" r:id=\"rId2\"/><sheet name=\"Readings 3\" sheetId=\"3\" r:id=\"rId3\"/></sheets>"),
            std::string::npos);
  EXPECT_NE(xlsx.find("Target=\"worksheets/sheet3.xml\"/><Relationship Id=\"rId4\""), std::string::npos);
  EXPECT_NE(between(xlsx, "<Override PartName=\"/xl/worksheets/sheet3.xml\"", "/>"), "");
  EXPECT_EQ(between(xlsx, "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>P3", "</sheetData>"),
            "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>P3</t></is></c></row><row r=\"3\"><c r=\"A3\" "
            "t=\"inlineStr\"><is><t>P4</t></is></c></row>");
}

// One stored entry, byte for byte as the zip format lays it out; the CRC's check value.
TEST(Zip, StoredEntryAndCrc) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  const std::string header("\x14\0\0\0\0\0\0\0\x21\0\xF9\xEF\xBE\x71\1\0\0\0\1\0\0\0\1\0\0\0", 26);
  EXPECT_EQ(ZipArchive({{"a", "b"}}),
            std::string("PK\3\4", 4) + header + "ab" + std::string("PK\1\2\x14\0", 6) + header + std::string(14, '\0') +
                "a" + std::string("PK\5\6\0\0\0\0\1\0\1\0", 12) + std::string("\x2F\0\0\0\x20\0\0\0\0\0", 10));
}

}  // namespace
