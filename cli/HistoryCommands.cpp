// history and report: every reading of every kept download, as files or as a web page.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Archive.h"
#include "Commands.h"
#include "DefaultsFile.h"
#include "History.h"
#include "KeptDownload.h"
#include "LoggedReading.h"
#include "Memory.h"
#include "ReadingGrid.h"
#include "Report.h"

namespace {

// The history of the kept downloads, read one at a time, with a word on those it cannot use.
int FolderHistory(const HistoryFilter& filter, const KeptOptions& options, const FileSystem& files, ReadingTable& table,
                  HistorySummary& what, bool& damaged) {
  const std::string folder = ArchiveFolder(options, files);
  if (const int status = CheckKeptFolder(folder, files); status != Saved) return status;
  HistoryBuilder builder(filter);
  // About what the history of a weekly archive fills at its peak: half its readings new in
  // each download, their grid texts and the file written. A filtered history may keep a
  // fraction of that, so it takes its memory as it comes.
  constexpr size_t kBytesPerDownload = 24 << 10, kMostPrepared = size_t{1} << 30;
  if (filter.locations.empty() && filter.types.empty() && !filter.since && !filter.until) {
    PrepareMemory(std::min(KeptDownloadIds(folder, files).size() * kBytesPerDownload, kMostPrepared));
  }
  ForEachKeptDownload(folder, files, [&](ArchiveEntry& entry) {
    if (!entry.error.empty()) {
      Say("datapond-cli: left out: " + entry.error);
      damaged = true;
      return;
    }
    if (entry.kept.units == UnitsNotAsked) entry.kept.units = UnitsOf(options, entry.kept);
    builder.Add(entry.kept);
  });
  builder.Finish(table, what);
  return Saved;
}

// The history of the folder or of the store, with a word on what it left out.
int BuildHistoryOf(const HistoryFilter& filter, const KeptOptions& options, const std::string& store,
                   const FileSystem& files, ReadingTable& table, HistorySummary& what, bool& damaged) {
  damaged = false;
  const int status = store.empty() ? FolderHistory(filter, options, files, table, what, damaged)
                                   : HistoryFromStore(store, filter, options.units, table, what);
  if (status != Saved) return status;
  if (table.count == 0 && what.withoutUnits.empty()) {
    std::fprintf(stderr, "No kept reading matches\n");
    return NoValidReadings;
  }
  if (!what.withoutUnits.empty()) {
    std::fprintf(stderr,
                 "datapond-cli: %zu dissolved-oxygen %s kept without units %s left out: give --units mg/l "
                 "or --units sat\n",
                 what.withoutUnits.size(), what.withoutUnits.size() == 1 ? "download" : "downloads",
                 what.withoutUnits.size() == 1 ? "is" : "are");
  }
  if (table.count == 0) {
    std::fprintf(stderr, "No kept reading matches\n");
    return NoValidReadings;
  }
  std::fprintf(stderr, "%d %s from %zu %s\n", table.count, table.count == 1 ? "reading" : "readings",
               what.downloads.size(), what.downloads.size() == 1 ? "download" : "downloads");
  return Saved;
}

}  // namespace

int RunHistoryCommand(const HistoryOptions& options) {
  const FileSystem files = LocalFileSystem();
  if (const int status = CheckOutputFolders(options.write, files); status != Saved) return status;
  bool damaged = false;
  ReadingTable table;
  HistorySummary what;
  if (const int status = BuildHistoryOf(options.filter, options.kept, options.store, files, table, what, damaged);
      status != Saved) {
    return status;
  }
  Defaults defaults = LoadDefaults(files);
  const int status = WriteOutputs(table, options.write, defaults, files, "history");
  return status == Saved && damaged ? DamagedLeftOut : status;
}

int RunReportCommand(const ReportOptions& options) {
  const FileSystem files = LocalFileSystem();
  if (const int status = CheckOutputPath(options.path, files); status != Saved) return status;
  bool damaged = false;
  ReadingTable table;
  HistorySummary what;
  if (const int status = BuildHistoryOf(options.filter, options.kept, options.store, files, table, what, damaged);
      status != Saved) {
    return status;
  }
  table.sortPriority = options.write.sortPriority;
  const Calendar calendar = PictureCalendar(options.write.datePicture, options.write.timePicture);
  const GridTexts grid = fillGrid(table, calendar, GridCells::Made);
  std::string reason;
  if (!files.write(options.path, ReportHtml(table, grid, what, calendar), reason)) {
    return NotWrittenError(options.path, reason);
  }
  std::fprintf(stderr, "Saved %s\n", options.path.c_str());
  return damaged ? DamagedLeftOut : Saved;
}
