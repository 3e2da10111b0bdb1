#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>

#include "Terminal.h"

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

void UseBinaryStandardOutput() {}

bool StandardOutputShowsUtf8() {
  if (!IsTerminal(stdout)) return false;
  // The character set of the user's locale, asked for and put back: everything else keeps
  // the C locale, whatever the user's settings.
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  const bool utf8 = std::setlocale(LC_CTYPE, "") != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  std::setlocale(LC_CTYPE, previous.c_str());
  return utf8;
}

bool WriteStandardOutput(const std::string& bytes, bool, std::string& reason) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0) return true;
  reason = std::strerror(errno);
  return false;
}
