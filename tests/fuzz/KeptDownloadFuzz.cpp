// Arbitrary text as a kept download: the parser must end with a verdict, and whatever it
// accepts must be a download of the meter's shape that writes back to text it accepts again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "KeptDownload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  KeptDownload kept;
  std::string error;
  if (!ParseKeptDownload(std::string(reinterpret_cast<const char*>(data), size), kept, error)) {
    if (error.rfind("line ", 0) != 0) __builtin_trap();
    return 0;
  }
  for (const auto& record : kept.records) {
    if (static_cast<int32_t>(record.size()) != kept.registersPerRecord) __builtin_trap();
  }
  KeptDownload again;
  if (!ParseKeptDownload(FormatKeptDownload(kept), again, error)) __builtin_trap();
  ReadingTable table;
  ReplayIntoTable(kept, kept.units, table);
  return 0;
}
