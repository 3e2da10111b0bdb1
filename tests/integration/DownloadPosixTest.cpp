#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Download.h"
#include "MeterLink.h"
#include "MeterProcess.h"

namespace {

// The download as a front end sees it, against a simulated meter on a real terminal.
struct Attempt {
  MeterLink link;
  ReadingTable table;
  std::vector<std::string> statuses;
  std::vector<int32_t> positions;
  int prompts = 0;

  Attempt() {
    link.unitsPrompt = [this] {
      ++prompts;
      return 1;
    };
  }

  DownloadResult From(const std::string& port) {
    DownloadFrontEnd f;
    f.status = [this](const std::string& text) { statuses.push_back(text); };
    f.progress = [this](int32_t position) { positions.push_back(position); };
    return RunDownload(link, table, port, f);
  }
};

TEST(DownloadFromSimulatedMeter, EveryKindAndTheOlderMeters) {
  struct Case {
    std::vector<std::string> options;
    MeterKind kind;
    size_t steps;
    int prompts;
  } cases[] = {
      {{"--kind", "do"}, MeterKind::DissolvedOxygen, 25, 1},
      {{"--kind", "ss"}, MeterKind::SuspendedSolids, 25, 0},
      {{"--kind", "multi"}, MeterKind::MultiParameter, 25, 0},
      {{"--kind", "do", "--no-identify"}, MeterKind::DissolvedOxygen, 25, 1},
      {{"--kind", "ss", "--no-identify"}, MeterKind::SuspendedSolids, 25, 0},
  };
  for (const Case& c : cases) {
    MeterProcess meter(c.options);
    Attempt run;
    const DownloadResult result = run.From(meter.Path());
    ASSERT_EQ(result.outcome, DownloadOutcome::Done) << c.options[1] << ": " << result.message;
    EXPECT_EQ(run.link.meterKind, c.kind);
    EXPECT_GT(run.table.count, 0);
    EXPECT_EQ(run.positions.size(), c.steps) << c.options[1];
    EXPECT_EQ(run.prompts, c.prompts) << c.options[1];
    EXPECT_EQ(run.statuses.size(), 4u);
    EXPECT_EQ(run.link.port, nullptr);
    for (int i = 0; i < run.table.count; ++i) EXPECT_EQ(run.table.readings[i].discard, 0);
  }
}

TEST(DownloadFromSimulatedMeter, StoppedMeterThenAnotherAttempt) {
  MeterProcess stopping({"--kind", "do", "--stop-after", "12"});
  Attempt run;
  DownloadResult result = run.From(stopping.Path());
  EXPECT_EQ(result.outcome, DownloadOutcome::Failed);
  EXPECT_EQ(result.message, "No reply from Instrument");
  EXPECT_EQ(run.link.port, nullptr);
  MeterLink probe;
  EXPECT_EQ(OpenMeterPort(probe, stopping.Path()), 0) << "the failed attempt released the port";
  CloseMeterPort(probe);

  MeterProcess answering({"--kind", "do"});
  result = run.From(answering.Path());
  EXPECT_EQ(result.outcome, DownloadOutcome::Done) << result.message;
  EXPECT_EQ(run.prompts, 1) << "the units answer holds for the run";
}

TEST(DownloadFromSimulatedMeter, SlowOrEmptyMeters) {
  char file[] = "/tmp/datapond-empty-records-XXXXXX";
  const int fd = mkstemp(file);
  ASSERT_GE(fd, 0);
  const std::string comment = "# every slot empty\n";
  ASSERT_EQ(write(fd, comment.data(), comment.size()), static_cast<ssize_t>(comment.size()));
  close(fd);
  {
    MeterProcess meter({"--kind", "multi", "--records", file});
    Attempt run;
    const DownloadResult result = run.From(meter.Path());
    EXPECT_EQ(result.outcome, DownloadOutcome::NoValidData);
    EXPECT_EQ(result.message, "None of the logged data points contain valid data");
  }
  unlink(file);
  {
    MeterProcess meter({"--kind", "do", "--slow", "400"});
    Attempt run;
    const DownloadResult result = run.From(meter.Path());
    EXPECT_EQ(result.outcome, DownloadOutcome::Failed);
    EXPECT_EQ(result.message, "Incomplete reply from Instrument");
  }
  {
    MeterLink link;
    ReadingTable table;
    const DownloadResult result = RunDownload(link, table, "/dev/ttyDATAPOND-NONE", {});
    EXPECT_EQ(result.message, "Selected COM port is not available");
  }
}

}  // namespace
