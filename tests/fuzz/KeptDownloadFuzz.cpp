// Arbitrary text as a kept download, on the whole way a replay takes: the parser must end with
// a verdict, whatever it accepts must write back to text it accepts again, and every file made
// from it must be well formed (the workbook's numbers, above all, which a spreadsheet rejects).
// The same text as a log of corrections: each line it accepts writes back to the same line; and
// as a limits file: a verdict that names its line, and limits that some reading is within.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Corrections.h"
#include "KeptDownload.h"
#include "Limits.h"
#include "ReadingGrid.h"
#include "SaveFrame.h"

namespace {

// Every "<v>" of the workbook's sheet (stored, not compressed) holds a whole decimal number.
bool NumbersAreNumbers(const std::string& workbook) {
  for (size_t at = workbook.find("<v>"); at != std::string::npos; at = workbook.find("<v>", at + 3)) {
    char* end = nullptr;
    std::strtod(workbook.c_str() + at + 3, &end);
    if (end == workbook.c_str() + at + 3 || workbook.compare(static_cast<size_t>(end - workbook.c_str()), 4, "</v>")) {
      return false;
    }
  }
  return true;
}

// A verdict on a log: an error names its line and shows no control character.
void CheckCorrections(const std::string& text) {
  std::vector<Correction> corrections, again;
  std::string error;
  if (!ParseCorrections(text, corrections, error)) {
    if (error.rfind("line ", 0) != 0 || Printable(error) != error) __builtin_trap();
    return;
  }
  std::string written = "Datapond corrections, format 1\n";
  for (const Correction& c : corrections) written += CorrectionLine(c);
  if (!ParseCorrections(written, again, error) || again.size() != corrections.size()) __builtin_trap();
  for (size_t i = 0; i < again.size(); ++i) {
    if (CorrectionLine(again[i]) != CorrectionLine(corrections[i])) __builtin_trap();
  }
}

void CheckLimits(const std::string& text) {
  std::vector<Limit> limits;
  std::string error;
  if (!ParseLimits(text, limits, error)) {
    if (error.rfind("line ", 0) != 0 || Printable(error) != error) __builtin_trap();
    return;
  }
  for (const Limit& limit : limits) {
    if (!limit.below && !limit.above) __builtin_trap();
    if (LimitOf(limits, limit.type, limit.location) != &limit) __builtin_trap();
    // A bound itself is never past it.
    for (const auto* bound : {&limit.below, &limit.above}) {
      if (!bound->has_value() || (*bound)->decimals > 0 || (*bound)->units < -2000 || (*bound)->units > 2000) continue;
      if (limit.type == 294 && PastLimit(limit, 294, static_cast<float>((*bound)->units)) != 0) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckCorrections(std::string(reinterpret_cast<const char*>(data), size));
  CheckLimits(std::string(reinterpret_cast<const char*>(data), size));
  KeptDownload kept;
  std::string error;
  if (!ParseKeptDownload(std::string(reinterpret_cast<const char*>(data), size), kept, error)) {
    if (error.rfind("line ", 0) != 0 || Printable(error) != error) __builtin_trap();
    return 0;
  }
  for (const auto& record : kept.records) {
    if (static_cast<int32_t>(record.size()) != kept.registersPerRecord) __builtin_trap();
  }
  KeptDownload again;
  if (!ParseKeptDownload(FormatKeptDownload(kept), again, error)) __builtin_trap();
  ReadingTable table;
  const bool unanswered = kept.kind == MeterKind::DissolvedOxygen && kept.units == UnitsNotAsked;
  if (ReplayIntoTable(kept, unanswered ? UnitsMgPerLitre : kept.units, table) == 0) return 0;
  const GridTexts grid = fillGrid(table, PictureCalendar("M/d/yyyy"));
  std::vector<int32_t> rows;
  for (int32_t row = 1; row <= table.count; ++row) rows.push_back(row);
  for (SaveFormat format : {SaveFormat::Spreadsheet, SaveFormat::CommaDelimited, SaveFormat::TabDelimited,
                            SaveFormat::ColumnText, SaveFormat::Workbook}) {
    const std::string bytes = SaveFileBytes(format, table, grid, rows, nullptr);
    if (format == SaveFormat::Workbook && !NumbersAreNumbers(bytes)) __builtin_trap();
  }
  return 0;
}
