#include <cstdlib>

#include "Folders.h"

// Program data belongs under the XDG data folder, ~/.local/share when none is set.
std::string DefaultArchiveFolder(const FileSystem&) {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
    return std::string(data) + "/datapond/downloads";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/share/datapond/downloads";
}
