#pragma once

#include <functional>
#include <string>
#include <vector>

// The few file operations the save frame and the defaults file need. Paths and texts are
// UTF-8; each platform turns them into its own names. Tests substitute their own.
struct FileSystem {
  std::function<bool(const std::string& path)> isFile;  // exists and is not a folder
  std::function<bool(const std::string& path)> isFolder;
  std::function<bool(const std::string& path, std::string& bytes)> read;
  // Creates or truncates the file and writes all bytes; on failure `reason` is the system's
  // own words for it.
  std::function<bool(const std::string& path, const std::string& bytes, std::string& reason)> write;
  std::function<std::string()> documentsFolder;  // "" when the system cannot say
  // Small settings files are in the system's own code page: the ANSI one on Windows, the
  // bytes of the names as they are elsewhere.
  std::function<std::string(const std::string& utf8)> toSystemText;
  std::function<std::string(const std::string& bytes)> fromSystemText;
  // A folder and every missing folder above it.
  std::function<bool(const std::string& path, std::string& reason)> makeFolders;
  // Renames a finished file into place, never over an existing one: false with `reason`
  // empty when `to` exists already.
  std::function<bool(const std::string& from, const std::string& to, std::string& reason)> publish;
  std::function<bool(const std::string& path)> remove;
  std::function<std::vector<std::string>(const std::string& folder)> list;  // names, unordered
};

// The separator of this system's paths.
extern const char kPathSeparator;

// This machine's files.
FileSystem LocalFileSystem();

// Whether a port name may be a device path of this system besides a COM port name
// (/dev/ttyUSB0 on POSIX; never on Windows).
bool IsDevicePath(const std::string& name);

// The folder part of a saved file's path, up to and including its last separator ("\" or
// ":" on Windows, "/" elsewhere); "" for a path longer than 260 characters.
std::string FolderPart(const std::string& path);
