#include <cstdlib>

#include "Folders.h"

// Program data belongs under the XDG data folder, ~/.local/share when none is set; without a
// home (a service's environment) there is no such folder, rather than one under the root.
std::string DefaultArchiveFolder(const FileSystem&) {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
    return std::string(data) + "/datapond/downloads";
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return "";
  return std::string(home) + "/.local/share/datapond/downloads";
}
