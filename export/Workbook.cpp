#include "Workbook.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "Timestamp.h"
#include "XmlText.h"
#include "Zip.h"

namespace {

constexpr int64_t kDaysFrom1601To1899_12_30 = 109205;  // the workbook's day 0

// Cell styles, in the order of the style sheet's cellXfs below.
// Every cell but the first column's texts is centred, as the grid shows it.
enum Style { Plain = 0, Heading = 1, Whole = 2, OneDecimal = 3, TwoDecimals = 4, DateTime = 5, Centred = 6 };

const char* const kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

std::string ContentTypes(size_t sheets) {
  std::string xml = std::string(kXmlDeclaration) +
                    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                    "<Default Extension=\"rels\" "
                    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                    "<Override PartName=\"/xl/workbook.xml\" "
                    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
  for (size_t n = 1; n <= sheets; ++n) {
    xml += "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(n) +
           ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
  }
  return xml +
         "<Override PartName=\"/xl/styles.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
         "</Types>";
}

const char* const kPackageRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";

// Sheet n is "Readings", then "Readings 2" and on, with relationship rIdn.
std::string Workbook(size_t sheets) {
  std::string xml = std::string(kXmlDeclaration) +
                    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>";
  for (size_t n = 1; n <= sheets; ++n) {
    const std::string number = std::to_string(n);
    xml += "<sheet name=\"Readings" + (n == 1 ? "" : " " + number) + "\" sheetId=\"" + number + "\" r:id=\"rId" +
           number + "\"/>";
  }
  return xml + "</sheets></workbook>";
}

std::string WorkbookRelationships(size_t sheets) {
  std::string xml = std::string(kXmlDeclaration) +
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (size_t n = 1; n <= sheets; ++n) {
    xml += "<Relationship Id=\"rId" + std::to_string(n) +
           "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
           "Target=\"worksheets/sheet" +
           std::to_string(n) + ".xml\"/>";
  }
  return xml + "<Relationship Id=\"rId" + std::to_string(sheets + 1) +
         "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
         "Target=\"styles.xml\"/></Relationships>";
}

std::string Styles(const std::string& dateTimeFormat) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"0.0\"/>"
         "<numFmt numFmtId=\"165\" formatCode=\"" +
         XmlEscaped(dateTimeFormat) +
         "\"/></numFmts>"
         "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
         "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
         "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
         "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
         "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
         "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
         "<cellXfs count=\"7\">"
         "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
         "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\" applyAlignment=\"1\">"
         "<alignment horizontal=\"center\"/></xf>"
         "<xf numFmtId=\"1\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\" "
         "applyAlignment=\"1\"><alignment horizontal=\"center\"/></xf>"
         "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\" "
         "applyAlignment=\"1\"><alignment horizontal=\"center\"/></xf>"
         "<xf numFmtId=\"2\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\" "
         "applyAlignment=\"1\"><alignment horizontal=\"center\"/></xf>"
         "<xf numFmtId=\"165\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\" "
         "applyAlignment=\"1\"><alignment horizontal=\"center\"/></xf>"
         "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyAlignment=\"1\">"
         "<alignment horizontal=\"center\"/></xf>"
         "</cellXfs>"
         "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
         "</styleSheet>";
}

std::string ColumnName(size_t column) { return std::string(1, static_cast<char>('A' + column)); }

// The number a grid text shows, and how many decimals it shows it with (either separator).
bool Number(const std::string& text, std::string& number, int& decimals) {
  number.clear();
  decimals = 0;
  bool point = false, digit = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digit = true;
      decimals += point ? 1 : 0;
      number += c;
    } else if ((c == '.' || c == ',') && !point) {
      point = true;
      number += '.';
    } else if (c == '-' && i == 0) {  // no-mutate(&&): grid texts have no letters and no inner minus
      number += c;
    } else {
      return false;
    }
  }
  return digit;
}

// Days since the workbook's day 0, with the minutes as a fraction.
std::string SerialDateTime(int64_t timestamp) {
  const int64_t days = timestamp / kTicksPerDay - kDaysFrom1601To1899_12_30;
  const int64_t minutes = timestamp % kTicksPerDay / kTicksPerMinute;
  char text[40];
  std::snprintf(text, sizeof text, "%lld.%010lld", static_cast<long long>(days),
                static_cast<long long>((minutes * 10'000'000'000LL + 720) / 1440));
  std::string serial = text;
  while (serial.back() == '0') serial.pop_back();
  if (serial.back() == '.') serial.pop_back();
  return serial;
}

// The workbook as it is written: the zip, the open sheet and the row being made.
struct Book {
  ZipWriter zip;
  std::string head;  // every sheet's start, up to its rows
  std::string row;   // the row being made
  size_t sheet = 0;  // sheets begun
  int next = 1;      // the row of the sheet being written

  void Cell(size_t column, Style style, const std::string& inner, const char* type) {
    row += "<c r=\"" + ColumnName(column) + std::to_string(next) + "\"";
    if (style != Plain) row += " s=\"" + std::to_string(style) + "\"";
    if (type != nullptr) row += std::string(" t=\"") + type + "\"";
    row += ">" + inner + "</c>";
  }
  void Text(size_t column, Style style, const std::string& text) {
    Cell(column, style, "<is><t>" + XmlEscaped(text) + "</t></is>", "inlineStr");
  }
  void BeginSheet(std::string& out) {
    zip.Begin(out, "xl/worksheets/sheet" + std::to_string(++sheet) + ".xml");
    zip.Add(out, head);
    next = 1;
  }
  void EndSheet(std::string& out) {
    zip.Add(out, "</sheetData></worksheet>");
    zip.End();
  }
};

}  // namespace

std::string WorkbookDateTimeFormat(const std::string& datePicture, const std::string& timePicture) {
  // The format's own locale is United States English, and every separator is written as the
  // character itself: a spreadsheet set for another country would otherwise show its own date
  // separator and its own AM/PM words, and a German one reads "10.6.2026" as 10 June.
  std::string format = "[$-409]";
  const std::string picture = timePicture.empty() ? datePicture : datePicture + " " + timePicture;
  for (size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    const std::string letters(run, c);
    switch (c) {
      case 'd':
      case 'y': format += letters; break;
      case 'M': format += std::string(run, 'm'); break;  // months; minutes stay "m" after hours
      case 'm': format += letters; break;
      case 'h':
      case 'H': format += std::string(std::min<size_t>(run, 2), 'h'); break;
      case 't': format += "AM/PM"; break;
      case '\'': {  // quoted text stands as it is
        const size_t end = picture.find('\'', i + 1);
        const std::string quoted = picture.substr(i + 1, (end == std::string::npos ? picture.size() : end) - i - 1);
        format.append(1, '"').append(quoted).append(1, '"');
        run = (end == std::string::npos ? picture.size() : end + 1) - i;
        break;
      }
      default:  // another letter would be a field of the workbook's own, a mark a placeholder
        for (size_t k = 0; k < run; ++k) {
          if (c != ' ') format.push_back('\\');
          format.push_back(c);
        }
    }
    i += run;
  }
  return format;
}

WriterParts WorkbookParts(const ReadingTable& table, const GridTexts& grid, const std::vector<int32_t>& rows,
                          const std::string& dateTimeFormat, size_t sheetRows) {
  auto book = std::make_shared<Book>();
  WriterParts parts;
  parts.header = [book, &grid, &rows, dateTimeFormat, sheetRows](std::string& out) {
    // A sheet's column widths come before its rows: they are measured over every row first.
    std::vector<size_t> widths;
    for (const GridColumn& column : grid.columns) widths.push_back(column.header.size());
    std::vector<std::string_view> cells;
    for (int32_t row : rows) {
      grid.rows.cells(static_cast<size_t>(row - 1), cells);
      for (size_t c = 0; c < widths.size() && c < cells.size(); ++c) widths[c] = std::max(widths[c], cells[c].size());
    }
    std::string& head = book->head;
    head = std::string(kXmlDeclaration) +
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           "<sheetViews><sheetView workbookViewId=\"0\">"
           "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
           "</sheetView></sheetViews><cols>";
    for (size_t c = 0; c < grid.columns.size(); ++c) {
      const std::string n = std::to_string(c + 1);
      head += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" + std::to_string(widths[c] + 2) +
              "\" customWidth=\"1\"/>";
    }
    head += "</cols><sheetData>";
    book->row = "<row r=\"1\">";
    for (size_t c = 0; c < grid.columns.size(); ++c) book->Text(c, Heading, grid.columns[c].header);
    head += book->row + "</row>";
    // Every sheet holds sheetRows - 1 readings under its captions, and there is always one.
    const size_t sheets = std::max<size_t>(1, (rows.size() + sheetRows - 2) / (sheetRows - 1));
    book->zip.Entry(out, "[Content_Types].xml", ContentTypes(sheets));
    book->zip.Entry(out, "_rels/.rels", kPackageRelationships);
    book->zip.Entry(out, "xl/workbook.xml", Workbook(sheets));
    book->zip.Entry(out, "xl/_rels/workbook.xml.rels", WorkbookRelationships(sheets));
    book->zip.Entry(out, "xl/styles.xml", Styles(dateTimeFormat));
    book->BeginSheet(out);
  };
  parts.row = [book, &table, &grid, sheetRows](std::string& out, int32_t row) {
    // A full sheet goes on in the next, under the captions again.
    if (static_cast<size_t>(book->next) == sheetRows) {
      book->EndSheet(out);
      book->BeginSheet(out);
    }
    ++book->next;
    book->row = "<row r=\"" + std::to_string(book->next) + "\">";
    const std::vector<std::string> cells = grid.rows.at(static_cast<size_t>(row - 1));
    for (size_t c = 0; c < grid.columns.size(); ++c) {
      const std::string& text = cells.at(c);
      std::string number;
      int decimals = 0;
      switch (grid.columns[c].field) {
        case GridField::Time:
          book->Cell(c, DateTime,
                     "<v>" + SerialDateTime(table.readings.at(static_cast<size_t>(row - 1)).timestamp) + "</v>",
                     nullptr);
          break;
        case GridField::Value:
        case GridField::Temperature:
          if (text.empty()) break;  // no temperature: no cell
          if (Number(text, number, decimals) && decimals < 3) {
            book->Cell(c,
                       decimals == 0   ? Whole
                       : decimals == 1 ? OneDecimal
                                       : TwoDecimals,
                       "<v>" + number + "</v>", nullptr);
            break;
          }
          [[fallthrough]];
        case GridField::Location:
        case GridField::Type: book->Text(c, c == 0 ? Plain : Centred, text); break;
      }
    }
    book->row += "</row>";
    book->zip.Add(out, book->row);
  };
  parts.closing = [book](std::string& out) {
    book->EndSheet(out);
    book->zip.Finish(out);
  };
  parts.patches = [book] { return book->zip.patches(); };
  return parts;
}
