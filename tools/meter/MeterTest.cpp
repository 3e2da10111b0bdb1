#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "DemoData.h"
#include "Frame.h"
#include "Meter.h"
#include "RecordFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<Bytes> ParseAll(const std::string& text) {
  FrameParser parser;
  std::vector<Bytes> messages;
  Bytes message;
  for (char c : text)
    if (FeedFrameChar(parser, c, message)) messages.push_back(message);
  return messages;
}

TEST(FrameTest, ReceivesOnlyWellFormedFrames) {
  const std::string overlong = ":" + std::string(600, '0') + "00\r\n";
  struct Case {
    const char* name;
    std::string text;
    std::vector<Bytes> messages;
  };
  const Case cases[] = {
      {"identify", ":0111EE\r\n", {{0x01, 0x11}}},
      {"lower-case hex", ":010400000007f4\r\n", {{0x01, 0x04, 0x00, 0x00, 0x00, 0x07}}},
      {"noise before the colon", std::string("\x00\xFFzz\r\n", 6) + ":0111EE\r\n", {{0x01, 0x11}}},
      {"colon restarts a frame", ":010400:0111EE\r\n", {{0x01, 0x11}}},
      {"CR without LF drops the frame", ":0111EE\r:0111EE\r\n", {{0x01, 0x11}}},
      {"wrong LRC", ":0111EF\r\n", {}},
      {"non-hex character", ":01G1EE\r\n", {}},
      {"odd number of digits", ":0111E\r\n", {}},
      {"LF alone does not end a frame", ":0111EE\n", {}},
      {"too short for address and function", ":01FF\r\n", {}},
      {"empty frame", ":\r\n", {}},
      {"overlong frame, then a good one", overlong + ":0111EE\r\n", {{0x01, 0x11}}},
      {"two frames back to back", ":0111EE\r\n:0211ED\r\n", {{0x01, 0x11}, {0x02, 0x11}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseAll(c.text), c.messages) << c.name;
}

TEST(FrameTest, BuildsUppercaseFramesThatParseBack) {
  EXPECT_EQ(BuildFrame(Bytes{0x01, 0x11}), ":0111EE\r\n");
  EXPECT_EQ(BuildFrame(Bytes{0x01, 0x91, 0x01}), ":0191016D\r\n");
  EXPECT_EQ(BuildFrame(Bytes{0x01, 0x04, 0x00, 0x15, 0x00, 0x07}), ":010400150007DF\r\n");
  const Bytes messages[] = {{0x01, 0x00}, {0xFF, 0xFF, 0xFF}, {0x3A, 0x0D, 0x0A, 0xab, 0xcd}, Bytes(250, 0x80)};
  for (const Bytes& m : messages) EXPECT_EQ(ParseAll(BuildFrame(m)), std::vector<Bytes>{m});
}

Bytes ReadRequest(int start, int count) {
  return {meterAddress,
          0x04,
          static_cast<uint8_t>(start >> 8),
          static_cast<uint8_t>(start),
          static_cast<uint8_t>(count >> 8),
          static_cast<uint8_t>(count)};
}

TEST(MeterTest, ServesWholeRecordsOnly) {
  struct Case {
    const char* name;
    MeterKind kind;
    Bytes request;
    Bytes header;  // address, function, then byte count or exception code
  };
  const Case cases[] = {
      {"dissolved oxygen record 0", MeterKind::DissolvedOxygen, ReadRequest(0, 7), {1, 4, 14}},
      {"dissolved oxygen last record", MeterKind::DissolvedOxygen, ReadRequest(343, 7), {1, 4, 14}},
      {"suspended solids asked for 7", MeterKind::SuspendedSolids, ReadRequest(0, 7), {1, 0x84, 2}},
      {"suspended solids record 3", MeterKind::SuspendedSolids, ReadRequest(18, 6), {1, 4, 12}},
      {"multiparameter 15 records", MeterKind::MultiParameter, ReadRequest(0, 120), {1, 4, 240}},
      {"multiparameter last record", MeterKind::MultiParameter, ReadRequest(1992, 8), {1, 4, 16}},
      {"start inside a record", MeterKind::MultiParameter, ReadRequest(4, 8), {1, 0x84, 2}},
      {"part of a record", MeterKind::MultiParameter, ReadRequest(8, 4), {1, 0x84, 2}},
      {"past the last record", MeterKind::MultiParameter, ReadRequest(2000, 8), {1, 0x84, 2}},
      {"running over the end", MeterKind::MultiParameter, ReadRequest(1992, 16), {1, 0x84, 2}},
      {"count 0", MeterKind::MultiParameter, ReadRequest(0, 0), {1, 0x84, 3}},
      {"count 126", MeterKind::DissolvedOxygen, ReadRequest(0, 126), {1, 0x84, 3}},
      {"short data", MeterKind::MultiParameter, {1, 4, 0, 0, 0}, {1, 0x84, 3}},
      {"read holding registers", MeterKind::MultiParameter, {1, 3, 0, 0, 0, 8}, {1, 0x83, 1}},
  };
  for (const Case& c : cases) {
    Bytes reply = AnswerRequest(EmptyMeter(c.kind, true), c.request);
    ASSERT_GE(reply.size(), 3u) << c.name;
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 3), c.header) << c.name;
    std::size_t expectedSize = c.header[1] == 4 ? 3u + c.header[2] : 3u;
    EXPECT_EQ(reply.size(), expectedSize) << c.name;
  }
}

TEST(MeterTest, IdentifiesItsKind) {
  struct Case {
    MeterKind kind;
    bool dissolvedOxygen;
    bool multiParameter;
  };
  const Case cases[] = {
      {MeterKind::DissolvedOxygen, true, false},
      {MeterKind::SuspendedSolids, false, false},
      {MeterKind::MultiParameter, false, true},
  };
  for (const Case& c : cases) {
    Bytes reply = AnswerRequest(EmptyMeter(c.kind, true), Bytes{1, 0x11});
    ASSERT_EQ(reply.size(), 9u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 3), (Bytes{1, 0x11, 6}));
    EXPECT_EQ(reply[3] == 30, c.dissolvedOxygen);
    EXPECT_EQ(reply[8] >= 90, c.multiParameter);
    EXPECT_EQ(reply[7] & 0x0F, 2) << "units code mg/l";
    EXPECT_EQ(AnswerRequest(EmptyMeter(c.kind, false), Bytes{1, 0x11}), (Bytes{1, 0x91, 1}));
  }
}

TEST(MeterTest, LaysOutReadingsByKind) {
  const LoggedReading reading = {"AB 12", -5, -50, 0x0001E240, 38};
  struct Case {
    MeterKind kind;
    std::vector<uint16_t> record;
  };
  const Case cases[] = {
      {MeterKind::SuspendedSolids, {0x4142, 0x2031, 0x3220, 0xFFFB, 0x0001, 0xE240}},
      {MeterKind::DissolvedOxygen, {0x4142, 0x2031, 0x3220, 0xFFFB, 0xFFCE, 0x0001, 0xE240}},
      {MeterKind::MultiParameter, {0x4142, 0x2031, 0x3220, 0xFFFB, 0xFFCE, 0x0001, 0xE240, 0x0026}},
  };
  for (const Case& c : cases) {
    Meter meter = EmptyMeter(c.kind, true);
    StoreReading(meter, 1, reading);
    auto perRecord = c.record.size();
    EXPECT_EQ(std::vector<uint16_t>(meter.registers.begin(), meter.registers.begin() + perRecord),
              std::vector<uint16_t>(perRecord, emptyRegister));
    EXPECT_EQ(std::vector<uint16_t>(meter.registers.begin() + perRecord, meter.registers.begin() + 2 * perRecord),
              c.record);
  }
}

TEST(RecordFileTest, ReadsRecordsAndSkipsCommentsAndBlankLines) {
  Meter meter = EmptyMeter(MeterKind::SuspendedSolids, true);
  std::string error;
  ASSERT_TRUE(
      ParseRecords("# inlet, then outfall\n"
                   "\n"
                   "494e 4c45 5420 00D4 0001 E240  # INLET 212\r\n"
                   "   # blank record lines do not count\n"
                   "\t4f55 544c 2020 0 1 ffff\n",
                   "recs", meter, error))
      << error;
  std::vector<uint16_t> expected(meter.registers.size(), emptyRegister);
  const uint16_t firstTwo[] = {0x494E, 0x4C45, 0x5420, 0x00D4, 0x0001, 0xE240,
                               0x4F55, 0x544C, 0x2020, 0x0000, 0x0001, 0xFFFF};
  std::copy(std::begin(firstTwo), std::end(firstTwo), expected.begin());
  EXPECT_EQ(meter.registers, expected);
}

TEST(RecordFileTest, NamesTheLineOfABadRecord) {
  std::string tooMany;
  for (int i = 0; i < 51; ++i) tooMany += "0 0 0 0 0 0\n";
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"# two\n0 0 0 0 0 0\n0 0 0 0 0\n", "recs:3: expected 6 registers, found 5"},
      {"0 0 0 0 0 0 0\n", "recs:1: expected 6 registers, found 7"},
      {"0 0 0 12G4 0 0\n", "recs:1: '12G4' is not a 16-bit hex word"},
      {"\n0 0 0 10000 0 0\n", "recs:2: '10000' is not a 16-bit hex word"},
      {"0x12 0 0 0 0 0\n", "recs:1: '0x12' is not a 16-bit hex word"},
      {tooMany, "recs:51: more records than the meter holds (50)"},
  };
  for (const Case& c : cases) {
    Meter meter = EmptyMeter(MeterKind::SuspendedSolids, true);
    std::string error;
    EXPECT_FALSE(ParseRecords(c.text, "recs", meter, error));
    EXPECT_EQ(error, c.error);
  }
}

bool NameCharacter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' '; }

// The demonstration log is hand-written; this catches typing slips in it that would turn an
// intended reading into one a downloader drops, or the other way round.
TEST(DemoDataTest, LogsPlausibleReadings) {
  const std::set<uint16_t> allTypes = {30, 286, 542, 34, 35, 38, 294, 550};
  struct Case {
    MeterKind kind;
    int fewestUsed, mostUsed;
    std::set<int> faultySlots;
  };
  const Case cases[] = {
      {MeterKind::DissolvedOxygen, 25, 35, {}},
      {MeterKind::SuspendedSolids, 25, 35, {}},
      {MeterKind::MultiParameter, 60, 80, {33, 60}},
  };
  for (const Case& c : cases) {
    Meter meter = EmptyMeter(c.kind, true);
    StoreDemoReadings(meter);
    Layout layout = LayoutOf(c.kind);
    int used = 0;
    int lastUsed = -1;
    std::set<uint16_t> types;
    std::set<int> faulty;
    for (int slot = 0; slot < layout.recordCount; ++slot) {
      const uint16_t* r = &meter.registers[static_cast<std::size_t>(slot * layout.registersPerRecord)];
      if (std::all_of(r, r + layout.registersPerRecord, [](uint16_t v) { return v == emptyRegister; })) continue;
      ++used;
      lastUsed = slot;
      bool good = std::all_of(r, r + 3, [](uint16_t v) { return NameCharacter(v >> 8) && NameCharacter(v & 0xFF); });
      good = good && static_cast<int16_t>(r[3]) >= (c.kind == MeterKind::MultiParameter ? -2000 : 0);
      int timeAt = c.kind == MeterKind::SuspendedSolids ? 4 : 5;
      if (c.kind != MeterKind::SuspendedSolids) good = good && std::abs(static_cast<int16_t>(r[4])) <= 999;
      if (c.kind == MeterKind::MultiParameter) {
        good = good && allTypes.count(r[7]) == 1;
        types.insert(r[7]);
      } else if (c.kind == MeterKind::DissolvedOxygen) {
        good = good && r[3] <= 9999;
      }
      int32_t minutes = r[timeAt] << 16 | r[timeAt + 1];
      // Between 1 September and 1 November.
      EXPECT_GE(minutes, 243 * 1440) << "slot " << slot;
      EXPECT_LT(minutes, 304 * 1440) << "slot " << slot;
      if (!good) faulty.insert(slot);
    }
    EXPECT_GE(used, c.fewestUsed);
    EXPECT_LE(used, c.mostUsed);
    EXPECT_LT(used, lastUsed + 1) << "empty slots between used ones";
    EXPECT_LT(lastUsed, layout.recordCount * 3 / 4) << "an empty tail";
    EXPECT_EQ(faulty, c.faultySlots);
    if (c.kind == MeterKind::MultiParameter) {
      EXPECT_EQ(types, allTypes);
    }
  }
}

}  // namespace
