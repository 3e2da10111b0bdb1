// download: the meter read, its records kept, the readings written.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include "Archive.h"
#include "Commands.h"
#include "DefaultsFile.h"
#include "Download.h"
#include "DownloadSession.h"
#include "ErrorText.h"
#include "KeptDownload.h"
#include "LoggedReading.h"
#include "Meters.h"
#include "PortAccess.h"
#include "Terminal.h"

namespace {

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
    Tell(text);
  }
  void Show(int32_t position) {
    if (!terminal || last <= 0 || Quiet()) return;
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
    // no-mutate(: 2): every answer but 1 is %Sat to those who read it
    if (answer == "1" || answer == "2") return answer == "1" ? 1 : 2;
    // Asked again, the question says why: only the two answers are taken.
    std::fprintf(stderr, "\"%s\" is neither: answer 1 (%s) or 2 (%s).\nUnits [1/2]: ", Printable(answer).c_str(),
                 kUnitsMgPerLitre, kUnitsSaturation);
  }
  std::fputc('\n', stderr);
  return 0;
}

void ReportLinkFailure(const DownloadResult& result, const MeterLink& link, const std::string& port) {
  std::fprintf(stderr, "%s\n", result.message.c_str());
  // A meter that says nothing, or stops, is most often one not waiting for us, or its cable.
  const bool meter = result.message == ErrorText(NoReply) || result.message == ErrorText(IncompleteReply) ||
                     result.message == ErrorText(DeviceIoError);
  if (meter) {
    Say("datapond-cli: check that the meter shows \"Waiting for Request from PC...\" (its PC Extract state), that "
        "its cable is in at both ends, and that " +
        port + " is its port (datapond-cli ports lists them)");
  }
  // The program's one line serves every port problem; the system can say which it was.
  if (link.portFailure.empty() || link.portFailure == result.message) return;
  std::string detail = port + ": " + link.portFailure;
  if (const std::string remedy = PortRemedy(port); !remedy.empty()) detail += ": " + remedy;
  std::fprintf(stderr, "%s\n", detail.c_str());
  // A Windows name where ports are devices: a manual read on Windows, or an old script.
  if (kPathSeparator == '/' && port.starts_with("COM")) {
    Say("datapond-cli: " + port +
        " is a Windows name; here a port is a device such as /dev/ttyUSB0: datapond-cli "
        "ports lists them");
  }
}

}  // namespace

int RunDownloadCommand(const DownloadOptions& options) {
  const FileSystem files = LocalFileSystem();
  Defaults defaults = LoadDefaults(files);
  const std::string port = options.port.empty() ? defaults.LastPort : options.port;
  if (port.empty()) return UsageError("no --port given and no port remembered");
  if (const int status = CheckOutputFolders(options.write, files); status != Saved) return status;
  const std::string store = StoreOf(options.store);
  if (!store.empty() && !options.keep) return UsageError("--store syncs kept downloads, and --no-archive keeps none");
  if (const int status = store.empty() ? Saved : CheckStore(store); status != Saved) return status;
  if (const int status = options.keep ? CheckArchiveKnown(ArchiveFolder(options.kept, files)) : Saved;
      status != Saved) {
    return status;
  }

  Progress progress;
  bool unitsUnanswered = false;
  MeterLink link;
  link.unitsPrompt = [&]() -> int32_t {
    int32_t answer = UnitsAnswer(options.kept.units);
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
  int synced = Saved;
  if (options.keep) {
    KeptDownload download = KeptFromLink(link, port);
    if (unitsUnanswered) download.units = UnitsNotAsked;
    const std::string folder = ArchiveFolder(options.kept, files);
    const KeepOutcome outcome = KeepAndReport(download, folder, files, "", {});
    kept = outcome.kept;
    if (kept) {
      Tell("Kept as " + outcome.id + " in " + folder);
      synced = store.empty() ? Saved : SyncToStore(store, folder, files);
      if (synced == StoreFailed)
        Say("datapond-cli: the download is kept in " + folder + "; the next sync will carry it");
    } else {
      std::fprintf(stderr, "datapond-cli: %s\n", outcome.message.c_str());
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
  Tell(std::to_string(table.count) + (table.count == 1 ? " reading" : " readings") + " from the " +
       DataWindowTitle(table.meterKind));
  const std::string past = PastLimitsMessage(table, ArchiveFolder(options.kept, files), files);
  if (!past.empty()) Say("datapond-cli: " + past);
  const int status = WriteOutputs(table, options.write, &defaults, files, "download");
  return status != Saved ? status : !kept ? NotKept : synced;
}
