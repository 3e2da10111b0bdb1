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
void CommonFields(std::string& out, const std::string& name, uint32_t crc, uint32_t size) {
  Put16(out, 20);  // version 2.0 reads it
  Put16(out, 0);   // no flags
  Put16(out, 0);   // stored
  Put16(out, 0);   // time 00:00
  Put16(out, kDosDate);
  Put32(out, crc);
  Put32(out, size);
  Put32(out, size);
  Put16(out, static_cast<uint32_t>(name.size()));
  Put16(out, 0);  // no extra field
}

constexpr uint64_t kCrcInLocalHeader = 14;  // after the signature, version, flags, method, time and date

}  // namespace

uint32_t Crc32(std::string_view data, uint32_t before) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t crc = before ^ 0xFFFFFFFFu;
  for (char byte : data) crc = table[(crc ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void ZipWriter::Put(std::string& out, std::string_view bytes) {
  out += bytes;
  written_ += bytes.size();
}

void ZipWriter::Begin(std::string& out, const std::string& name) {
  name_ = name;
  start_ = written_;
  crc_ = size_ = 0;
  std::string header;
  Put32(header, 0x04034B50);
  CommonFields(header, name, 0, 0);
  header += name;
  Put(out, header);
}

void ZipWriter::Add(std::string& out, std::string_view bytes) {
  crc_ = Crc32(bytes, crc_);
  size_ += static_cast<uint32_t>(bytes.size());
  Put(out, bytes);
}

void ZipWriter::End() {
  std::string sums;
  Put32(sums, crc_);
  Put32(sums, size_);
  Put32(sums, size_);
  patches_.push_back({start_ + kCrcInLocalHeader, sums});
  Put32(directory_, 0x02014B50);
  Put16(directory_, 20);  // made by version 2.0
  CommonFields(directory_, name_, crc_, size_);
  Put16(directory_, 0);  // no comment
  Put16(directory_, 0);  // disk 0
  Put16(directory_, 0);  // no internal attributes
  Put32(directory_, 0);  // no external attributes
  Put32(directory_, static_cast<uint32_t>(start_));
  directory_ += name_;
  ++entries_;
}

void ZipWriter::Entry(std::string& out, const std::string& name, std::string_view data) {
  Begin(out, name);
  Add(out, data);
  End();
}

void ZipWriter::Finish(std::string& out) {
  std::string end = directory_;
  Put32(end, 0x06054B50);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, entries_);
  Put16(end, entries_);
  Put32(end, static_cast<uint32_t>(directory_.size()));
  Put32(end, static_cast<uint32_t>(written_));
  Put16(end, 0);
  Put(out, end);
}

std::string ZipArchive(const std::vector<ZipEntry>& entries) {
  std::string out;
  ZipWriter zip;
  for (const ZipEntry& entry : entries) zip.Entry(out, entry.name, entry.data);
  zip.Finish(out);
  for (const FilePatch& patch : zip.patches()) out.replace(patch.offset, patch.bytes.size(), patch.bytes);
  return out;
}
