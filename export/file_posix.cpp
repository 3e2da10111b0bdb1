#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "FileSystem.h"

namespace {

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Read(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  bytes = all.str();
  return !in.bad();
}

bool Write(const std::string& path, const std::string& bytes, std::string& reason) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    reason = std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int writeError = errno;
  // A full disk may only show when the buffered bytes are flushed at close.
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  reason = std::strerror(written ? errno : writeError);
  return false;
}

std::string Home() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? home : "";
}

// The documents folder as the desktop names it: $XDG_DOCUMENTS_DIR, the user-dirs file,
// or ~/Documents.
std::string DocumentsFolder() {
  if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR"); xdg != nullptr && *xdg != '\0') return xdg;
  const std::string home = Home();
  if (home.empty()) return "";
  std::ifstream dirs(home + "/.config/user-dirs.dirs");
  for (std::string line; std::getline(dirs, line);) {
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size(), line.rfind('"') - key.size());
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    return value;
  }
  return home + "/Documents";
}

std::string AsIs(const std::string& text) { return text; }

// Folders above that exist already, or that we may not look into, are no failure; only
// the last one counts.
bool MakeFolders(const std::string& path, std::string& reason) {
  int error = 0;
  for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    error = mkdir(path.substr(0, at).c_str(), 0777) == 0 ? 0 : errno;
    if (at == std::string::npos) break;
  }
  if (IsFolder(path)) return true;
  reason = std::strerror(error != 0 && error != EEXIST ? error : ENOTDIR);
  return false;
}

// A hard link never replaces; where the file system has none (a FAT memory stick), a rename
// after a look serves one writer, which is all a kept download has.
bool Publish(const std::string& from, const std::string& to, std::string& reason) {
  reason.clear();
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return true;
  }
  if (errno == EEXIST) return false;
  if (IsFile(to)) return false;
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  reason = std::strerror(errno);
  return false;
}

bool Remove(const std::string& path) { return unlink(path.c_str()) == 0; }

std::vector<std::string> List(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
  }
  return names;
}

}  // namespace

const char kPathSeparator = '/';

FileSystem LocalFileSystem() {
  return {IsFile, IsFolder, Read, Write, DocumentsFolder, AsIs, AsIs, MakeFolders, Publish, Remove, List};
}

bool IsDevicePath(const std::string& name) { return name.rfind("/dev/", 0) == 0; }

// The limit counts characters (code points), not the bytes of their UTF-8 form.
std::string FolderPart(const std::string& path) {
  size_t characters = 0;
  for (char byte : path) characters += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
  if (characters > 260) return "";
  const size_t last = path.rfind('/');
  return last == std::string::npos ? "" : path.substr(0, last + 1);
}
