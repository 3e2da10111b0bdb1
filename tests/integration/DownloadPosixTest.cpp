#include <gtest/gtest.h>

#include <ostream>
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

struct Case {
  std::vector<std::string> options;
  DownloadOutcome outcome;
  MeterKind kind;
  int prompts;
  std::string message = "";
  int readings = 0;  // of the demonstration log: a slip in it changes how many are valid
};

void PrintTo(const Case& c, std::ostream* out) {
  for (const std::string& option : c.options) *out << option << ' ';
}

class DownloadFromSimulatedMeter : public testing::TestWithParam<Case> {};

// Every kind, the older meters that do not identify, and the failures a real line shows; the port
// is free again after each. One test a case, so that they run side by side.
INSTANTIATE_TEST_SUITE_P(
    EveryKindAndFailure, DownloadFromSimulatedMeter,
    testing::Values(Case{{"--kind", "do"}, DownloadOutcome::Done, MeterKind::DissolvedOxygen, 1, "", 30},
                    Case{{"--kind", "ss"}, DownloadOutcome::Done, MeterKind::SuspendedSolids, 0, "", 30},
                    Case{{"--kind", "multi"}, DownloadOutcome::Done, MeterKind::MultiParameter, 0, "", 72},
                    Case{{"--kind", "do", "--no-identify"}, DownloadOutcome::Done, MeterKind::DissolvedOxygen, 1, "", 30},
                    Case{{"--kind", "ss", "--no-identify"}, DownloadOutcome::Done, MeterKind::SuspendedSolids, 0, "", 30},
                    Case{{"--kind", "do", "--stop-after", "12"}, DownloadOutcome::Failed, MeterKind::DissolvedOxygen,
                         1, "No reply from Instrument"},
                    Case{{"--kind", "do", "--slow", "400"}, DownloadOutcome::Failed, MeterKind::DissolvedOxygen, 0,
                         "Incomplete reply from Instrument"},
                    Case{{"--kind", "multi", "--records", "/dev/null"}, DownloadOutcome::NoValidData,
                         MeterKind::MultiParameter, 0, "None of the logged data points contain valid data"}));

TEST_P(DownloadFromSimulatedMeter, EndsAsExpected) {
  const Case& c = GetParam();
  MeterProcess meter(c.options);
  Attempt run;
  const DownloadResult result = run.From(meter.Path());
  EXPECT_EQ(result.outcome, c.outcome) << result.message;
  EXPECT_EQ(result.message, c.message);
  EXPECT_EQ(run.prompts, c.prompts);
  MeterLink probe;
  EXPECT_EQ(OpenMeterPort(probe, meter.Path()), 0) << "the port is released";
  if (c.outcome != DownloadOutcome::Done) return;
  EXPECT_EQ(run.link.meterKind, c.kind);
  EXPECT_EQ(run.table.count, c.readings);
  EXPECT_EQ(run.positions.size(), 25u);
  EXPECT_EQ(run.statuses.size(), 4u);
  for (int i = 0; i < run.table.count; ++i) EXPECT_EQ(run.table.readings[i].discard, 0);
}

}  // namespace
