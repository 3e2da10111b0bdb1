// datapond-cli: the download, sorting and files of Datapond from a terminal.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "Ansi.h"
#include "Archive.h"
#include "DefaultsFile.h"
#include "Download.h"
#include "History.h"
#include "KeptDownload.h"
#include "LoggedReading.h"
#include "Meters.h"
#include "Options.h"
#include "PortAccess.h"
#include "PortDescription.h"
#include "Ports.h"
#include "ReadingGrid.h"
#include "Report.h"
#include "SaveFrame.h"
#include "Terminal.h"
#include "Workbook.h"

namespace {

enum ExitStatus {
  Saved = 0,
  LinkFailed = 1,
  Usage = 2,
  NoValidReadings = 3,
  NotWritten = 4,
  NotKept = 5,
  DamagedLeftOut = 6  // written, but damaged kept downloads were left out: a nightly script must know
};

// Messages may quote what came from outside (a kept file, a name typed), so a control
// character in them is shown, not obeyed by the terminal.
void Say(const std::string& message) { std::fprintf(stderr, "%s\n", Printable(message).c_str()); }

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

// Status lines, and on a terminal a bar that fills as the records come in.
struct Progress {
  bool terminal = IsTerminal(stderr);
  int32_t last = 0;
  bool barShown = false;

  void EndBar() {
    if (barShown) std::fputc('\n', stderr);
    barShown = false;
  }
  void Status(const std::string& text) {
    EndBar();
    std::fprintf(stderr, "%s\n", text.c_str());
  }
  void Show(int32_t position) {
    if (!terminal || last <= 0) return;
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(static_cast<int64_t>(position + 1) * kWidth / last);
    std::fprintf(stderr, "\r  [%s%s] %d/%d", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(kWidth - filled), '.').c_str(), position + 1, last);
    std::fflush(stderr);
    barShown = true;
  }
};

// The operator's answer on a terminal: 1 mg/l, 2 %Sat, or 0 when the input ended unanswered.
int32_t AskUnits() {
  std::fprintf(stderr, "\n%s\n%s\n%s\n  1  %s\n  2  %s\nUnits [1/2]: ", kUnitsQuestion[0], kUnitsQuestion[1],
               kUnitsQuestion[2], kUnitsMgPerLitre, kUnitsSaturation);
  std::string answer;
  while (std::getline(std::cin, answer)) {
    if (answer == "1" || answer == "2") return answer == "1" ? 1 : 2;
    std::fprintf(stderr, "Units [1/2]: ");
  }
  std::fputc('\n', stderr);
  return 0;
}

int ListPorts() {
  std::string list;
  // The name first, for scripts; after a tab what would tell a person which port is which.
  for (const std::string& port : PortDiscovery()) {
    const std::string description = PortDescription(port);
    list += port + (description.empty() ? "" : "\t" + description) + "\n";
  }
  // Devices this user may not open are left out; say so, with what would let them in.
  std::map<std::string, std::string> namesByProblem;
  for (const RefusedPort& refused : RefusedPorts()) {
    const std::string remedy = PortRemedy(refused.name);
    std::string& names = namesByProblem[refused.reason + (remedy.empty() ? "" : ": " + remedy)];
    names += (names.empty() ? "" : ", ") + refused.name;
  }
  for (const auto& [problem, names] : namesByProblem) {
    std::fprintf(stderr, "datapond-cli: you may not open %s: %s\n", names.c_str(), problem.c_str());
  }
  // Ports another program has locked are not for scripts either; a person is told who has them.
  for (const BusyPort& busy : BusyPorts()) {
    std::fprintf(stderr, "datapond-cli: %s is busy: %s\n", busy.name.c_str(), busy.reason.c_str());
  }
  return WriteOut(list, true);
}

// A missing folder, or a folder in a file's place, is seen before the meter is read.
int CheckOutputFolders(const DownloadOptions& options, const FileSystem& files) {
  for (const OutputRequest& output : options.outputs) {
    if (output.path.empty()) continue;
    const std::filesystem::path path = std::filesystem::absolute(output.path);
    if (files.isFolder(path.string())) return NotWrittenError(output.path, "it is a folder");
    if (!files.isFolder(path.parent_path().string())) {
      return NotWrittenError(output.path, "there is no folder " + path.parent_path().string());
    }
  }
  return Saved;
}

// The form of one text output: the program's own unless options say otherwise, and on a
// terminal the terminal's character set.
TextForm FormOf(const DownloadOptions& options, const OutputRequest& output, bool terminalShowsUtf8) {
  TextForm form;
  form.decimalSeparator = options.decimalComma ? ',' : '.';
  form.commaDelimiter = options.delimiter;
  if (options.encoding == Encoding::Utf8) {
    form.encoding = output.format == SaveFormat::CommaDelimited ? TextForm::Encoding::Utf8WithMark
                                                                : TextForm::Encoding::Utf8;
  } else if (options.encoding == Encoding::NotGiven && output.path.empty() && terminalShowsUtf8) {
    form.encoding = TextForm::Encoding::Utf8;
  }
  return form;
}

void ReportLinkFailure(const DownloadResult& result, const MeterLink& link, const std::string& port) {
  std::fprintf(stderr, "%s\n", result.message.c_str());
  // The program's one line serves every port problem; the system can say which it was.
  if (link.portFailure.empty() || link.portFailure == result.message) return;
  std::string detail = port + ": " + link.portFailure;
  if (const std::string remedy = PortRemedy(port); !remedy.empty()) detail += ": " + remedy;
  std::fprintf(stderr, "%s\n", detail.c_str());
}

// Where downloads are kept: --archive, else $DATAPOND_ARCHIVE, else the system's place.
std::string ArchiveFolder(const DownloadOptions& options, const FileSystem& files) {
  if (!options.archiveFolder.empty()) return options.archiveFolder;
  if (const char* folder = std::getenv("DATAPOND_ARCHIVE"); folder != nullptr && folder[0] != '\0') return folder;
  return DefaultArchiveFolder(files);
}

// Sorts the table by the options, fills the grid and writes every output the options name,
// exactly as a download does: the same texts and bytes for a download, a replay or a history.
int WriteOutputs(ReadingTable& table, const DownloadOptions& options, Defaults& defaults, const FileSystem& files,
                 const char* what) {
  table.sortPriority = options.sortPriority;
  const GridTexts grid = fillGrid(table, PictureCalendar(options.datePicture, options.timePicture));
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
    form.workbookDateTime = WorkbookDateTimeFormat(options.datePicture, options.timePicture);
    if (output.path.empty()) {
      std::vector<int32_t> rows = options.rows;
      if (rows.empty()) {
        for (int32_t r = 1; r <= table.count; ++r) rows.push_back(r);
      }
      std::sort(rows.begin(), rows.end());
      const std::string bytes = SaveFileBytes(output.format, table, grid, rows, Utf8ToWindows1252, form);
      const bool utf8 = output.format == SaveFormat::Spreadsheet || form.encoding != TextForm::Encoding::CodePage;
      if (WriteOut(bytes, utf8 && output.format != SaveFormat::Workbook) != Saved) status = NotWritten;
      continue;
    }
    SaveFrontEnd save;
    save.scopePrompt = [] { return 2; };  // rows were named: save only those
    save.chooseFile = [&](const SaveDialogText&, const std::string&) {
      return std::filesystem::absolute(output.path).string();
    };
    save.rememberFolder = [&](const std::string& folder) {
      defaults.SaveFolder = folder;
      SaveDefaults(defaults, files);
    };
    save.toAnsi = Utf8ToWindows1252;
    save.textForm = form;
    const SaveResult saved = RunSave(output.format, table, grid, options.rows, defaults.SaveFolder, save, files);
    if (saved.outcome == SaveOutcome::Saved) {
      std::fprintf(stderr, "Saved %s\n", saved.path.c_str());
    } else {
      status = NotWrittenError(saved.path, saved.reason);
    }
  }
  return status;
}

int RunDownloadCommand(const DownloadOptions& options) {
  const FileSystem files = LocalFileSystem();
  Defaults defaults = LoadDefaults(files);
  const std::string port = options.port.empty() ? defaults.LastPort : options.port;
  if (port.empty()) return UsageError("no --port given and no port remembered");
  if (const int status = CheckOutputFolders(options, files); status != Saved) return status;

  Progress progress;
  bool unitsUnanswered = false;
  MeterLink link;
  link.unitsPrompt = [&]() -> int32_t {
    int32_t answer = options.units;
    if (answer == 0 && IsTerminal(stdin) && IsTerminal(stderr)) {
      progress.EndBar();
      answer = AskUnits();
    }
    // No answer is no answer: the download goes on, and nothing is written from it.
    unitsUnanswered = answer == 0;
    return answer;
  };
  DownloadFrontEnd frontEnd;
  frontEnd.rememberPort = [&](const std::string& chosen) {
    defaults.LastPort = chosen;
    SaveDefaults(defaults, files);
  };
  frontEnd.status = [&](const std::string& text) { progress.Status(text); };
  frontEnd.showProgress = [&](int32_t, int32_t last) { progress.last = last; };
  frontEnd.progress = [&](int32_t position) { progress.Show(position); };
  frontEnd.closeProgress = [&] { progress.EndBar(); };

  ReadingTable table;
  const DownloadResult result = RunDownload(link, table, port, frontEnd);
  if (result.outcome == DownloadOutcome::Failed) {
    ReportLinkFailure(result, link, port);
    return LinkFailed;
  }
  // Every record was read: the meter's records are kept before anything is written.
  bool kept = !options.keep;
  if (options.keep) {
    KeptDownload download = KeptFromLink(link, port);
    if (unitsUnanswered) download.units = UnitsNotAsked;
    const std::string folder = ArchiveFolder(options, files);
    std::string id, reason;
    kept = KeepDownload(download, folder, files, id, reason);
    if (kept) {
      std::fprintf(stderr, "Kept as %s in %s\n", id.c_str(), folder.c_str());
    } else {
      std::fprintf(stderr, "datapond-cli: %s\n", NotKeptMessage(folder, reason).c_str());
    }
  }
  if (result.outcome == DownloadOutcome::NoValidData) {
    std::fprintf(stderr, "%s\n", result.message.c_str());
    return NoValidReadings;
  }
  if (unitsUnanswered) {
    return UsageError(
        "this is a dissolved-oxygen meter and the units question had no answer; nothing was written: give --units "
        "mg/l or --units sat");
  }
  std::fprintf(stderr, "%d %s from the %s\n", table.count, table.count == 1 ? "reading" : "readings",
               DataWindowTitle(table.meterKind).c_str());
  const int status = WriteOutputs(table, options, defaults, files, "download");
  return status == Saved && !kept ? NotKept : status;
}

int RunArchiveCommand(const DownloadOptions& options) {
  const FileSystem files = LocalFileSystem();
  const std::string folder = ArchiveFolder(options, files);
  const std::vector<ArchiveEntry> entries = ReadArchive(folder, files);
  if (entries.empty()) std::fprintf(stderr, "No downloads are kept in %s\n", folder.c_str());
  std::string list;
  int status = Saved;
  for (const ArchiveEntry& entry : entries) {
    if (!entry.error.empty()) {
      Say("datapond-cli: " + entry.error);
      list += entry.id + "  damaged\n";
      status = DamagedLeftOut;
      continue;
    }
    list += entry.id + "  " + MomentText(entry.kept.moment, false) + "  " + MeterOf(entry.kept.kind).name + "  " + entry.kept.port + "  " +
            std::to_string(entry.validReadings) + (entry.validReadings == 1 ? " reading" : " readings") +
            (entry.kept.kind == MeterKind::DissolvedOxygen && entry.kept.units == UnitsNotAsked ? ", units not given"
                                                                                                : "") +
            "\n";
  }
  const int written = WriteOut(list, true);
  return written != Saved ? written : status;
}

// The units of a dissolved-oxygen download: --units when given, else the kept answer.
int32_t UnitsOf(const DownloadOptions& options, const KeptDownload& kept) {
  if (kept.kind != MeterKind::DissolvedOxygen) return UnitsNotAsked;
  if (options.units != 0) return options.units == 1 ? UnitsMgPerLitre : UnitsPercentSaturation;
  return kept.units;
}

int RunReplayCommand(const DownloadOptions& options) {
  const FileSystem files = LocalFileSystem();
  if (const int status = CheckOutputFolders(options, files); status != Saved) return status;
  KeptDownload kept;
  std::string error;
  if (!LoadKeptDownload(ArchiveFolder(options, files), options.replayId, files, kept, error)) return UsageError(error);
  const int32_t units = UnitsOf(options, kept);
  if (kept.kind == MeterKind::DissolvedOxygen && units == UnitsNotAsked) {
    return UsageError("this dissolved-oxygen download was kept without its units: give --units mg/l or --units sat");
  }
  ReadingTable table;
  if (ReplayIntoTable(kept, units, table) == 0) {
    std::fprintf(stderr, "%s\n", kNoValidData);
    return NoValidReadings;
  }
  Defaults defaults = LoadDefaults(files);
  return WriteOutputs(table, options, defaults, files, "download");
}

// The kept downloads a history is made of, with a word on those it cannot use.
std::vector<KeptDownload> HistorySources(const DownloadOptions& options, const FileSystem& files, bool& damaged) {
  std::vector<KeptDownload> kept;
  damaged = false;
  for (ArchiveEntry& entry : ReadArchive(ArchiveFolder(options, files), files)) {
    if (!entry.error.empty()) {
      Say("datapond-cli: left out: " + entry.error);
      damaged = true;
      continue;
    }
    if (entry.kept.kind == MeterKind::DissolvedOxygen && entry.kept.units == UnitsNotAsked && options.units != 0) {
      entry.kept.units = UnitsOf(options, entry.kept);
    }
    kept.push_back(std::move(entry.kept));
  }
  return kept;
}

int BuildHistoryOf(const DownloadOptions& options, const std::vector<KeptDownload>& kept, ReadingTable& table,
                   HistorySummary& what) {
  if (BuildHistory(kept, options.filter, table, what) == 0 && what.withoutUnits.empty()) {
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

int RunHistoryCommand(const DownloadOptions& options) {
  const FileSystem files = LocalFileSystem();
  if (const int status = CheckOutputFolders(options, files); status != Saved) return status;
  bool damaged = false;
  const std::vector<KeptDownload> kept = HistorySources(options, files, damaged);
  ReadingTable table;
  HistorySummary what;
  if (const int status = BuildHistoryOf(options, kept, table, what); status != Saved) return status;
  Defaults defaults = LoadDefaults(files);
  const int status = WriteOutputs(table, options, defaults, files, "history");
  return status == Saved && damaged ? DamagedLeftOut : status;
}

int RunReportCommand(const DownloadOptions& options) {
  const FileSystem files = LocalFileSystem();
  bool damaged = false;
  const std::vector<KeptDownload> kept = HistorySources(options, files, damaged);
  ReadingTable table;
  HistorySummary what;
  if (const int status = BuildHistoryOf(options, kept, table, what); status != Saved) return status;
  table.sortPriority = options.sortPriority;
  const Calendar calendar = PictureCalendar(options.datePicture, options.timePicture);
  const GridTexts grid = fillGrid(table, calendar);
  std::string reason;
  if (!files.write(options.reportPath, ReportHtml(table, grid, kept, what, calendar), reason)) {
    return NotWrittenError(options.reportPath, reason);
  }
  std::fprintf(stderr, "Saved %s\n", options.reportPath.c_str());
  return damaged ? DamagedLeftOut : Saved;
}

int Run(const CommandLine& line) {
  switch (line.command) {
    case Command::Help: return WriteOut(kUsage, true);
    case Command::Version: return WriteOut("datapond-cli " DATAPOND_VERSION "\n", true);
    case Command::Ports: return ListPorts();
    case Command::Download: return RunDownloadCommand(line.download);
    case Command::Archive: return RunArchiveCommand(line.download);
    case Command::Replay: return RunReplayCommand(line.download);
    case Command::History: return RunHistoryCommand(line.download);
    case Command::Report: break;
  }
  return RunReportCommand(line.download);
}

}  // namespace

int main(int argc, char** argv) {
  UseBinaryStandardOutput();
  const std::vector<std::string> args(argv + 1, argv + argc);
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, line, error)) return UsageError(error);
  int status = Run(line);
  // Every write was flushed and checked; closing can still fail, and then nothing is saved.
  if (std::fclose(stdout) != 0 && status == Saved) status = NotWrittenError("standard output", std::strerror(errno));
  return status;
}
