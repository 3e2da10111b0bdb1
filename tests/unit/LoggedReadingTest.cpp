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

int64_t Moment(int year, int month, int day, int hour = 0, int minute = 0) {
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
      {"pH negative", "POND A", -1, 215, 38, kNaN, ""}, {"pH zero", "POND A", 0, 215, 38, 0.0f, "POND A"},
      {"ORP lowest", "W3", -2000, -55, 294, -2000.0f, "W3"}, {"ORP highest", "Z0 9", 2000, 0, 550, 2000.0f, "Z0 9"},
      {"ORP below", "W3", -2001, 0, 294, kNaN, ""}, {"ORP above", "W3", 2001, 0, 550, kNaN, ""},
      {"DO ppm top", "INLET", 9999, 999, 30, 99.99f, "INLET"}, {"DO ppm above", "INLET", 10000, 999, 30, kNaN, ""},
      {"DO sat top", "INLET", 9999, -999, 286, 999.9f, "INLET"}, {"DO sat zero", "INLET", 0, 0, 286, 0.0f, "INLET"},
      {"DO mg/l", "INLET", 435, 120, 542, 4.35f, "INLET"},
      {"DO mg/l negative", "INLET", -1, 120, 542, kNaN, ""},
      {"SS low top", "CLAR1", 32767, 0, 34, 3276.7f, "CLAR1"}, {"SS low zero", "CLAR1", 0, 0, 34, 0.0f, "CLAR1"}, {"SS low negative", "CLAR1", -1, 0, 34, kNaN, ""},
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
              std::tuple(c.type, c.value, c.temperature, c.keptLocation, Moment(2025, 1, 4, 1, 1)))
        << c.name;
  }
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

}  // namespace
