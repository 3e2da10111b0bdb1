#include <algorithm>
#include <cstdio>
#include <memory>

#include "Timestamp.h"
#include "WriterParts.h"

namespace {

// The fixed lines before the columns, without their line ends. The Workbook start tag runs
// over lines 2 to 6; the html prefix is bound to the namespace the format declares for it.
constexpr const char* kHead[] = {
    "<?xml version=\"1.0\"?>",
    "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"",
    " xmlns:o=\"urn:schemas-microsoft-com:office:office\"",
    " xmlns:x=\"urn:schemas-microsoft-com:office:excel\"",
    " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"",
    " xmlns:html=\"http://www.w3.org/TR/REC-html40\">",
    " <Styles>",
    "  <Style ss:ID=\"Default\" ss:Name=\"Normal\">",
    "   <Alignment ss:Vertical=\"Bottom\"/>",
    "   <Borders/>",
    "   <Font/>",
    "   <Interior/>",
    "   <NumberFormat/>",
    "   <Protection/>",
    "  </Style>",
    "  <Style ss:ID=\"s24\">",
    "   <Alignment ss:Horizontal=\"Center\" ss:Vertical=\"Bottom\"/>",
    "   <Borders>",
    "    <Border ss:Position=\"Bottom\" ss:LineStyle=\"Continuous\" ss:Weight=\"2\"/>",
    "   </Borders>",
    "   <Font x:Family=\"Swiss\" ss:Bold=\"1\"/>",
    "   <NumberFormat ss:Format=\"@\"/>",
    "  </Style>",
    "  <Style ss:ID=\"s25\">",
    "   <Alignment ss:Horizontal=\"Center\" ss:Vertical=\"Bottom\"/>",
    "   <NumberFormat ss:Format=\"@\"/>",
    "  </Style>",
    "  <Style ss:ID=\"s27\">",
    "   <Alignment ss:Horizontal=\"Center\" ss:Vertical=\"Bottom\"/>",
    "   <NumberFormat ss:Format=\"General Date\"/>",
    "  </Style>",
    "  <Style ss:ID=\"s30\">",
    "   <Alignment ss:Horizontal=\"Center\" ss:Vertical=\"Bottom\"/>",
    "   <NumberFormat ss:Format=\"0.0\"/>",
    "  </Style>",
    "  <Style ss:ID=\"s31\">",
    "   <Alignment ss:Horizontal=\"Center\" ss:Vertical=\"Bottom\"/>",
    "   <NumberFormat ss:Format=\"0.00\"/>",
    "  </Style>",
    "  <Style ss:ID=\"s32\">",
    "   <Alignment ss:Horizontal=\"Center\" ss:Vertical=\"Bottom\"/>",
    "   <NumberFormat ss:Format=\"0\"/>",
    "  </Style>",
    " </Styles>",
};

const char* ColumnWidth(GridField field) {
  switch (field) {
    case GridField::Location: return "54";
    case GridField::Type: return "91.5";
    case GridField::Time: return "99";
    case GridField::Value:
    case GridField::Temperature: break;
  }
  return "65.25";
}

// Numbers keep the grid's text; the style shows as many decimals as the text has. A text
// with three or more is left as text.
int Decimals(const std::string& text) {
  const size_t point = text.find('.');
  if (point == std::string::npos) return 0;
  const size_t next = text.find('.', point + 1);
  return static_cast<int>((next == std::string::npos ? text.size() : next) - point - 1);
}

void Cell(std::string& out, const char* style, const char* type, const std::string& text) {
  out += "    <Cell ss:StyleID=\"";
  out += style;
  out += "\"><Data ss:Type=\"";
  out += type;
  out += "\">";
  out += text;
  out += "</Data></Cell>";
  out += kLineEnd;
}

void Line(std::string& out, const char* text) {
  out += text;
  out += kLineEnd;
}

// A worksheet's start, its columns and the captions' row, declaring `rows` rows at most.
void SheetHead(std::string& out, const GridTexts& grid, int sheet, size_t rows) {
  Line(out, (" <Worksheet ss:Name=\"Sheet" + std::to_string(sheet) + "\">").c_str());
  out += "  <Table ss:ExpandedColumnCount=\"";
  out += std::to_string(grid.columns.size());
  out += "\" ss:ExpandedRowCount=\"" + std::to_string(rows) + "\" x:FullColumns=\"1\"";
  out += kLineEnd;
  Line(out, "   x:FullRows=\"1\" ss:DefaultColumnWidth=\"54\" ss:DefaultRowHeight=\"14.25\">");
  for (const GridColumn& column : grid.columns) {
    out += "   <Column ss:AutoFitWidth=\"0\" ss:Width=\"";
    out += ColumnWidth(column.field);
    out += "\"/>";
    out += kLineEnd;
  }
  Line(out, "   <Row ss:Height=\"15\">");
  for (const GridColumn& column : grid.columns) Cell(out, "s24", "String", column.header);
  Line(out, "   </Row>");
}

void SheetEnd(std::string& out) {
  Line(out, "  </Table>");
  Line(out, " </Worksheet>");
}

}  // namespace

std::string SpreadsheetDateTimeText(const ReadingTable& table, int32_t index) {
  const CivilTime t = CivilTimeOf(table.readings.at(static_cast<size_t>(index)).timestamp);
  char text[40];
  std::snprintf(text, sizeof text, "%d-%02d-%02dT%02d:%02d:00.000", t.year, t.month, t.day, t.hour, t.minute);
  return text;
}

WriterParts SpreadsheetParts(const ReadingTable& table, const GridTexts& grid, size_t sheetRows) {
  WriterParts parts;
  auto written = std::make_shared<size_t>(0);
  parts.header = [&grid, sheetRows](std::string& out) {
    for (const char* line : kHead) Line(out, line);
    // A download's sheet always declares its 250 slots and the header; a history may hold more.
    SheetHead(out, grid, 1, std::min(std::max<size_t>(ReadingTable::kCapacity, grid.rows.size()) + 1, sheetRows));
  };
  parts.row = [&table, &grid, sheetRows, written](std::string& out, int32_t row) {
    // A full sheet goes on in the next, under the captions again.
    if (*written > 0 && *written % (sheetRows - 1) == 0) {
      SheetEnd(out);
      SheetHead(out, grid, static_cast<int>(*written / (sheetRows - 1)) + 1, sheetRows);
    }
    ++*written;
    Line(out, "   <Row>");
    const std::vector<std::string> cells = grid.rows.at(static_cast<size_t>(row - 1));
    for (size_t c = 0; c < grid.columns.size(); ++c) {
      const std::string& text = cells.at(c);
      switch (grid.columns[c].field) {
        case GridField::Location:
        case GridField::Type: Cell(out, "s25", "String", text); break;
        case GridField::Time: Cell(out, "s27", "DateTime", SpreadsheetDateTimeText(table, row - 1)); break;
        case GridField::Temperature:
          if (text.empty()) break;
          [[fallthrough]];
        case GridField::Value: {
          static constexpr const char* kNumberStyles[] = {"s32", "s30", "s31"};
          const int decimals = Decimals(text);
          if (decimals < 3) {
            Cell(out, kNumberStyles[decimals], "Number", text);
          } else {
            Cell(out, "s25", "String", text);
          }
          break;
        }
      }
    }
    Line(out, "   </Row>");
  };
  parts.closing = [](std::string& out) {
    SheetEnd(out);
    Line(out, "</Workbook>");
  };
  return parts;
}
