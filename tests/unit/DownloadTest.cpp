#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "Download.h"
#include "ErrorText.h"
#include "FakeMeter.h"
#include "KeptDownload.h"
#include "LoggedReading.h"
#include "Tables.h"

namespace {

const Calendar kDownloadCalendar = UsCalendar({2026, 6, 1, 9, 0});

// Everything the front end was told, in order.
struct Screen {
  std::vector<std::string> events;
  std::vector<int32_t> positions;

  DownloadFrontEnd FrontEnd() {
    DownloadFrontEnd f;
    f.rememberPort = [this](const std::string& port) { events.push_back("remember " + port); };
    f.status = [this](const std::string& text) { events.push_back(text); };
    f.showProgress = [this](int32_t first, int32_t last) {
      events.push_back("bar " + std::to_string(first) + ".." + std::to_string(last));
    };
    f.progress = [this](int32_t position) { positions.push_back(position); };
    f.closeStartWindow = [this] { events.push_back("start window closed"); };
    f.closeProgress = [this] { events.push_back("progress closed"); };
    return f;
  }
};

// A meter of the given kind with a valid reading in every third slot, those of TANK logged in
// the last days of December (the bench's day is 2 January), and a lower-case location after them.
void FillMeter(FakeMeter& meter, int registers, int records) {
  meter.registersPerRecord = registers;
  meter.recordCount = records;
  meter.identity = {static_cast<uint8_t>(registers == 7 ? 30 : 31), 0, 0, 0, 2,
                    static_cast<uint8_t>(registers == 8 ? 95 : 20)};
  meter.records.assign(static_cast<size_t>(records), {});
  for (int i = 0; i < records; i += 3) {
    meter.records[static_cast<size_t>(i)] = RecordRegisters(
        registers, i % 2 ? "TANK" : "A1", static_cast<int16_t>(100 + i), -15, i % 2 ? 522720 + i * 10 : i * 60, 38);
  }
  meter.records[1] = RecordRegisters(registers, "bad", 1, 1, 1, 38);
}

std::vector<int32_t> Steps(int32_t from, int32_t to, int32_t by) {
  std::vector<int32_t> v;
  for (int32_t p = from; p <= to; p += by) v.push_back(p);
  return v;
}

// Each kind, identified or probed: what the front end is told, every record read in order, and
// the kept download replays to the same files whenever it runs (its text is read back in the
// archive's tests).
TEST(RunDownload, ReadsEveryRecordOfEachKindAndKeepsItForReplay) {
  struct Case {
    const char* name;
    int registers, records;
    bool identifies;
    MeterKind kind;
    int step;
    // clang-format off
  } cases[] = {
      {"dissolved oxygen", 7, 50, true, MeterKind::DissolvedOxygen, 2},
      {"multiparameter", 8, 250, true, MeterKind::MultiParameter, 10},
      {"older suspended solids", 6, 50, false, MeterKind::SuspendedSolids, 2},
  };
  // clang-format on
  for (const Case& c : cases) {
    LinkBench bench;
    bench.UseFakeOpener();
    FillMeter(bench.meter, c.registers, c.records);
    bench.meter.identifies = c.identifies;
    ReadingTable table;
    table.sortPriority = TimeOnly;
    table.dataSaved = 1;
    table.shownLayout = 4;
    Screen screen;
    const DownloadResult result = RunDownload(bench.link, table, "COM3", screen.FrontEnd());
    ASSERT_EQ(result.outcome, DownloadOutcome::Done) << c.name << ": " << result.message;

    const std::vector<std::string> events = {"remember COM3",
                                             "Initializing communications...",
                                             "Retrieving Meter Type...",
                                             "Retrieving Logged Readings...",
                                             "bar 1.." + std::to_string(c.records),
                                             "start window closed",
                                             "Sorting all retrieved data points...",
                                             "progress closed"};
    EXPECT_EQ(screen.events, events) << c.name;
    EXPECT_EQ(screen.positions, Steps(c.step - 1, c.records - 1, c.step)) << c.name;
    EXPECT_EQ(bench.link.port, nullptr) << c.name;
    EXPECT_EQ(table.meterKind, c.kind) << c.name;
    EXPECT_EQ(table.count, (c.records + 2) / 3) << c.name;
    EXPECT_EQ(std::tuple(table.sortPriority, table.dataSaved, table.shownLayout), std::tuple(LocationTime, 0, 0));
    EXPECT_EQ(bench.prompts, c.kind == MeterKind::DissolvedOxygen ? 1 : 0) << c.name;

    // The exchanges: identification (and the probe), then every record strictly in order.
    const auto& sent = bench.meter.heard;
    const size_t first = sent.size() - static_cast<size_t>(c.records);
    for (int i = 0; i < c.records; ++i) {
      EXPECT_EQ(sent[first + static_cast<size_t>(i)].substr(0, 13), RecordRequest(i, c.registers))
          << c.name << " record " << i;
    }

    const KeptDownload kept = KeptFromLink(bench.link, "COM3");
    EXPECT_EQ(kept.toldBy, c.identifies ? KindToldBy::Identification : KindToldBy::Probe) << c.name;
    EXPECT_EQ(kept.records.size(), static_cast<size_t>(c.records)) << "empty and discarded slots are kept too";
    ReadingTable replayed;
    EXPECT_EQ(ReplayIntoTable(kept, kept.units, replayed), table.count) << c.name;
    EXPECT_EQ(EveryFormat(replayed, kDownloadCalendar), EveryFormat(table, kDownloadCalendar)) << c.name;
  }
}

TEST(RunDownload, FailureClosesThePortAndANewAttemptStartsAgain) {
  LinkBench bench;
  bench.UseFakeOpener();
  FillMeter(bench.meter, 7, 50);
  bench.meter.answerRequests = 1 + 11;  // identification and 11 records, then silence
  ReadingTable table;
  Screen screen;
  DownloadResult result = RunDownload(bench.link, table, "COM3", screen.FrontEnd());
  EXPECT_EQ(result.outcome, DownloadOutcome::Failed);
  EXPECT_EQ(result.code, NoReply);
  EXPECT_EQ(result.message, "No reply from Instrument");
  EXPECT_EQ(bench.link.port, nullptr);
  EXPECT_EQ(screen.events.back(), "progress closed");
  EXPECT_EQ(std::count(screen.events.begin(), screen.events.end(), "start window closed"), 0);
  EXPECT_EQ(bench.meter.heard.back().substr(0, 13), RecordRequest(11, 7)) << "the 12th record failed";
  bench.meter.heard.clear();

  bench.meter.answerRequests = -1;
  Screen again;
  result = RunDownload(bench.link, table, "COM3", again.FrontEnd());
  ASSERT_EQ(result.outcome, DownloadOutcome::Done) << result.message;
  EXPECT_EQ(table.count, 17);
  EXPECT_EQ(bench.prompts, 1) << "the units choice holds for the whole run";
  EXPECT_EQ(bench.meter.heard.at(1).substr(0, 13), RecordRequest(0, 7)) << "the new attempt starts at record 0";
}

// Nothing valid (empty slots) is left to the command-line checks, which read it from a meter.
TEST(RunDownload, NoPortEndsBeforeAnyExchange) {
  LinkBench bench;
  bench.link.openDevice = [](const std::string&, std::unique_ptr<SerialPort>&, std::string&) {
    return int32_t{PortNotAvailable};
  };
  ReadingTable table;
  Screen screen;
  const DownloadResult result = RunDownload(bench.link, table, "COM9", screen.FrontEnd());
  EXPECT_EQ(result.outcome, DownloadOutcome::Failed);
  EXPECT_EQ(result.message, "Selected COM port is not available");
  const std::vector<std::string> events = {"remember COM9", "Initializing communications...", "progress closed"};
  EXPECT_EQ(screen.events, events);
}

}  // namespace
