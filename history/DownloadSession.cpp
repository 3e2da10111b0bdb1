#include "DownloadSession.h"

#include "Archive.h"
#include "History.h"
#include "ReadingGrid.h"
#include "Report.h"

namespace {

void RefreshReport(const std::string& archiveFolder, const FileSystem& files, const std::string& reportPath,
                   const Calendar& calendar) {
  HistoryBuilder builder({});
  ForEachKeptDownload(archiveFolder, files, [&builder](ArchiveEntry& entry) {
    if (entry.error.empty()) builder.Add(entry.kept);
  });
  ReadingTable history;
  HistorySummary what;
  if (builder.Finish(history, what) == 0) return;
  const GridTexts grid = fillGrid(history, calendar, GridCells::Made);
  std::string reason;
  // Limits that cannot be read leave the report without them; the download says why.
  std::vector<Limit> limits;
  const std::string limitsPath = LimitsFileIn(archiveFolder, files);
  if (!limitsPath.empty() && !ReadLimitsFile(limitsPath, files, limits, reason)) limits.clear();
  files.write(reportPath, ReportHtml(history, grid, what, calendar, limits), reason);
}

}  // namespace

KeepOutcome KeepAndReport(const KeptDownload& download, const std::string& folder, const FileSystem& files,
                          const std::string& reportPath, const Calendar& calendar) {
  KeepOutcome outcome;
  std::string reason;
  outcome.kept = KeepDownload(download, folder, files, outcome.id, reason);
  if (!outcome.kept) {
    outcome.message = NotKeptMessage(folder, reason);
  } else if (!reportPath.empty()) {
    RefreshReport(folder, files, reportPath, calendar);
  }
  return outcome;
}

bool ReadLimitsFile(const std::string& path, const FileSystem& files, std::vector<Limit>& limits, std::string& error) {
  constexpr size_t kMostBytes = 1 << 20;
  std::string text;
  if (!files.read(path, kMostBytes, text, error)) {
    error = "cannot read the limits file " + path + ": " + error;
    return false;
  }
  if (ParseLimits(text, limits, error)) return true;
  error = "the limits file " + path + ", " + error;
  return false;
}

std::string LimitsFileIn(const std::string& folder, const FileSystem& files) {
  const std::string path = folder + kPathSeparator + kLimitsFileName;
  return !folder.empty() && files.isFile(path) ? path : "";
}

std::string PastLimitsMessage(const ReadingTable& table, const std::string& folder, const FileSystem& files) {
  const std::string path = LimitsFileIn(folder, files);
  std::vector<Limit> limits;
  std::string error;
  if (path.empty()) return "";
  if (!ReadLimitsFile(path, files, limits, error)) return "The limits cannot be used: " + error + ".";
  const size_t past = ReadingsPastLimits(table, limits);
  if (past == 0) return "";
  return std::to_string(past) + " of the " + std::to_string(table.count) +
         (table.count == 1 ? " reading " : " readings ") + (past == 1 ? "is" : "are") + " past the limits in " + path +
         ".";
}

std::string ReportBeside(const std::string& archiveFolder) {
  return archiveFolder.substr(0, archiveFolder.rfind(kPathSeparator) + 1) + "Readings report.html";
}
