#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A zip archive of stored (uncompressed) entries, enough for an Office Open XML workbook
// without any library beyond the standard one. Entries carry a fixed date, so the same
// contents always give the same bytes.
struct ZipEntry {
  std::string name;  // with forward slashes
  std::string data;
};

std::string ZipArchive(const std::vector<ZipEntry>& entries);

// The CRC-32 of the zip format (polynomial 0xEDB88320), of data that may come in pieces:
// the CRC of a + b is Crc32(b, Crc32(a)).
uint32_t Crc32(std::string_view data, uint32_t before = 0);

// Bytes to write over what a file already holds, once the rest is written.
struct FilePatch {
  uint64_t offset;
  std::string bytes;
};

// The same archive written as it is made, so that a workbook of a million rows is never held:
// an entry's bytes pass through Add, and its header's CRC and sizes, known only at its end,
// are written over afterwards from patches().
class ZipWriter {
 public:
  void Begin(std::string& out, const std::string& name);
  void Add(std::string& out, std::string_view bytes);
  void End();
  void Entry(std::string& out, const std::string& name, std::string_view data);
  // The central directory and the archive's end, after the last entry.
  void Finish(std::string& out);
  const std::vector<FilePatch>& patches() const { return patches_; }

 private:
  void Put(std::string& out, std::string_view bytes);
  uint64_t written_ = 0;
  std::string directory_;
  uint16_t entries_ = 0;
  std::string name_;
  uint64_t start_ = 0;  // where the open entry's header is
  uint32_t crc_ = 0, size_ = 0;
  std::vector<FilePatch> patches_;
};
