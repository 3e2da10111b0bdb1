// datapond-cli: the download, sorting and files of Datapond from a terminal.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "Ansi.h"
#include "DefaultsFile.h"
#include "Download.h"
#include "LoggedReading.h"
#include "Options.h"
#include "Ports.h"
#include "ReadingGrid.h"
#include "SaveFrame.h"
#include "Terminal.h"

namespace {

enum ExitStatus { Saved = 0, LinkFailed = 1, Usage = 2, NoValidReadings = 3, NotWritten = 4 };

int UsageError(const std::string& problem) {
  std::fprintf(stderr, "datapond-cli: %s (see datapond-cli --help)\n", problem.c_str());
  return Usage;
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

// The operator's answer on a terminal; any answer but 1 means %Sat, as in the program.
int32_t AskUnits() {
  std::fprintf(stderr, "\n%s\n%s\n%s\n  1  %s\n  2  %s\nUnits [1/2]: ", kUnitsQuestion[0], kUnitsQuestion[1],
               kUnitsQuestion[2], kUnitsMgPerLitre, kUnitsSaturation);
  std::string answer;
  while (std::getline(std::cin, answer)) {
    if (answer == "1" || answer == "2") return answer == "1" ? 1 : 2;
    std::fprintf(stderr, "Units [1/2]: ");
  }
  return 2;
}

int ListPorts() {
  for (const std::string& port : PortDiscovery()) std::printf("%s\n", port.c_str());
  return Saved;
}

int RunDownloadCommand(const DownloadOptions& options) {
  const FileSystem files = LocalFileSystem();
  Defaults defaults = LoadDefaults(files);
  const std::string port = options.port.empty() ? defaults.LastPort : options.port;
  if (port.empty()) return UsageError("no --port given and no port remembered");

  Progress progress;
  bool unitsUnanswered = false;
  MeterLink link;
  link.unitsPrompt = [&]() -> int32_t {
    if (options.units != 0) return options.units;
    if (IsTerminal(stdin) && IsTerminal(stderr)) {
      progress.EndBar();
      return AskUnits();
    }
    unitsUnanswered = true;
    return 2;
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
    std::fprintf(stderr, "%s\n", result.message.c_str());
    return LinkFailed;
  }
  if (result.outcome == DownloadOutcome::NoValidData) {
    std::fprintf(stderr, "%s\n", result.message.c_str());
    return NoValidReadings;
  }
  if (unitsUnanswered) {
    return UsageError("this is a dissolved-oxygen meter: say which units it logged with --units mg/l or --units sat");
  }

  table.sortPriority = options.sortPriority;
  const GridTexts grid = fillGrid(table, PictureCalendar(options.datePicture));
  for (int32_t row : options.rows) {
    if (row > table.count) {
      return UsageError("--rows: row " + std::to_string(row) + " is beyond the " + std::to_string(table.count) +
                        " rows downloaded");
    }
  }
  std::fprintf(stderr, "%d readings from the %s\n", table.count, DataWindowTitle(table.meterKind));

  int status = Saved;
  for (const OutputRequest& output : options.outputs) {
    if (output.path.empty()) {
      std::vector<int32_t> rows = options.rows;
      if (rows.empty()) {
        for (int32_t r = 1; r <= table.count; ++r) rows.push_back(r);
      }
      std::sort(rows.begin(), rows.end());
      const std::string bytes = SaveFileBytes(output.format, table, grid, rows, Utf8ToWindows1252);
      std::fwrite(bytes.data(), 1, bytes.size(), stdout);
      std::fflush(stdout);
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
    const SaveResult saved = RunSave(output.format, table, grid, options.rows, defaults.SaveFolder, save, files);
    if (saved.outcome == SaveOutcome::Saved) {
      std::fprintf(stderr, "Saved %s\n", saved.path.c_str());
    } else {
      std::fprintf(stderr, "datapond-cli: cannot write %s: %s\n", saved.path.c_str(), saved.reason.c_str());
      status = NotWritten;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  UseBinaryStandardOutput();
  const std::vector<std::string> args(argv + 1, argv + argc);
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, line, error)) return UsageError(error);
  switch (line.command) {
    case Command::Help: std::fputs(kUsage, stdout); return Saved;
    case Command::Ports: return ListPorts();
    case Command::Download: break;
  }
  return RunDownloadCommand(line.download);
}
