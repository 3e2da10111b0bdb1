// How long a whole download takes against a meter that sends at the true 9600 baud, beside
// the time its characters alone need on the wire, and the processor time the downloader used.
// Not a test: it prints figures and asserts nothing.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "Archive.h"
#include "Download.h"
#include "MeterLink.h"
#include "MeterProcess.h"

namespace {

constexpr double kSecondsPerCharacter = 10.0 / 9600.0;  // start bit, 8 data bits, stop bit

// A frame of n bytes: ":", two hex digits a byte, LRC, CR LF.
int FrameCharacters(int bytes) { return 1 + 2 * (bytes + 1) + 2; }

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Measure(const char* kind, int records, int registers) {
  MeterProcess meter({"--kind", kind, "--pace"});
  MeterLink link;
  link.unitsPrompt = [] { return 1; };
  ReadingTable table;
  const double cpuBefore = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const DownloadResult result = RunDownload(link, table, meter.Path(), {});
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuBefore;
  if (result.outcome != DownloadOutcome::Done) {
    std::printf("%-6s download failed: %s\n", kind, result.message.c_str());
    return;
  }
  // What keeping the download adds to it: the text, written whole and renamed into place.
  const auto keepStart = std::chrono::steady_clock::now();
  std::string id, reason;
  const bool kept =
      KeepDownload(KeptFromLink(link, meter.Path()), "/tmp/datapond-benchmark-kept", LocalFileSystem(), id, reason);
  const double keep = std::chrono::duration<double>(std::chrono::steady_clock::now() - keepStart).count();
  // Requests and replies both take their time on a real line; a pseudo-terminal passes the
  // requests at once and only the meter paces its replies, so both bounds are shown.
  const int requests = FrameCharacters(2) + records * FrameCharacters(2 + 4);
  const int replies = FrameCharacters(3 + 6) + records * FrameCharacters(3 + 2 * registers);
  const double wire = (requests + replies) * kSecondsPerCharacter;
  const double replyWire = replies * kSecondsPerCharacter;
  std::printf(
      "%-6s %4d records  wall %6.2f s  wire %6.2f s (replies %6.2f s)  wall/wire %4.2f (replies %4.2f)"
      "  cpu %5.3f s  %d valid  keeping %.2f ms%s\n",
      kind, records, wall, wire, replyWire, wall / wire, wall / replyWire, cpu, table.count, keep * 1000,
      kept ? "" : " (failed)");
}

}  // namespace

int main() {
  Measure("do", 50, 7);
  Measure("multi", 250, 8);
  return 0;
}
