// Arbitrary words as datapond-cli's arguments: the parser must end with a verdict, and a
// refusal must say why.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, line, error) && error.empty()) __builtin_trap();
  return 0;
}
