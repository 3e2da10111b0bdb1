// datapond-cli: the download, sorting and files of Datapond from a terminal. Each command is a
// file of its own; this one reads the command line and runs the command it names.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Commands.h"
#include "Options.h"
#include "Terminal.h"

namespace {

int Run(const CommandLine& line) {
  switch (line.command) {
    case Command::Help: return WriteOut(kUsage, true);
    case Command::Version: return WriteOut("datapond-cli " DATAPOND_VERSION "\n", true);
    case Command::Ports: return RunPortsCommand();
    case Command::Download: return RunDownloadCommand(line.download);
    case Command::Archive: return RunArchiveCommand(line.archive);
    case Command::Replay: return RunReplayCommand(line.replay);
    case Command::Correct: return RunCorrectCommand(line.correct);
    case Command::Sync: return RunSyncCommand(line.sync);
    case Command::History: return RunHistoryCommand(line.history);
    case Command::Alarms: return RunAlarmsCommand(line.alarms);
    case Command::Report: break;
  }
  return RunReportCommand(line.report);
}

}  // namespace

int main(int argc, char** argv) {
  UseBinaryStandardOutput();
  const std::vector<std::string> args(argv + 1, argv + argc);
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, line, error)) return UsageError(error);
  SetQuiet(line.quiet);
  int status = Run(line);
  // Every write was flushed and checked; closing can still fail, and then nothing is saved.
  if (std::fclose(stdout) != 0 && status == Saved) status = NotWrittenError("standard output", std::strerror(errno));
  return status;
}
