#include "ReadingTable.h"

#include <algorithm>

int32_t Compaction(ReadingTable& table, int32_t n) {
  const auto end = table.readings.begin() + std::clamp<int32_t>(n, 0, static_cast<int32_t>(table.readings.size()));
  const int32_t kept =
      static_cast<int32_t>(std::count_if(table.readings.begin(), end, [](const Reading& r) { return r.discard == 0; }));
  table.count = kept;
  if (kept == 0) return 0;
  const auto last = std::stable_partition(table.readings.begin(), end, [](const Reading& r) { return r.discard == 0; });
  table.readings.erase(last, table.readings.end());
  return kept;
}
