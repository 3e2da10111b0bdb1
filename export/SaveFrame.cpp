#include "SaveFrame.h"

#include <algorithm>

#include "Ansi.h"
#include "Workbook.h"
#include "WriterParts.h"

namespace {

constexpr SaveDialogText kDialogs[] = {
    {"Save As .xls", "Excel (.xls)", "*.xls", ".xls"},
    {"Save As .csv", "Excel (.csv)", "*.csv", ".csv"},
    {"Save As Tabbed .txt", "Text (.txt)", "*.txt", ".txt"},
    {"Save As Column Formatted Text .txt", "Text (.txt)", "*.txt", ".txt"},
    {"Save As .xlsx", "Excel Workbook (.xlsx)", "*.xlsx", ".xlsx"},
    {"Save As .json", "JSON lines (.json)", "*.json", ".json"},
};

WriterParts PartsOf(SaveFormat format, const ReadingTable& table, const GridTexts& grid,
                    const std::vector<int32_t>& rows, const TextEncoder& toAnsi, const TextForm& form) {
  switch (format) {
    case SaveFormat::Spreadsheet: return SpreadsheetParts(table, grid);
    case SaveFormat::CommaDelimited: return DelimitedParts(grid, form.commaDelimiter, toAnsi, form);
    case SaveFormat::TabDelimited: return DelimitedParts(grid, '\t', toAnsi, form);
    case SaveFormat::Workbook: return WorkbookParts(table, grid, rows, form.workbookDateTime);
    case SaveFormat::JsonLines: return JsonLinesParts(grid);
    case SaveFormat::ColumnText: break;
  }
  return ColumnTextParts(grid, toAnsi, form);
}

}  // namespace

const SaveDialogText& SaveDialogOf(SaveFormat format) { return kDialogs[static_cast<int>(format)]; }

void MakeFile(const WriterParts& parts, const std::vector<int32_t>& rows, FileSink& sink, std::string_view lead,
              size_t piece) {
  std::string out(lead);
  parts.header(out);
  for (int32_t row : rows) {
    parts.row(out, row);
    if (out.size() < piece) continue;
    if (!sink.put(out)) return;
    out.clear();
  }
  parts.closing(out);
  if (!sink.put(out) || !parts.patches) return;
  for (const FilePatch& patch : parts.patches()) sink.putAt(patch.offset, patch.bytes);
}

FileMaker SaveFileMaker(SaveFormat format, const ReadingTable& table, const GridTexts& grid,
                        const std::vector<int32_t>& rows, const TextEncoder& toAnsi, const TextForm& form) {
  return [=, &table, &grid, &rows](FileSink& sink) {
    const WriterParts parts =
        PartsOf(format, table, grid, rows, toAnsi ? toAnsi : TextEncoder(Utf8ToWindows1252), form);
    // no byte-order mark: JSON text never begins with one
    const bool text =
        format != SaveFormat::Spreadsheet && format != SaveFormat::Workbook && format != SaveFormat::JsonLines;
    MakeFile(parts, rows, sink, text && form.encoding == TextForm::Encoding::Utf8WithMark ? "\xEF\xBB\xBF" : "");
  };
}

std::string SaveFileBytes(SaveFormat format, const ReadingTable& table, const GridTexts& grid,
                          const std::vector<int32_t>& rows, const TextEncoder& toAnsi, const TextForm& form) {
  return MadeBytes(SaveFileMaker(format, table, grid, rows, toAnsi, form));
}

SaveResult RunSave(SaveFormat format, ReadingTable& table, const GridTexts& grid,
                   const std::vector<int32_t>& selectedRows, const std::string& saveFolder,
                   const SaveFrontEnd& frontEnd, const FileSystem& files) {
  const int32_t scope = selectedRows.empty() ? 1 : frontEnd.scopePrompt();
  SaveResult result;
  // A question closed without an answer (Escape, Alt+F4) saves nothing, rather than the
  // selection alone as if that had been asked for.
  if (scope != 1 && scope != 2) return result;
  result.path = frontEnd.chooseFile(SaveDialogOf(format), saveFolder);
  if (result.path.empty()) return result;

  // The selected rows top to bottom, each once, and only rows the grid has.
  std::vector<int32_t> rows;
  const auto rowCount = static_cast<int32_t>(grid.rows.size());
  if (scope == 1) {
    for (int32_t r = 1; r <= rowCount; ++r) rows.push_back(r);
  } else {
    for (int32_t r : selectedRows) {
      if (r >= 1 && r <= rowCount) rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  }

  // A file that could not be written is no save: the data stays unsaved and nothing is
  // remembered, so the quit question still protects the readings.
  if (!files.writeMade(result.path, SaveFileMaker(format, table, grid, rows, frontEnd.toAnsi, frontEnd.textForm),
                       result.reason)) {
    result.outcome = SaveOutcome::Failed;
    return result;
  }
  result.outcome = SaveOutcome::Saved;
  table.dataSaved = 1;
  frontEnd.rememberFolder(FolderPart(result.path));
  return result;
}
