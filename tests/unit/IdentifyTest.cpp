#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "ErrorText.h"
#include "FakeMeter.h"
#include "Identify.h"

namespace {

// A suspended-solids meter was set before: failures leave it; replies set kind and layout.
TEST(IdentifyMeter, ClassifiesByDataBytesOneAndSixOrLeavesTheKind) {
  const auto identity = [](uint8_t first, uint8_t sixth) {
    return std::vector<Arrival>{{5, MeterFrame({0x01, 0x11, 0x06, first, 0, 0, 0, 0, sixth})}};
  };
  const std::vector<Arrival> badLrc = {{5, FrameWithBadLrc({0x01, 0x11, 0x06, 30, 0, 0, 0, 0, 95})}};
  struct Case {
    const char* name;
    std::vector<std::vector<Arrival>> replies;
    int32_t code;
    size_t frames;
    MeterKind kind;
    int32_t records, registers;
  } cases[] = {
      {"multiparameter", {identity(30, 90)}, 0, 1, MeterKind::MultiParameter, 250, 8},
      {"dissolved oxygen", {identity(30, 89)}, 0, 1, MeterKind::DissolvedOxygen, 50, 7},
      {"suspended solids", {identity(0, 0)}, 0, 1, MeterKind::SuspendedSolids, 50, 6},
      {"bad LRC thrice then good", {badLrc, badLrc, badLrc, identity(30, 95)}, 0, 4, MeterKind::MultiParameter, 250, 8},
      {"silent", {{}, {}, {}, {}}, NoReply, 4, MeterKind::SuspendedSolids, 0, 0},
      {"exception", {{{5, MeterFrame({0x01, 0x91, 0x01})}}}, InvalidReply, 1, MeterKind::SuspendedSolids, 0, 0},
  };
  for (const Case& c : cases) {
    LinkBench bench;
    bench.meter.answerRequests = 0;
    SetMeterKind(bench.link, MeterKind::SuspendedSolids);
    for (const auto& reply : c.replies) bench.port->ThenReply(reply);
    EXPECT_EQ(IdentifyMeter(bench.link), c.code) << c.name;
    EXPECT_EQ(bench.port->Sent().size(), c.frames) << c.name;
    EXPECT_EQ(bench.link.meterKind, c.kind) << c.name;
    EXPECT_EQ(bench.link.LastErrorText, c.code == 0 ? "No Error" : ErrorText(c.code)) << c.name;
    if (c.code == 0) {
      EXPECT_EQ(std::tuple(bench.link.recordCount, bench.link.registersPerRecord), std::tuple(c.records, c.registers))
          << c.name;
    }
  }
}

// The older meters themselves are told apart in the download's test; here what the probe
// asks, a silent meter, and the units question asked again after the probe.
TEST(RunFallbackProbe, SilentMeterAndTheUnitsChoiceForgotten) {
  for (int answers : {0, -1}) {
    LinkBench bench;
    bench.meter.answerRequests = answers;
    bench.meter.records = {RecordRegisters(7, "A1", 100, 10, 0)};
    bench.link.doUnitsChoice = UnitsPercentSaturation;
    ReadingTable table;
    EXPECT_EQ(RunFallbackProbe(bench.link, table), answers == 0 ? NoReply : 0);
    EXPECT_EQ(bench.link.meterKind, MeterKind::DissolvedOxygen);
    EXPECT_EQ(bench.link.registersPerRecord, 7);
    EXPECT_EQ(bench.port->Sent().front(), ":010400000007F4\r\n");
    EXPECT_EQ(bench.prompts, answers == 0 ? 0 : 1) << "the probe forgets the units choice";
  }
}

}  // namespace
