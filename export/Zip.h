#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A zip archive of stored (uncompressed) entries, enough for an Office Open XML workbook
// without any library beyond the standard one. Entries carry a fixed date, so the same
// contents always give the same bytes.
struct ZipEntry {
  std::string name;  // with forward slashes
  std::string data;
};

std::string ZipArchive(const std::vector<ZipEntry>& entries);

// The CRC-32 of the zip format (polynomial 0xEDB88320).
uint32_t Crc32(const std::string& data);
