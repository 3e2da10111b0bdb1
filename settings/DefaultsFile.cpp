#include "DefaultsFile.h"

const char* const kDefaultsFileName = "DatapondDefaults.txt";

namespace {

// One value from `at`, which then stands past the comma or line end that closed it.
std::string NextValue(const std::string& text, size_t& at) {
  while (at < text.size() && text[at] == ' ') ++at;
  std::string value;
  if (at < text.size() && text[at] == '"') {
    const size_t close = text.find('"', at + 1);
    const size_t end = close == std::string::npos ? text.size() : close;
    value = text.substr(at + 1, end - at - 1);
    at = end + 1;
    // no-mutate(at < text.size()): at the end, the string's NUL stops nothing
    while (at < text.size() && text[at] != ',' && text[at] != '\r' && text[at] != '\n') ++at;
  } else {
    for (; at < text.size() && text[at] != ',' && text[at] != '\r'; ++at) {
      if (text[at] != '\t' && text[at] != '\n') value += text[at];
    }
  }
  if (at < text.size() && text[at] == ',') {
    ++at;
  } else {
    if (at < text.size() && text[at] == '\r') ++at;  // no-mutate(<): at the end the string's NUL is no CR
    if (at < text.size() && text[at] == '\n') ++at;  // no-mutate(&&): the next value drops a line end
  }
  return value;
}

std::string Quoted(const std::string& value) {
  return value.find(',') == std::string::npos ? value : "\"" + value + "\"";
}

bool IsPortName(const std::string& port) { return port.find("COM") != std::string::npos || IsDevicePath(port); }

}  // namespace

Defaults ParseDefaults(const std::string& text) {
  Defaults defaults;
  size_t at = 0;
  if (at < text.size()) defaults.LastPort = NextValue(text, at);
  if (at < text.size()) defaults.SaveFolder = NextValue(text, at);
  return defaults;
}

std::string FormatDefaults(const Defaults& defaults) {
  return Quoted(defaults.LastPort) + "\r\n" + Quoted(defaults.SaveFolder) + "\r\n";
}

Defaults LoadDefaults(const FileSystem& files) {
  Defaults defaults;
  std::string text, reason;
  // A few hundred bytes at most; an unreadable file is as good as none.
  // no-mutate(1 << 16): any bound far past a real file does; which one, no user can tell
  if (files.isFile(kDefaultsFileName) && files.read(kDefaultsFileName, 1 << 16, text, reason)) {
    defaults = ParseDefaults(files.fromSystemText(text));
  }
  if (!IsPortName(defaults.LastPort)) defaults.LastPort.clear();
  if (!files.isFolder(defaults.SaveFolder)) defaults.SaveFolder = files.documentsFolder();
  if (!files.isFolder(defaults.SaveFolder)) defaults.SaveFolder.clear();
  return defaults;
}

bool SaveDefaults(const Defaults& defaults, const FileSystem& files) {
  std::string reason;
  return files.write(kDefaultsFileName, files.toSystemText(FormatDefaults(defaults)), reason);
}
