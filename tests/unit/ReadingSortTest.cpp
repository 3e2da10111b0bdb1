#include <gtest/gtest.h>

#include <string>

#include "ReadingSort.h"
#include "Timestamp.h"

namespace {

TEST(SortTable, EachPriorityOnAMixedTable) {
  struct Row {
    const char* location;
    uint16_t type;
    int minute;
  } rows[] = {
      {"TANK2", 38, 100}, {"A1", 30, 50},  {"TANK", 30, 300}, {"TANK", 286, 200}, {"B", 35, 150},
      {"B1", 30, 400},    {"A1", 38, 250}, {"TANK", 30, 120}, {"9", 550, 10},     {"TANK2", 30, 500},
  };
  const struct {
    SortPriority priority;
    const char* order;  // the rows above as letters, a being the first
  } cases[] = {
      {LocationTypeTime, "ibgefchdja"}, {LocationTime, "igbefcdhja"}, {TypeLocationTime, "bfchjegadi"},
      {TypeTime, "jfchbegadi"},         {TimeOnly, "jfcgdehabi"},
  };
  for (const auto& c : cases) {
    ReadingTable table;
    table.readings.clear();
    for (const Row& row : rows) {
      const auto letter = static_cast<float>('a' + table.readings.size());
      table.readings.push_back({TimestampOf({2024, 3, 7, 0, row.minute}), row.location, letter, row.type, 0, 0});
    }
    table.count = static_cast<int32_t>(table.readings.size());
    table.readings.push_back({TimestampOf({2025, 1, 1, 0, 0}), "0", '!', 30, 0, 0});  // beyond count: stays last
    table.sortPriority = c.priority;
    SortTable(table);
    std::string order;
    for (const Reading& reading : table.readings) order += static_cast<char>(reading.value);
    EXPECT_EQ(order, c.order + std::string("!")) << c.priority;
  }
}

// A reading that preceded itself would break the sort's ordering.
TEST(CompareReadings, NoReadingPrecedesItself) {
  const Reading z{0, "Z", 0, 30, 0, 0};
  for (int32_t priority = LocationTypeTime; priority <= TimeOnly; ++priority) {
    EXPECT_FALSE(compareReadings(priority, z, z)) << priority;
  }
}

}  // namespace
