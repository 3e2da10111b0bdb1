#include "Zip.h"

#include <array>

namespace {

constexpr uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1 January 1980, the format's first day

void Put16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// The fields the local header and the central directory share, from "version needed" on.
void CommonFields(std::string& out, const ZipEntry& entry, uint32_t crc) {
  Put16(out, 20);  // version 2.0 reads it
  Put16(out, 0);   // no flags
  Put16(out, 0);   // stored
  Put16(out, 0);   // time 00:00
  Put16(out, kDosDate);
  Put32(out, crc);
  Put32(out, static_cast<uint32_t>(entry.data.size()));
  Put32(out, static_cast<uint32_t>(entry.data.size()));
  Put16(out, static_cast<uint32_t>(entry.name.size()));
  Put16(out, 0);  // no extra field
}

}  // namespace

uint32_t Crc32(const std::string& data) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (char byte : data) crc = table[(crc ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::string ZipArchive(const std::vector<ZipEntry>& entries) {
  std::string out, directory;
  for (const ZipEntry& entry : entries) {
    const uint32_t crc = Crc32(entry.data);
    const auto offset = static_cast<uint32_t>(out.size());
    Put32(out, 0x04034B50);
    CommonFields(out, entry, crc);
    out += entry.name;
    out += entry.data;

    Put32(directory, 0x02014B50);
    Put16(directory, 20);  // made by version 2.0
    CommonFields(directory, entry, crc);
    Put16(directory, 0);  // no comment
    Put16(directory, 0);  // disk 0
    Put16(directory, 0);  // no internal attributes
    Put32(directory, 0);  // no external attributes
    Put32(directory, offset);
    directory += entry.name;
  }
  const auto directoryOffset = static_cast<uint32_t>(out.size());
  out += directory;
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put32(out, static_cast<uint32_t>(directory.size()));
  Put32(out, directoryOffset);
  Put16(out, 0);
  return out;
}
