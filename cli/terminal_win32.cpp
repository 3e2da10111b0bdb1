#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

#include "Terminal.h"
#include "WideText.h"

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

void UseBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }

bool StandardOutputShowsUtf8() { return IsConsole(GetStdHandle(STD_OUTPUT_HANDLE)); }

bool WriteStandardOutput(const std::string& bytes, bool utf8Text, std::string& reason) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (utf8Text && IsConsole(out)) {
    const std::wstring text = Widen(bytes);
    DWORD written = 0;
    if (WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size()) {
      return true;
    }
    reason = SystemReason(GetLastError());
    return false;
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0) return true;
  reason = std::strerror(errno);
  return false;
}
