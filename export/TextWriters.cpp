#include <algorithm>
#include <memory>
#include <vector>

#include "WriterParts.h"

namespace {

// The grid's texts converted once to the file's form: captions first, then rows.
struct EncodedGrid {
  std::vector<std::string> captions;
  std::vector<std::vector<std::string>> rows;
};

std::shared_ptr<EncodedGrid> Convert(const GridTexts& grid, const TextEncoder& toAnsi, const TextForm& form) {
  const bool utf8 = form.encoding != TextForm::Encoding::CodePage;
  auto encode = [&](const std::string& text) { return utf8 ? text : toAnsi(text); };
  auto texts = std::make_shared<EncodedGrid>();
  for (const GridColumn& column : grid.columns) texts->captions.push_back(encode(column.header));
  for (const std::vector<std::string>& row : grid.rows) {
    std::vector<std::string>& converted = texts->rows.emplace_back();
    for (size_t c = 0; c < row.size(); ++c) {
      std::string cell = row[c];
      const GridField field = grid.columns.at(c).field;
      if (field == GridField::Value || field == GridField::Temperature) {
        std::replace(cell.begin(), cell.end(), '.', form.decimalSeparator);
      }
      converted.push_back(encode(cell));
    }
  }
  return texts;
}

// Characters, as a fixed-width font lines them up: one byte each in a code page, one lead
// byte each in UTF-8.
size_t Length(const std::string& text, const TextForm& form) {
  if (form.encoding == TextForm::Encoding::CodePage) return text.size();
  return static_cast<size_t>(std::count_if(
      text.begin(), text.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }));
}

void DelimitedLine(std::string& out, const std::vector<std::string>& fields, char delimiter) {
  for (size_t c = 0; c < fields.size(); ++c) {
    if (c > 0) out += delimiter;
    out += fields[c];
  }
  out += kLineEnd;
}

// Every entry centred in its column; halves of the spare room go to the even side, and two
// spaces follow every column but the last.
void ColumnLine(std::string& out, const std::vector<std::string>& entries, const std::vector<size_t>& widths,
                const TextForm& form) {
  for (size_t c = 0; c < entries.size(); ++c) {
    const size_t spare = widths[c] - Length(entries[c], form);
    size_t lead = spare / 2;
    if (spare % 2 == 1 && lead % 2 == 1) ++lead;
    out.append(lead, ' ');
    out += entries[c];
    if (c + 1 < entries.size()) out.append(spare - lead + 2, ' ');
  }
  out += kLineEnd;
}

}  // namespace

WriterParts DelimitedParts(const GridTexts& grid, char delimiter, const TextEncoder& toAnsi, const TextForm& form) {
  const std::shared_ptr<EncodedGrid> texts = Convert(grid, toAnsi, form);
  WriterParts parts;
  parts.header = [texts, delimiter](std::string& out) { DelimitedLine(out, texts->captions, delimiter); };
  parts.row = [texts, delimiter](std::string& out, int32_t row) {
    DelimitedLine(out, texts->rows.at(static_cast<size_t>(row - 1)), delimiter);
  };
  parts.closing = [](std::string&) {};
  return parts;
}

WriterParts ColumnTextParts(const GridTexts& grid, const TextEncoder& toAnsi, const TextForm& form) {
  const std::shared_ptr<EncodedGrid> texts = Convert(grid, toAnsi, form);
  // Widths over every row of the grid, also when only some are written, so a saved
  // selection lines up exactly as the same rows do in a save of all.
  auto widths = std::make_shared<std::vector<size_t>>();
  for (const std::string& caption : texts->captions) widths->push_back(Length(caption, form));
  for (const std::vector<std::string>& row : texts->rows) {
    for (size_t c = 0; c < widths->size() && c < row.size(); ++c) {
      (*widths)[c] = std::max((*widths)[c], Length(row[c], form));
    }
  }
  WriterParts parts;
  parts.header = [texts, widths, form](std::string& out) { ColumnLine(out, texts->captions, *widths, form); };
  parts.row = [texts, widths, form](std::string& out, int32_t row) {
    ColumnLine(out, texts->rows.at(static_cast<size_t>(row - 1)), *widths, form);
  };
  parts.closing = [](std::string&) {};
  return parts;
}
