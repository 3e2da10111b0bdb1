#include <algorithm>
#include <memory>
#include <vector>

#include "WriterParts.h"

namespace {

// The grid's texts in the file's form, a row at a time as it is written, so a history of a
// million rows is never held twice.
class Encoder {
 public:
  Encoder(const GridTexts& grid, const TextEncoder& toAnsi, const TextForm& form)
      : grid_(grid), toAnsi_(toAnsi), form_(form) {}

  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const GridColumn& column : grid_.columns) captions.push_back(Encode(column.header));
    return captions;
  }
  // The row in the file's form; the texts returned are reused by the next call.
  const std::vector<std::string>& Row(size_t index) const {
    grid_.rows.cells(index, cells_);
    converted_.resize(cells_.size());
    for (size_t c = 0; c < cells_.size(); ++c) {
      std::string& cell = converted_[c];
      cell.assign(cells_[c]);
      const GridField field = grid_.columns.at(c).field;
      if (field == GridField::Value || field == GridField::Temperature) {
        std::replace(cell.begin(), cell.end(), '.', form_.decimalSeparator);
      }
      if (NeedsEncoding(cell)) cell = toAnsi_(cell);
    }
    return converted_;
  }

 private:
  // Plain ASCII is the same bytes in every code page.
  bool NeedsEncoding(const std::string& text) const {
    return form_.encoding == TextForm::Encoding::CodePage &&
           std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  }
  std::string Encode(const std::string& text) const { return NeedsEncoding(text) ? toAnsi_(text) : text; }

  const GridTexts& grid_;
  const TextEncoder toAnsi_;
  const TextForm form_;
  mutable std::vector<std::string_view> cells_;
  mutable std::vector<std::string> converted_;
};

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

// A cell that JSON reads as a number as it stands: -?(0|[1-9][0-9]*)(.[0-9]+)?
bool IsJsonNumber(std::string_view text) {
  size_t at = text.starts_with('-') ? 1 : 0;
  const auto digits = [&] {
    const size_t from = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    return at - from;
  };
  const size_t whole = digits();
  if (whole == 0 || (whole > 1 && text[at - whole] == '0')) return false;
  if (at < text.size() && text[at] == '.') {
    ++at;
    if (digits() == 0) return false;
  }
  return at == text.size();
}

void JsonString(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out.append(1, '\\').append(1, c);
    } else if (static_cast<unsigned char>(c) < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      out.append("\\u00").append(1, kHex[(c >> 4) & 0xF]).append(1, kHex[c & 0xF]);
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace

WriterParts JsonLinesParts(const GridTexts& grid) {
  struct Lines {
    std::vector<std::string> keys;  // each "key":
    std::vector<bool> numbers;
    std::vector<std::string_view> cells;
  };
  const auto lines = std::make_shared<Lines>();
  for (const GridColumn& column : grid.columns) {
    std::string key;
    JsonString(key, column.header);
    lines->keys.push_back(key + ":");
    lines->numbers.push_back(column.field == GridField::Value || column.field == GridField::Temperature);
  }
  WriterParts parts;
  parts.header = [](std::string&) {};
  parts.row = [lines, &grid](std::string& out, int32_t row) {
    grid.rows.cells(static_cast<size_t>(row - 1), lines->cells);
    out += '{';
    for (size_t c = 0; c < lines->keys.size() && c < lines->cells.size(); ++c) {
      if (c > 0) out += ',';
      out += lines->keys[c];
      const std::string_view cell = lines->cells[c];
      if (!lines->numbers[c]) {
        JsonString(out, cell);
      } else if (cell.empty()) {
        out += "null";
      } else if (IsJsonNumber(cell)) {
        out += cell;
      } else {  // a value the meter's mask wrote otherwise stays as it was written
        JsonString(out, cell);
      }
    }
    out += "}\n";
  };
  parts.closing = [](std::string&) {};
  return parts;
}

WriterParts DelimitedParts(const GridTexts& grid, char delimiter, const TextEncoder& toAnsi, const TextForm& form) {
  const auto texts = std::make_shared<Encoder>(grid, toAnsi, form);
  WriterParts parts;
  parts.header = [texts, delimiter](std::string& out) { DelimitedLine(out, texts->Captions(), delimiter); };
  parts.row = [texts, delimiter](std::string& out, int32_t row) {
    DelimitedLine(out, texts->Row(static_cast<size_t>(row - 1)), delimiter);
  };
  parts.closing = [](std::string&) {};
  return parts;
}

WriterParts ColumnTextParts(const GridTexts& grid, const TextEncoder& toAnsi, const TextForm& form) {
  const auto texts = std::make_shared<Encoder>(grid, toAnsi, form);
  // Widths over every row of the grid, also when only some are written, so a saved
  // selection lines up exactly as the same rows do in a save of all.
  auto widths = std::make_shared<std::vector<size_t>>();
  for (const std::string& caption : texts->Captions()) widths->push_back(Length(caption, form));
  for (size_t r = 0; r < grid.rows.size(); ++r) {
    const std::vector<std::string>& row = texts->Row(r);
    for (size_t c = 0; c < widths->size() && c < row.size(); ++c) {
      (*widths)[c] = std::max((*widths)[c], Length(row[c], form));
    }
  }
  WriterParts parts;
  parts.header = [texts, widths, form](std::string& out) { ColumnLine(out, texts->Captions(), *widths, form); };
  parts.row = [texts, widths, form](std::string& out, int32_t row) {
    ColumnLine(out, texts->Row(static_cast<size_t>(row - 1)), *widths, form);
  };
  parts.closing = [](std::string&) {};
  return parts;
}
