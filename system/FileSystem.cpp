#include "FileSystem.h"

#include <cstdio>
#include <random>

namespace {

class StringSink : public FileSink {
 public:
  explicit StringSink(std::string& bytes) : bytes_(bytes) {}
  bool put(std::string_view bytes) override { return bytes_.append(bytes), true; }
  bool putAt(uint64_t offset, std::string_view bytes) override {
    if (offset > bytes_.size() || bytes.size() > bytes_.size() - offset) return false;
    bytes_.replace(static_cast<size_t>(offset), bytes.size(), bytes);
    return true;
  }

 private:
  std::string& bytes_;
};

}  // namespace

std::string MadeBytes(const FileMaker& make) {
  std::string bytes;
  StringSink sink(bytes);
  make(sink);
  return bytes;
}

std::string TemporaryFileName() {
  // Seeded once a thread from the system's randomness: two processes, or two threads, that
  // start in the same instant still draw different names.
  // no-mutate(32): a random seed
  thread_local std::mt19937_64 draw{(static_cast<uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}()};
  char name[40];
  std::snprintf(name, sizeof name, ".datapond-%016llx.tmp", static_cast<unsigned long long>(draw()));
  return name;
}
