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
  files.write(reportPath, ReportHtml(history, grid, what, calendar), reason);
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

std::string ReportBeside(const std::string& archiveFolder) {
  return archiveFolder.substr(0, archiveFolder.rfind(kPathSeparator) + 1) + "Readings report.html";
}
