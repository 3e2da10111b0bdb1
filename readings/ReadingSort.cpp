#include "ReadingSort.h"

#include <algorithm>

namespace {

enum class Key { Location, Type };

// The keys before time, highest first, by SortPriority; time alone for any other value.
struct Keys {
  int count;
  Key key[2];
};
constexpr Keys kKeysBeforeTime[] = {
    {0, {}},
    {2, {Key::Location, Key::Type}},  // LocationTypeTime; no-mutate(2): a third key reads the next row's count
    {1, {Key::Location}},             // LocationTime
    {2, {Key::Type, Key::Location}},  // TypeLocationTime
    {1, {Key::Type}},                 // TypeTime
    {0, {}},                          // TimeOnly
};

// Negative, zero or positive as a sorts before, level with or after b by one key.
int Compare(Key key, const Reading& a, const Reading& b) {
  // std::string compares its bytes as unsigned char, a prefix before the longer text.
  if (key == Key::Location) return a.location.compare(b.location);
  return static_cast<int>(a.type) - static_cast<int>(b.type);
}

}  // namespace

bool compareReadings(int32_t priority, const Reading& a, const Reading& b) {
  // no-mutate(<= TimeOnly): TimeOnly's keys and entry 0's are the same, none before the time
  const Keys& keys = kKeysBeforeTime[priority >= LocationTypeTime && priority <= TimeOnly ? priority : 0];
  for (int i = 0; i < keys.count; ++i) {
    const int order = Compare(keys.key[i], a, b);
    if (order != 0) return order < 0;  // no-mutate(order < 0): order is not 0 here
  }
  return a.timestamp > b.timestamp;
}

void SortTable(ReadingTable& table) {
  const auto first = table.readings.begin();
  const auto last = first + table.count;
  const auto before = [priority = table.sortPriority](const Reading& a, const Reading& b) {
    return compareReadings(priority, a, b);
  };
  // Stable, so equal readings keep their download order and every build writes the same files.
  // A history comes sorted already: a look through it is all it needs.
  if (!std::is_sorted(first, last, before)) std::stable_sort(first, last, before);
}

int32_t SingleTypePriority(int32_t priority) {
  switch (priority) {
    case LocationTypeTime:
    case TypeLocationTime: return LocationTime;
    case TypeTime: return TimeOnly;
    default: return priority;
  }
}
