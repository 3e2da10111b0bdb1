// What the commands share: messages, statuses, the archive folder and the writing of files.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "Ansi.h"
#include "Archive.h"
#include "Commands.h"
#include "DefaultsFile.h"
#include "KeptDownload.h"
#include "ReadingGrid.h"
#include "SaveFrame.h"
#include "Terminal.h"
#include "Workbook.h"

namespace {

// An output in the columns and forms of other programs.
bool ForPrograms(const WriteOptions& options, const OutputRequest& output) {
  return options.iso || output.format == SaveFormat::JsonLines;
}

// The form of one text output: the program's own unless options say otherwise, and on a
// terminal the terminal's character set.
TextForm FormOf(const WriteOptions& options, const OutputRequest& output, bool terminalShowsUtf8) {
  TextForm form;
  if (ForPrograms(options, output)) {  // their own fixed form, whatever a terminal shows
    form.encoding = TextForm::Encoding::Utf8;
    form.commaDelimiter = options.delimiter;
    return form;
  }
  form.decimalSeparator = options.decimalComma ? ',' : '.';
  form.commaDelimiter = options.delimiter;
  if (options.encoding == Encoding::Utf8) {
    form.encoding =
        output.format == SaveFormat::CommaDelimited ? TextForm::Encoding::Utf8WithMark : TextForm::Encoding::Utf8;
  } else if (options.encoding == Encoding::NotGiven && output.path.empty() && terminalShowsUtf8) {
    form.encoding = TextForm::Encoding::Utf8;
  }
  return form;
}

}  // namespace

void Say(const std::string& message) { std::fprintf(stderr, "%s\n", Printable(message).c_str()); }

namespace {
bool quiet = false;  // --quiet: what went well is not said
}  // namespace

void SetQuiet(bool on) { quiet = on; }
bool Quiet() { return quiet; }

void Tell(const std::string& message) {
  if (!quiet) Say(message);
}

int UsageError(const std::string& problem) {
  Say("datapond-cli: " + problem + " (see datapond-cli --help)");
  return Usage;
}

int NotWrittenError(const std::string& what, const std::string& reason) {
  Say("datapond-cli: cannot write " + what + ": " + reason);
  return NotWritten;
}

int WriteOut(const std::string& bytes, bool utf8Text) {
  std::string reason;
  return WriteStandardOutput(bytes, utf8Text, reason) ? Saved : NotWrittenError("standard output", reason);
}

int CheckOutputPath(const std::string& given, const FileSystem& files) {
  const std::filesystem::path path = std::filesystem::absolute(given);
  if (files.isFolder(path.string())) return NotWrittenError(given, "it is a folder");
  if (!files.isFolder(path.parent_path().string())) {
    return NotWrittenError(given, "there is no folder " + path.parent_path().string());
  }
  // A folder we may not write in is found now, not once the meter has been read; a device is
  // written as it is, in a folder of the system's.
  std::string probe, reason;
  if (IsDevicePath(path.string())) return Saved;
  if (!files.writeNew(path.parent_path().string(), "", probe, reason)) return NotWrittenError(given, reason);
  files.remove(probe);
  return Saved;
}

int CheckOutputFolders(const WriteOptions& options, const FileSystem& files) {
  for (const OutputRequest& output : options.outputs) {
    // A workbook's bytes on a terminal are noise, and may set it in a state of their choosing.
    const bool binary = output.format == SaveFormat::Workbook || output.format == SaveFormat::Spreadsheet;
    if (output.path.empty() && binary && IsTerminal(stdout)) {
      return UsageError(std::string("--format ") + (output.format == SaveFormat::Workbook ? "xlsx" : "xls") +
                        " would go to the terminal: give it an --output FILE, or send it on with a pipe");
    }
    if (output.path.empty()) continue;
    if (const int status = CheckOutputPath(output.path, files); status != Saved) return status;
  }
  return Saved;
}

std::string ArchiveFolder(const KeptOptions& options, const FileSystem& files) {
  if (!options.archiveFolder.empty()) return options.archiveFolder;
  if (const char* folder = std::getenv("DATAPOND_ARCHIVE"); folder != nullptr && folder[0] != '\0') return folder;
  return DefaultArchiveFolder(files);
}

int CheckArchiveKnown(const std::string& folder) {
  if (!folder.empty()) return Saved;
  return UsageError(
      "there is no place for kept downloads: HOME is not set; give --archive DIR or set DATAPOND_ARCHIVE");
}

int CheckKeptFolder(const std::string& folder, const FileSystem& files) {
  if (const int status = CheckArchiveKnown(folder); status != Saved) return status;
  if (files.isFolder(folder)) return Saved;
  return UsageError("there is no folder " + folder + " of kept downloads");
}

int WriteOutputs(ReadingTable& table, const WriteOptions& options, Defaults* defaults, const FileSystem& files,
                 const char* what) {
  table.sortPriority = options.sortPriority;
  const Calendar calendar = PictureCalendar(options.datePicture, options.timePicture);
  // Each row's texts made as it is written: a history's would cost more than its readings. Both
  // grids sort the table alike, so a row number names the same reading in each; each is made
  // only where an output wants it, as each sorts the table.
  const auto wanted = [&](bool programs) {
    return std::any_of(options.outputs.begin(), options.outputs.end(),
                       [&](const OutputRequest& output) { return ForPrograms(options, output) == programs; });
  };
  const bool forPrograms = wanted(true);
  const GridTexts grid = wanted(false) ? fillGrid(table, calendar, GridCells::Made) : GridTexts{};
  const GridTexts iso = forPrograms ? fillIsoGrid(table, calendar, GridCells::Made) : GridTexts{};
  return WriteGrid(table, grid, options, WorkbookDateTimeFormat(options.datePicture, options.timePicture), defaults,
                   files, what, forPrograms ? &iso : nullptr);
}

int WriteGrid(ReadingTable& table, const GridTexts& shown, const WriteOptions& options,
              const std::string& workbookDateTime, Defaults* defaults, const FileSystem& files, const char* what,
              const GridTexts* isoGrid) {
  for (int32_t row : options.rows) {
    if (row > table.count) {
      return UsageError("--rows: row " + std::to_string(row) + " is beyond the " + std::to_string(table.count) +
                        (table.count == 1 ? " row" : " rows") + " of the " + what);
    }
  }
  const bool terminalShowsUtf8 = StandardOutputShowsUtf8();
  int status = Saved;
  for (const OutputRequest& output : options.outputs) {
    TextForm form = FormOf(options, output, terminalShowsUtf8);
    form.workbookDateTime = workbookDateTime;
    const GridTexts& grid = isoGrid != nullptr && ForPrograms(options, output) ? *isoGrid : shown;
    if (output.path.empty()) {
      std::vector<int32_t> rows = options.rows;
      if (rows.empty()) {
        for (int32_t r = 1; r <= table.count; ++r) rows.push_back(r);
      }
      std::sort(rows.begin(), rows.end());
      const std::string bytes = SaveFileBytes(output.format, table, grid, rows, Utf8ToWindows1252, form);
      // no-mutate(==; !=; ||; &&): only the Windows console's writer reads the flag
      const bool utf8 = output.format == SaveFormat::Spreadsheet ||
                        (output.format != SaveFormat::Workbook && form.encoding != TextForm::Encoding::CodePage);
      if (WriteOut(bytes, utf8) != Saved) status = NotWritten;
      continue;
    }
    SaveFrontEnd save;
    save.scopePrompt = [] { return 2; };  // rows were named: save only those
    save.chooseFile = [&](const SaveDialogText&, const std::string&) {
      return std::filesystem::absolute(output.path).string();
    };
    save.rememberFolder = [&](const std::string& folder) {
      if (defaults == nullptr) return;
      defaults->SaveFolder = folder;
      SaveDefaults(*defaults, files);
    };
    save.toAnsi = Utf8ToWindows1252;
    save.textForm = form;
    const std::string start = defaults != nullptr ? defaults->SaveFolder : "";
    const SaveResult saved = RunSave(output.format, table, grid, options.rows, start, save, files);
    if (saved.outcome == SaveOutcome::Saved) {
      Tell("Saved " + saved.path);
      // A spreadsheet program shows a sheet's end as the end: say that more follow.
      const size_t written = options.rows.empty() ? static_cast<size_t>(table.count) : options.rows.size();
      const size_t sheets = (written + kSheetRows - 2) / (kSheetRows - 1);
      // no-mutate(==; ||): only a history of a million readings fills a sheet; the writers' tests split them
      if ((output.format == SaveFormat::Spreadsheet || output.format == SaveFormat::Workbook) && sheets > 1) {
        Tell("The " + std::to_string(written) + " readings are on " + std::to_string(sheets) + " sheets of " +
             saved.path + ": a sheet holds " + std::to_string(kSheetRows - 1) + " of them");
      }
    } else {
      status = NotWrittenError(saved.path, saved.reason);
    }
  }
  return status;
}

int32_t UnitsOf(const KeptOptions& options, const KeptDownload& kept) {
  if (kept.kind != MeterKind::DissolvedOxygen) return UnitsNotAsked;
  if (options.units != UnitsNotAsked) return options.units;
  return kept.units;
}
