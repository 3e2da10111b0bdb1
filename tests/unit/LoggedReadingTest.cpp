#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ErrorText.h"
#include "FakeMeter.h"
#include "Identify.h"
#include "LoggedReading.h"
#include "Timestamp.h"

namespace {

constexpr int32_t kDay = 1440;

int64_t At(int year, int month, int day, int hour = 0, int minute = 0) {
  return TimestampOf({year, month, day, hour, minute});
}

struct Decoding {
  const char* name;
  std::string location;
  int16_t raw;
  int16_t temperature;
  uint16_t type;
  bool kept;
  float value;
  const char* keptLocation;
};

class MultiParameterDecoding : public testing::TestWithParam<Decoding> {};

TEST_P(MultiParameterDecoding, KeepsOnlyPlausibleReadings) {
  const Decoding& d = GetParam();
  LinkBench bench;
  SetMeterKind(bench.link, MeterKind::MultiParameter);
  bench.meter.registersPerRecord = 8;
  bench.meter.recordCount = 250;
  bench.meter.records = {{}, RecordRegisters(8, d.location, d.raw, d.temperature, 3 * kDay + 61, d.type)};
  ReadingTable table;
  table.readings[1].discard = 1;  // left by an earlier attempt
  ASSERT_EQ(ReadLoggedReading(bench.link, table, 1), 0);
  EXPECT_EQ(bench.link.LastErrorText, "No Error");
  const Reading& r = table.readings[1];
  ASSERT_EQ(r.discard, d.kept ? 0 : 1);
  if (!d.kept) return;
  EXPECT_EQ(r.type, d.type);
  EXPECT_EQ(r.value, d.value);
  EXPECT_EQ(r.temperature, static_cast<float>(d.temperature / 10.0));
  EXPECT_EQ(r.location, d.keptLocation);
  EXPECT_EQ(r.timestamp, At(2025, 1, 4, 1, 1));
  EXPECT_EQ(bench.prompts, 0);
}

INSTANTIATE_TEST_SUITE_P(Records, MultiParameterDecoding,
                         testing::Values(Decoding{"PhTop", "POND A", 1400, 215, 38, true, 14.0f, "POND A"},
                                         Decoding{"PhAboveRange", "POND A", 1401, 215, 38, false, 0, ""},
                                         Decoding{"PhMiddle", "POND A", 700, 215, 38, true, 7.0f, "POND A"},
                                         Decoding{"PhNegative", "POND A", -1, 215, 38, false, 0, ""},
                                         Decoding{"OrpLowest", "W3", -2000, -55, 294, true, -2000.0f, "W3"},
                                         Decoding{"OrpHighest", "W3", 2000, 0, 550, true, 2000.0f, "W3"},
                                         Decoding{"OrpBelowRange", "W3", -2001, 0, 294, false, 0, ""},
                                         Decoding{"OrpAboveRange", "W3", 2001, 0, 550, false, 0, ""},
                                         Decoding{"DoPpmTop", "INLET", 9999, 999, 30, true, 99.99f, "INLET"},
                                         Decoding{"DoPpmAboveRange", "INLET", 10000, 999, 30, false, 0, ""},
                                         Decoding{"DoSatTop", "INLET", 9999, -999, 286, true, 999.9f, "INLET"},
                                         Decoding{"DoMgL", "INLET", 435, 120, 542, true, 4.35f, "INLET"},
                                         Decoding{"DoMgLNegative", "INLET", -1, 120, 542, false, 0, ""},
                                         Decoding{"SsLowRange", "CLAR1", 32767, 0, 34, true, 3276.7f, "CLAR1"},
                                         Decoding{"SsLowNegative", "CLAR1", -1, 0, 34, false, 0, ""},
                                         Decoding{"SsHighZero", "CLAR1", 0, 0, 35, true, 0.0f, "CLAR1"},
                                         Decoding{"UnknownType", "CLAR1", 5, 0, 31, false, 0, ""},
                                         Decoding{"TypeZero", "CLAR1", 5, 0, 0, false, 0, ""},
                                         Decoding{"TemperatureTooHigh", "CLAR1", 5, 1000, 35, false, 0, ""},
                                         Decoding{"TemperatureTooLow", "CLAR1", 5, -1000, 35, false, 0, ""},
                                         Decoding{"InnerSpaceKept", "AB 12 ", 5, 0, 35, true, 5.0f, "AB 12"},
                                         Decoding{"OuterSpacesTrimmed", " A    ", 5, 0, 35, true, 5.0f, "A"},
                                         Decoding{"LowerCase", "ab1234", 5, 0, 35, false, 0, ""},
                                         Decoding{"Punctuation", "TANK-1", 5, 0, 35, false, 0, ""},
                                         Decoding{"OnlySpaces", "      ", 5, 0, 35, false, 0, ""},
                                         Decoding{"NulByte", std::string("A\0B", 3), 5, 0, 35, false, 0, ""},
                                         Decoding{"EmptySlot", "\xFF\xFF\xFF\xFF\xFF\xFF", 5, 0, 35, false, 0, ""}),
                         [](const testing::TestParamInfo<Decoding>& info) { return info.param.name; });

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
      {static_cast<int32_t>(0x80000000u), At(2023, 1, 1)},
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

TEST(ReadLoggedReading, OtherMetersLayouts) {
  {
    LinkBench bench;
    SetMeterKind(bench.link, MeterKind::SuspendedSolids);
    bench.meter.registersPerRecord = 6;
    bench.meter.records = {RecordRegisters(6, "TANK", 1234, 0, 2 * kDay + 30)};
    ReadingTable table;
    ASSERT_EQ(ReadLoggedReading(bench.link, table, 0), 0);
    EXPECT_EQ(table.readings[0].discard, 0);
    EXPECT_EQ(table.readings[0].type, 35);
    EXPECT_EQ(table.readings[0].value, 1234.0f);
    EXPECT_EQ(table.readings[0].temperature, 0.0f);
    EXPECT_EQ(table.readings[0].timestamp, At(2025, 1, 3, 0, 30));
    EXPECT_EQ(bench.prompts, 0) << "no units question for suspended solids";
  }
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
  LinkBench silent;
  SetMeterKind(silent.link, MeterKind::DissolvedOxygen);
  silent.meter.answerRequests = 0;
  ReadingTable table;
  EXPECT_EQ(ReadLoggedReading(silent.link, table, 3), NoReply);
  EXPECT_EQ(silent.link.LastErrorText, "No reply from Instrument");
  EXPECT_EQ(silent.port->Sent().front(), ":010400150007DF\r\n");
}

TEST(IdentifyMeter, ClassifiesByDataBytesOneAndSix) {
  struct Case {
    uint8_t first;
    uint8_t sixth;
    MeterKind kind;
    int32_t records;
    int32_t registers;
  } cases[] = {
      {30, 90, MeterKind::MultiParameter, 250, 8}, {31, 255, MeterKind::MultiParameter, 250, 8},
      {30, 89, MeterKind::DissolvedOxygen, 50, 7}, {31, 89, MeterKind::SuspendedSolids, 50, 6},
      {0, 0, MeterKind::SuspendedSolids, 50, 6},
  };
  for (const Case& c : cases) {
    LinkBench bench;
    bench.meter.identity = {c.first, 0, 0, 0, 0, c.sixth};
    ASSERT_EQ(IdentifyMeter(bench.link), 0);
    EXPECT_EQ(bench.link.meterKind, c.kind) << int{c.first} << "/" << int{c.sixth};
    EXPECT_EQ(bench.link.recordCount, c.records);
    EXPECT_EQ(bench.link.registersPerRecord, c.registers);
    EXPECT_EQ(bench.link.LastErrorText, "No Error");
  }
}

TEST(IdentifyMeter, FailuresLeaveTheKindUnchanged) {
  struct Case {
    const char* name;
    std::vector<std::vector<Arrival>> replies;
    int32_t code;
    size_t frames;
  } cases[] = {
      {"silent", {{}, {}, {}, {}}, NoReply, 4},
      {"exception", {{{5, MeterFrame({0x01, 0x91, 0x01})}}}, InvalidReply, 1},
      {"short", {{{5, MeterFrame({0x01, 0x11, 0x06, 30, 0, 0})}}}, InvalidReply, 1},
      {"bad LRC thrice then good",
       {{{5, FrameWithBadLrc({0x01, 0x11, 0x06, 30, 0, 0, 0, 0, 95})}},
        {{5, FrameWithBadLrc({0x01, 0x11, 0x06, 30, 0, 0, 0, 0, 95})}},
        {{5, FrameWithBadLrc({0x01, 0x11, 0x06, 30, 0, 0, 0, 0, 95})}},
        {{5, MeterFrame({0x01, 0x11, 0x06, 30, 0, 0, 0, 0, 95})}}},
       0,
       4},
  };
  for (const Case& c : cases) {
    LinkBench bench;
    bench.meter.answerRequests = 0;
    SetMeterKind(bench.link, MeterKind::SuspendedSolids);
    for (const auto& reply : c.replies) bench.port->ThenReply(reply);
    EXPECT_EQ(IdentifyMeter(bench.link), c.code) << c.name;
    EXPECT_EQ(bench.port->Sent().size(), c.frames) << c.name;
    EXPECT_EQ(bench.link.meterKind, c.code == 0 ? MeterKind::MultiParameter : MeterKind::SuspendedSolids) << c.name;
    EXPECT_EQ(bench.link.LastErrorText, c.code == 0 ? "No Error" : ErrorText(c.code)) << c.name;
  }
}

TEST(RunFallbackProbe, TellsTheOlderMetersApart) {
  struct Case {
    const char* name;
    int meterRegisters;
    int answers;
    int32_t code;
    MeterKind kind;
    int32_t registers;
  } cases[] = {
      {"dissolved oxygen", 7, -1, 0, MeterKind::DissolvedOxygen, 7},
      {"suspended solids", 6, -1, 0, MeterKind::SuspendedSolids, 6},
      {"silent", 7, 0, NoReply, MeterKind::DissolvedOxygen, 7},
  };
  for (const Case& c : cases) {
    LinkBench bench;
    bench.meter.registersPerRecord = c.meterRegisters;
    bench.meter.answerRequests = c.answers;
    bench.meter.records = {RecordRegisters(c.meterRegisters, "A1", 100, 10, 0)};
    bench.link.doUnitsChoice = UnitsPercentSaturation;
    ReadingTable table;
    EXPECT_EQ(RunFallbackProbe(bench.link, table), c.code) << c.name;
    EXPECT_EQ(bench.link.meterKind, c.kind) << c.name;
    EXPECT_EQ(bench.link.registersPerRecord, c.registers) << c.name;
    EXPECT_EQ(bench.link.recordCount, 50) << c.name;
    EXPECT_EQ(bench.port->Sent().front(), ":010400000007F4\r\n") << c.name;
  }
  LinkBench bench;
  bench.link.doUnitsChoice = UnitsPercentSaturation;
  bench.meter.records = {RecordRegisters(7, "A1", 100, 10, 0)};
  ReadingTable table;
  ASSERT_EQ(RunFallbackProbe(bench.link, table), 0);
  EXPECT_EQ(bench.prompts, 1) << "the probe forgets the units choice";
}

}  // namespace
