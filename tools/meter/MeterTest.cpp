#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Meter.h"
#include "RecordFile.h"

// The simulator's framing, serving and faults are checked from outside, by pymodbus and through
// datapond-cli; here what nothing else reads back: how it lays out readings and reads record files.
namespace {

using Registers = std::vector<uint16_t>;
constexpr MeterKind kDo = MeterKind::DissolvedOxygen, kSs = MeterKind::SuspendedSolids,
                    kMulti = MeterKind::MultiParameter;

TEST(MeterTest, LaysOutReadingsByKind) {
  const struct {
    MeterKind kind;
    Registers record;
  } cases[] = {
      {kSs, {0x4142, 0x2031, 0x3220, 0xFFFB, 0x0001, 0xE240}},
      {kDo, {0x4142, 0x2031, 0x3220, 0xFFFB, 0xFFCE, 0x0001, 0xE240}},
      {kMulti, {0x4142, 0x2031, 0x3220, 0xFFFB, 0xFFCE, 0x0001, 0xE240, 0x0026}},
  };
  for (const auto& c : cases) {
    Meter meter = EmptyMeter(c.kind, true);
    StoreReading(meter, 1, {"AB 12", -5, -50, 0x0001E240, 38});
    Registers expected(c.record.size(), emptyRegister);
    expected.insert(expected.end(), c.record.begin(), c.record.end());
    EXPECT_EQ(Registers(meter.registers.begin(), meter.registers.begin() + 2 * c.record.size()), expected);
  }
}

TEST(RecordFileTest, ReadsRecordsOrNamesTheBadLine) {
  std::string tooMany;
  for (int i = 0; i < 51; ++i) tooMany += "0 0 0 0 0 0\n";
  const struct {
    std::string text;
    std::string error;
    Registers first;  // the rest stay empty
  } cases[] = {
      {"# inlet, then outfall\n\n494e 4c45 5420 00D4 0001 E240  # INLET 212\r\n   # comment\n\t4f55 544c 2020 0 1 "
       "ffff\n",
       "",
       {0x494E, 0x4C45, 0x5420, 0x00D4, 0x0001, 0xE240, 0x4F55, 0x544C, 0x2020, 0x0000, 0x0001, 0xFFFF}},
      {"# two\n0 0 0 0 0 0\n0 0 0 0 0\n", "recs:3: expected 6 registers, found 5", {}},
      {tooMany, "recs:51: more records than the meter holds (50)", {}},
  };
  for (const auto& c : cases) {
    Meter meter = EmptyMeter(kSs, true);
    std::string error;
    EXPECT_EQ(ParseRecords(c.text, "recs", meter, error), c.error.empty());
    EXPECT_EQ(error, c.error);
    if (!c.error.empty()) continue;
    Registers expected = c.first;
    expected.resize(meter.registers.size(), emptyRegister);
    EXPECT_EQ(meter.registers, expected);
  }
}

}  // namespace
