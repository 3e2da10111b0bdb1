#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Limits.h"
#include "Tables.h"

namespace {

TEST(Limits, LinesThatCannotBeReadAreNamed) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"# plant limits\n\nph: below 6.5, above 8.5\r\nph at pond a: above 9\ndo-mgl:below 2\n", ""},
      {"ph below 6.5", "line 1: a limit is written TYPE: below LOW, above HIGH"},
      {"\nPH: below 6",
       "line 2: \"PH\" is none of the reading types do-ppm|do-sat|do-mgl|ss-low|ss-high|ph|orp-us|orp-eur"},
      {"ph at POND A1: below 6", "line 1: \"POND A1\" is no location: 1 to 6 letters, digits and spaces"},
      {"ph: under 6", "line 1: \"under 6\" is neither \"below N\" nor \"above N\""},
      {"ph: below 6, below 7", "line 1: \"below\" is given twice"},
      {"ph: below 6,5", "line 1: \"5\" is neither \"below N\" nor \"above N\""},
      {"ph: below 6.", "line 1: \"6.\" is no number such as 6.5 or -150"},
      {"ph: below 1.0000001", "line 1: \"1.0000001\" is no number such as 6.5 or -150"},
      {"ph: below -15000000000000000000000", "line 1: \"-15000000000000000000000\" is no number such as 6.5 or -150"},
      {"ph:\x1b[2J below 6", "line 1: \"\\x1B[2J below 6\" is neither \"below N\" nor \"above N\""},
      {"ph: above 6.5, below 8.5", "line 1: below 8.5 is above 6.5: every reading would be past it"},
      {"ph: below 6\nph: above 9", "line 2: a second limit of the same type and place, after line 1"},
      {"ph at A: below 6\nph at a: above 9", "line 2: a second limit of the same type and place, after line 1"},
  };
  for (const auto& c : cases) {
    std::vector<Limit> limits;
    std::string error;
    EXPECT_EQ(ParseLimits(c.text, limits, error), c.error[0] == '\0') << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
  std::vector<Limit> limits;
  std::string error;
  ASSERT_TRUE(ParseLimits("ph: below 6.5, above 8.5\nph at POND A: below -1.25\n", limits, error));
  ASSERT_EQ(limits.size(), 2u);
  EXPECT_EQ(limits[1].location, "POND A");
  EXPECT_EQ(limits[1].below->units, -125);
  EXPECT_EQ(LimitOf(limits, 38, "POND A"), &limits[1]);
  EXPECT_EQ(LimitOf(limits, 38, "POND B"), &limits[0]);
  EXPECT_EQ(LimitOf(limits, 35, "POND A"), nullptr);
}

// A reading is past a limit by its value as logged, never by a rounding of binary fractions.
TEST(Limits, PastByTheValueAsLogged) {
  std::vector<Limit> limits;
  std::string error;
  ASSERT_TRUE(ParseLimits("ph: below 7.1, above 8.5\ndo-sat: above 99.95\nss-high: below 0.5\norp-us: below -150",
                          limits, error));
  const struct {
    uint16_t type;
    float value;
    int past;
  } cases[] = {{38, 7.10f, 0}, {38, 7.09f, -1}, {38, 8.50f, 0}, {38, 8.51f, 1},  {286, 99.9f, 0}, {286, 100.0f, 1},
               {35, 0.0f, -1}, {35, 1.0f, 0},   {294, -150, 0}, {294, -151, -1}, {34, 1e6f, 0}};
  for (const auto& c : cases) {
    const Limit* limit = LimitOf(limits, c.type, "A");
    EXPECT_EQ(limit ? PastLimit(*limit, c.type, c.value) : 0, c.past) << c.type << " " << c.value;
  }
}

// A run of readings past one side is one exceedance: from its first to its last reading, ended
// by the next reading within or past the other side, or still going on.
TEST(Limits, ExceedancesAreRunsOfOneLocationAndType) {
  std::vector<Limit> limits;
  std::string error;
  ASSERT_TRUE(ParseLimits("ph: below 6.5, above 8.5\nph at B: below 5\n", limits, error));
  const auto at = [](const char* location, float value, int hour) {
    return At(location, 38, value, 20, {2025, 6, 1, hour, 0});
  };
  // Out of order, as a history sorted newest first holds them; B's 6.0 is within its own limit.
  ReadingTable table = Table(MeterKind::MultiParameter, {at("A", 7.0f, 9), at("A", 6.2f, 10), at("A", 6.0f, 11),
                                                         at("A", 9.0f, 12), at("A", 7.5f, 13), at("A", 6.4f, 14),
                                                         at("B", 6.0f, 10), at("B", 4.9f, 11), at("A", 6.8f, 8)});
  const std::vector<Exceedance> found = FindExceedances(table, limits);
  ASSERT_EQ(found.size(), 4u);
  const auto hour = [](int h) { return TimestampOf({2025, 6, 1, h, 0}); };
  const struct {
    const char* location;
    bool below;
    int first, last, ended;  // -1: still going on
    float worst;
    size_t readings;
  } expected[] = {{"A", true, 10, 11, 12, 6.0f, 2},
                  {"A", false, 12, 12, 13, 9.0f, 1},
                  {"A", true, 14, 14, -1, 6.4f, 1},
                  {"B", true, 11, 11, -1, 4.9f, 1}};
  for (size_t i = 0; i < found.size(); ++i) {
    const Exceedance& e = found[i];
    EXPECT_EQ(e.location, expected[i].location) << i;
    EXPECT_EQ(e.below, expected[i].below) << i;
    EXPECT_EQ(e.first, hour(expected[i].first)) << i;
    EXPECT_EQ(e.last, hour(expected[i].last)) << i;
    EXPECT_EQ(e.ended.value_or(-1), expected[i].ended < 0 ? -1 : hour(expected[i].ended)) << i;
    EXPECT_EQ(e.worst, expected[i].worst) << i;
    EXPECT_EQ(e.readings, expected[i].readings) << i;
  }
  EXPECT_EQ(found[3].limit, &limits[1]);
  EXPECT_EQ(ReadingsPastLimits(table, limits), 5u);
}

}  // namespace
