#include <unistd.h>

#include <cstdio>
#include <span>
#include <string>

#include "DemoData.h"
#include "Options.h"
#include "Pty.h"
#include "RecordFile.h"
#include "Serve.h"
#include "StopSignal.h"

namespace {

int Fail(const std::string& message, int status) {
  std::fprintf(stderr, "datapond-meter: %s\n", message.c_str());
  return status;
}

// Leaves the link alone if something else has taken its place meanwhile.
void RemovePortLink(const std::string& linkPath, const std::string& target) {
  char pointsTo[4096];
  ssize_t length = readlink(linkPath.c_str(), pointsTo, sizeof pointsTo);
  if (length >= 0 && std::string(pointsTo, static_cast<std::size_t>(length)) == target) unlink(linkPath.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  switch (ParseOptions(std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1)), options, error)) {
    case OptionsResult::Run: break;
    case OptionsResult::Help: std::fputs(usageText, stdout); return 0;
    case OptionsResult::Version: std::fputs("datapond-meter " DATAPOND_VERSION "\n", stdout); return 0;
    case OptionsResult::Invalid: std::fprintf(stderr, "datapond-meter: %s\n%s", error.c_str(), usageText); return 2;
  }

  Meter meter = EmptyMeter(options.kind, options.identifies);
  if (options.recordsPath.empty())
    StoreDemoReadings(meter);
  else if (!LoadRecordFile(options.recordsPath, meter, error))
    return Fail(error, 2);

  int stopFd = InstallStopSignals(error);
  if (stopFd < 0) return Fail(error, 1);
  MeterPty pty;
  if (!OpenMeterPty(pty, error)) return Fail(error, 1);
  if (!options.linkPath.empty() && !CreatePortLink(options.linkPath, pty.slavePath, error)) return Fail(error, 1);

  std::printf("%s\n", pty.slavePath.c_str());
  std::fflush(stdout);

  bool served = Serve(meter, options.faults, pty.master, stopFd, error);
  if (!options.linkPath.empty()) RemovePortLink(options.linkPath, pty.slavePath);
  CloseMeterPty(pty);
  return served ? 0 : Fail(error, 1);
}
