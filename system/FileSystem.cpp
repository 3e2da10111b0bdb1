#include "FileSystem.h"

#include <cstdio>
#include <random>

std::string TemporaryFileName() {
  // Seeded once a thread from the system's randomness: two processes, or two threads, that
  // start in the same instant still draw different names.
  // no-mutate(32): a random seed
  thread_local std::mt19937_64 draw{(static_cast<uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}()};
  char name[40];
  std::snprintf(name, sizeof name, ".datapond-%016llx.tmp", static_cast<unsigned long long>(draw()));
  return name;
}
