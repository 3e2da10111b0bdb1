#include "RecordFile.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace {

bool ParseWord(std::string_view word, uint16_t& value) {
  if (word.empty() || word.size() > 4) return false;
  unsigned v = 0;
  for (char c : word) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    v = v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                           ? c - '0'
                                           : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
  }
  value = static_cast<uint16_t>(v);
  return true;
}

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    std::size_t start = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

}  // namespace

bool ParseRecords(std::string_view text, std::string_view name, Meter& meter, std::string& error) {
  Layout layout = LayoutOf(meter.kind);
  int lineNumber = 0;
  int slot = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    line = line.substr(0, line.find('#'));
    std::vector<std::string_view> words = SplitWords(line);
    if (words.empty()) continue;

    auto fail = [&](const std::string& reason) {
      error = std::string(name) + ":" + std::to_string(lineNumber) + ": " + reason;
      return false;
    };
    if (slot >= layout.recordCount)
      return fail("more records than the meter holds (" + std::to_string(layout.recordCount) + ")");
    if (static_cast<int>(words.size()) != layout.registersPerRecord)
      return fail("expected " + std::to_string(layout.registersPerRecord) + " registers, found " +
                  std::to_string(words.size()));
    for (std::size_t i = 0; i < words.size(); ++i) {
      uint16_t value = 0;
      std::string word(words[i]);
      if (!ParseWord(word, value)) return fail("'" + word + "' is not a 16-bit hex word");
      meter.registers[static_cast<std::size_t>(slot * layout.registersPerRecord) + i] = value;
    }
    ++slot;
  }
  return true;
}

bool LoadRecordFile(const std::string& path, Meter& meter, std::string& error) {
  // A directory opens and reads as empty; it would pass for a file without records.
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    error = path + ": is a directory";
    return false;
  }
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  if (file) text << file.rdbuf();
  if (!file || file.bad()) {
    error = path + ": cannot be read" + (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string());
    return false;
  }
  return ParseRecords(text.str(), path, meter, error);
}
