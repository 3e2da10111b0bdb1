// history and report: every reading of every kept download, as files or as a web page.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Archive.h"
#include "Commands.h"
#include "DefaultsFile.h"
#include "DownloadSession.h"
#include "Figures.h"
#include "History.h"
#include "KeptDownload.h"
#include "Limits.h"
#include "LoggedReading.h"
#include "Memory.h"
#include "ReadingGrid.h"
#include "ReadingTypes.h"
#include "Report.h"
#include "Timestamp.h"
#include "Workbook.h"

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

// A history as the commands that write it need it.
struct BuiltHistory {
  ReadingTable table;
  HistorySummary what;
  bool damaged = false;  // damaged kept downloads were left out
};

// The history of the folder or of the store, with a word on what it left out.
int BuildHistoryOf(const HistoryFilter& filter, const KeptOptions& options, const std::string& store,
                   const FileSystem& files, BuiltHistory& history) {
  ReadingTable& table = history.table;
  HistorySummary& what = history.what;
  bool& damaged = history.damaged;
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
  Tell(std::to_string(table.count) + (table.count == 1 ? " reading" : " readings") + " from " +
       std::to_string(what.downloads.size()) + (what.downloads.size() == 1 ? " download" : " downloads"));
  return Saved;
}

// The limits of --limits, else of the folder's limits.txt when it has one: status 0 (`path`
// empty when there are none), or 2 with the file and its line named.
int LoadLimits(const std::string& given, const KeptOptions& kept, const FileSystem& files, std::vector<Limit>& limits,
               std::string& path) {
  path = given.empty() ? LimitsFileIn(ArchiveFolder(kept, files), files) : given;
  if (path.empty()) return Saved;
  std::string error;
  return ReadLimitsFile(path, files, limits, error) ? Saved : UsageError(error);
}

// A time as scripts read it: 2026-12-07 14:05.
std::string IsoMinute(int64_t timestamp) {
  const CivilTime t = CivilTimeOf(timestamp);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
  return text;
}

}  // namespace

int RunHistoryCommand(const HistoryOptions& options) {
  const FileSystem files = LocalFileSystem();
  if (const int status = CheckOutputFolders(options.write, files); status != Saved) return status;
  std::vector<Limit> limits;
  std::string limitsPath;
  if (options.figures == Period::Month) {
    if (const int status = LoadLimits(options.limits, options.kept, files, limits, limitsPath); status != Saved) {
      return status;
    }
  }
  BuiltHistory history;
  if (const int status = BuildHistoryOf(options.filter, options.kept, options.store, files, history); status != Saved) {
    return status;
  }
  auto& [table, what, damaged] = history;
  int status = Saved;
  if (options.figures) {
    const std::vector<Figure> figures = PeriodFigures(table, *options.figures, limits);
    ReadingTable figureTable;
    GridTexts grid;
    FigureTable(figures, *options.figures, !limitsPath.empty(), PictureCalendar(options.write.datePicture), figureTable,
                grid);
    Tell(std::to_string(figures.size()) + (*options.figures == Period::Day ? " daily" : " monthly") + " figures");
    const std::string workbookDate =
        WorkbookDateTimeFormat(*options.figures == Period::Day ? options.write.datePicture : "yyyy-MM", "");
    status = WriteGrid(figureTable, grid, options.write, workbookDate, nullptr, files, "figures");
  } else {
    status = WriteOutputs(table, options.write, nullptr, files, "history");
  }
  return status == Saved && damaged ? DamagedLeftOut : status;
}

int RunReportCommand(const ReportOptions& options) {
  const FileSystem files = LocalFileSystem();
  if (const int status = CheckOutputPath(options.path, files); status != Saved) return status;
  std::vector<Limit> limits;
  std::string limitsPath;
  if (const int status = LoadLimits(options.limits, options.kept, files, limits, limitsPath); status != Saved) {
    return status;
  }
  BuiltHistory history;
  if (const int status = BuildHistoryOf(options.filter, options.kept, options.store, files, history); status != Saved) {
    return status;
  }
  auto& [table, what, damaged] = history;
  table.sortPriority = options.write.sortPriority;
  const Calendar calendar = PictureCalendar(options.write.datePicture, options.write.timePicture);
  const GridTexts grid = fillGrid(table, calendar, GridCells::Made);
  std::string reason;
  if (!files.write(options.path, ReportHtml(table, grid, what, calendar, limits), reason)) {
    return NotWrittenError(options.path, reason);
  }
  Tell("Saved " + options.path);
  return damaged ? DamagedLeftOut : Saved;
}

int RunAlarmsCommand(const AlarmsOptions& options) {
  const FileSystem files = LocalFileSystem();
  std::vector<Limit> limits;
  std::string limitsPath;
  if (const int status = LoadLimits(options.limits, options.kept, files, limits, limitsPath); status != Saved) {
    return status;
  }
  if (limitsPath.empty()) {
    const std::string folder = ArchiveFolder(options.kept, files);
    if (const int status = CheckArchiveKnown(folder); status != Saved) return status;
    return UsageError("alarms needs limits: write them in " + folder + kPathSeparator + kLimitsFileName +
                      " or give --limits FILE");
  }
  BuiltHistory history;
  if (const int status = BuildHistoryOf(options.filter, options.kept, options.store, files, history); status != Saved) {
    return status;
  }
  auto& [table, what, damaged] = history;
  // Tab-separated: location, type, the limit passed, the first and the last reading past it,
  // the next reading (or "ongoing"), how many readings, and the farthest past.
  std::string lines;
  const std::vector<Exceedance> found = FindExceedances(table, limits);
  for (const Exceedance& e : found) {
    const ReadingType& type = *FindReadingType(e.type);
    lines += e.location + "\t" + type.name + "\t" + PassedLimitText(e) + "\t" + IsoMinute(e.first) + "\t" +
             IsoMinute(e.last) + "\t" + (e.ended ? IsoMinute(*e.ended) : "ongoing") + "\t" +
             std::to_string(e.readings) + "\t" + ValueText(type, e.worst) + "\n";
  }
  if (const int status = WriteOut(lines, true); status != Saved) return status;
  Tell(std::to_string(found.size()) + (found.size() == 1 ? " run" : " runs") + " past the limits of " + limitsPath);
  return !found.empty() ? PastLimits : damaged ? DamagedLeftOut : Saved;
}
