#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "ErrorText.h"
#include "FakeMeter.h"
#include "Identify.h"
#include "LoggedReading.h"
#include "Timestamp.h"

namespace {

constexpr int32_t kDay = 1440;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

int64_t At(int year, int month, int day, int hour = 0, int minute = 0) {
  return TimestampOf({year, month, day, hour, minute});
}

// Each record in slot 1 of a multiparameter meter, 3 days 1 hour 1 minute into the year.
TEST(ReadLoggedReading, KeepsOnlyPlausibleReadings) {
  struct Case {
    const char* name;
    std::string location;
    int16_t raw, temperature;
    uint16_t type;
    float value;  // NaN: discarded
    const char* keptLocation;
  } cases[] = {
      // clang-format off
      {"pH top", "POND A", 1400, 215, 38, 14.0f, "POND A"}, {"pH above", "POND A", 1401, 215, 38, kNaN, ""},
      {"pH negative", "POND A", -1, 215, 38, kNaN, ""},
      {"ORP lowest", "W3", -2000, -55, 294, -2000.0f, "W3"}, {"ORP highest", "Z0 9", 2000, 0, 550, 2000.0f, "Z0 9"},
      {"ORP below", "W3", -2001, 0, 294, kNaN, ""}, {"ORP above", "W3", 2001, 0, 550, kNaN, ""},
      {"DO ppm top", "INLET", 9999, 999, 30, 99.99f, "INLET"}, {"DO ppm above", "INLET", 10000, 999, 30, kNaN, ""},
      {"DO sat top", "INLET", 9999, -999, 286, 999.9f, "INLET"}, {"DO mg/l", "INLET", 435, 120, 542, 4.35f, "INLET"},
      {"DO mg/l negative", "INLET", -1, 120, 542, kNaN, ""},
      {"SS low top", "CLAR1", 32767, 0, 34, 3276.7f, "CLAR1"}, {"SS low negative", "CLAR1", -1, 0, 34, kNaN, ""},
      {"SS high zero", "CLAR1", 0, 0, 35, 0.0f, "CLAR1"}, {"unknown type", "CLAR1", 5, 0, 31, kNaN, ""},
      {"100.0 degrees", "CLAR1", 5, 1000, 35, kNaN, ""}, {"-100.0 degrees", "CLAR1", 5, -1000, 35, kNaN, ""},
      {"inner space kept", "AB 12 ", 5, 0, 35, 5.0f, "AB 12"}, {"outer spaces trimmed", " A    ", 5, 0, 35, 5.0f, "A"},
      {"lower case", "ab1234", 5, 0, 35, kNaN, ""}, {"only spaces", "      ", 5, 0, 35, kNaN, ""},
      {"empty slot", "\xFF\xFF\xFF\xFF\xFF\xFF", 5, 0, 35, kNaN, ""},
      // clang-format on
  };
  for (const Case& c : cases) {
    LinkBench bench;
    SetMeterKind(bench.link, MeterKind::MultiParameter);
    bench.meter.registersPerRecord = 8;
    bench.meter.recordCount = 250;
    bench.meter.records = {{}, RecordRegisters(8, c.location, c.raw, c.temperature, 3 * kDay + 61, c.type)};
    ReadingTable table;
    table.readings[1].discard = 1;  // left by an earlier attempt
    ASSERT_EQ(ReadLoggedReading(bench.link, table, 1), 0) << c.name;
    const Reading& r = table.readings[1];
    EXPECT_EQ(r.discard, std::isnan(c.value) ? 1 : 0) << c.name;
    if (r.discard) continue;
    EXPECT_EQ(std::tuple(r.type, r.value, r.temperature * 10, r.location, r.timestamp),
              std::tuple(c.type, c.value, c.temperature, c.keptLocation, At(2025, 1, 4, 1, 1)))
        << c.name;
  }
}

// Run on 2 January of a common year after a common year: a day more than four days ahead
// was last year.
TEST(MinutesToTimestamp, ClampsAndPlacesTheYear) {
  const CivilTime today = {2023, 1, 2, 10, 0};
  struct Case {
    int32_t minutes;
    int64_t timestamp;
  } cases[] = {
      {0, At(2023, 1, 1)},
      {-1, At(2023, 1, 1)},
      {527041, At(2023, 1, 1)},
      {527040, At(2023, 1, 2)},  // 366 days: ahead of this year, so from 1 January 2022
      {522720, At(2022, 12, 30)},
      {4 * kDay, At(2023, 1, 5)},
      {5 * kDay + 1439, At(2023, 1, 6, 23, 59)},  // the fourth day ahead, whatever the hour
      {6 * kDay, At(2022, 1, 7)},
  };
  for (const Case& c : cases) EXPECT_EQ(MinutesToTimestamp(c.minutes, today), c.timestamp) << c.minutes;
  EXPECT_EQ(MinutesToTimestamp(59 * kDay, {2024, 12, 31, 23, 59}), At(2024, 2, 29)) << "a leap year's 29 February";
  EXPECT_EQ(MinutesToTimestamp(6 * kDay, {2025, 1, 2, 0, 0}), At(2024, 1, 7)) << "last year a leap year";
}

// The suspended-solids layout is read in the download's and the history's tests.
TEST(ReadLoggedReading, DissolvedOxygenAsksItsUnitsOnce) {
  for (int32_t answer : {1, 2, 0}) {
    LinkBench bench;
    bench.promptAnswer = answer;
    SetMeterKind(bench.link, MeterKind::DissolvedOxygen);
    bench.meter.records = {RecordRegisters(7, "POND", 10000, 200, 10), RecordRegisters(7, "POND", -1, 200, 10),
                           RecordRegisters(7, "pond", 500, 200, 10), RecordRegisters(7, "POND", 475, 200, 10),
                           RecordRegisters(7, "BANK", 9999, -15, 20)};
    ReadingTable table;
    for (int i = 0; i < 5; ++i) ASSERT_EQ(ReadLoggedReading(bench.link, table, i), 0);
    EXPECT_EQ(bench.prompts, 1) << "asked once, at the first record that passes every check";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(table.readings[i].discard, 1) << i;
    const bool mgPerLitre = answer == 1;
    EXPECT_EQ(table.readings[3].type, mgPerLitre ? 542 : 286);
    EXPECT_EQ(table.readings[3].value, mgPerLitre ? 4.75f : 47.5f);
    EXPECT_EQ(table.readings[4].value, mgPerLitre ? 99.99f : 999.9f);
    EXPECT_EQ(table.readings[4].temperature, -1.5f);
  }
}

TEST(ReadLoggedReading, ReplyOfTheWrongShapeFailsWith3) {
  struct Case {
    const char* name;
    std::vector<uint8_t> reply;
  } cases[] = {
      {"exception", {0x01, 0x84, 0x02}},
      {"other slave", {0x02, 0x04, 14, 'A', 'B', 'C', 'D', 'E', 'F', 0, 1, 0, 1, 0, 1, 0, 1}},
      {"six registers", {0x01, 0x04, 12, 'A', 'B', 'C', 'D', 'E', 'F', 0, 1, 0, 1, 0, 1}},
      {"shorter than its count", {0x01, 0x04, 14, 'A', 'B', 'C', 'D', 'E', 'F', 0, 1, 0, 1}},
      {"longer than its count", {0x01, 0x04, 14, 'A', 'B', 'C', 'D', 'E', 'F', 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}},
  };
  for (const Case& c : cases) {
    LinkBench bench;
    SetMeterKind(bench.link, MeterKind::DissolvedOxygen);
    bench.port->ThenReply({{5, MeterFrame(c.reply)}});
    ReadingTable table;
    EXPECT_EQ(ReadLoggedReading(bench.link, table, 0), InvalidReply) << c.name;
    EXPECT_EQ(table.readings[0].discard, 1) << c.name;
    EXPECT_EQ(bench.link.LastErrorText, "Invalid message received from Instrument") << c.name;
  }
}

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
