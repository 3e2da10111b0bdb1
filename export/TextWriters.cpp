#include <algorithm>
#include <memory>
#include <vector>

#include "WriterParts.h"

namespace {

// The grid's texts converted once to the file's code page: captions first, then rows.
struct AnsiGrid {
  std::vector<std::string> captions;
  std::vector<std::vector<std::string>> rows;
};

std::shared_ptr<AnsiGrid> Convert(const GridTexts& grid, const TextEncoder& toAnsi) {
  auto ansi = std::make_shared<AnsiGrid>();
  for (const GridColumn& column : grid.columns) ansi->captions.push_back(toAnsi(column.header));
  for (const std::vector<std::string>& row : grid.rows) {
    std::vector<std::string>& converted = ansi->rows.emplace_back();
    for (const std::string& cell : row) converted.push_back(toAnsi(cell));
  }
  return ansi;
}

void DelimitedLine(std::string& out, const std::vector<std::string>& fields, const std::string& delimiter) {
  for (size_t c = 0; c < fields.size(); ++c) {
    if (c > 0) out += delimiter;
    out += fields[c];
  }
  out += kLineEnd;
}

// Every entry centred in its column; halves of the spare room go to the even side, and two
// spaces follow every column but the last.
void ColumnLine(std::string& out, const std::vector<std::string>& entries, const std::vector<size_t>& widths) {
  for (size_t c = 0; c < entries.size(); ++c) {
    const size_t spare = widths[c] - entries[c].size();
    size_t lead = spare / 2;
    if (spare % 2 == 1 && lead % 2 == 1) ++lead;
    out.append(lead, ' ');
    out += entries[c];
    if (c + 1 < entries.size()) out.append(spare - lead + 2, ' ');
  }
  out += kLineEnd;
}

}  // namespace

WriterParts DelimitedParts(const GridTexts& grid, const std::string& delimiter, const TextEncoder& toAnsi) {
  const std::shared_ptr<AnsiGrid> ansi = Convert(grid, toAnsi);
  WriterParts parts;
  parts.header = [ansi, delimiter](std::string& out) { DelimitedLine(out, ansi->captions, delimiter); };
  parts.row = [ansi, delimiter](std::string& out, int32_t row) {
    DelimitedLine(out, ansi->rows.at(static_cast<size_t>(row - 1)), delimiter);
  };
  parts.closing = [](std::string&) {};
  return parts;
}

WriterParts ColumnTextParts(const GridTexts& grid, const TextEncoder& toAnsi) {
  const std::shared_ptr<AnsiGrid> ansi = Convert(grid, toAnsi);
  // Widths over every row of the grid, also when only some are written, so a saved
  // selection lines up exactly as the same rows do in a save of all.
  auto widths = std::make_shared<std::vector<size_t>>();
  for (const std::string& caption : ansi->captions) widths->push_back(caption.size());
  for (const std::vector<std::string>& row : ansi->rows) {
    for (size_t c = 0; c < widths->size() && c < row.size(); ++c) (*widths)[c] = std::max((*widths)[c], row[c].size());
  }
  WriterParts parts;
  parts.header = [ansi, widths](std::string& out) { ColumnLine(out, ansi->captions, *widths); };
  parts.row = [ansi, widths](std::string& out, int32_t row) {
    ColumnLine(out, ansi->rows.at(static_cast<size_t>(row - 1)), *widths);
  };
  parts.closing = [](std::string&) {};
  return parts;
}
