#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Where the bytes of a file go as they are made, piece after piece, so that a large file is
// never held whole. Both say false once a write has failed, and go on saying it.
class FileSink {
 public:
  virtual ~FileSink() = default;
  virtual bool put(std::string_view bytes) = 0;
  // Over bytes already put: what a header learns only at the end of what it heads.
  virtual bool putAt(uint64_t offset, std::string_view bytes) = 0;
};

// Makes a file's bytes into the sink it is given.
using FileMaker = std::function<void(FileSink& sink)>;

// The bytes a maker makes, held whole: for small files, tests and standard output.
std::string MadeBytes(const FileMaker& make);

// The few file operations the save frame and the defaults file need. Paths and texts are
// UTF-8; each platform turns them into its own names. Tests substitute their own.
struct FileSystem {
  std::function<bool(const std::string& path)> isFile;  // exists and is not a folder
  std::function<bool(const std::string& path)> isFolder;
  // A regular file of at most `maxBytes`, never a device, pipe or symbolic link, whose
  // reading could hang or never end; false with the reason in the system's words, or ours.
  std::function<bool(const std::string& path, size_t maxBytes, std::string& bytes, std::string& reason)> read;
  // The file whole or not at all: the bytes go to a new file in the same folder, flushed to
  // the disk, which then replaces the path in one step, so a full disk, a crash or a kill
  // leaves an older file as it was. A device or pipe is written as it is. On failure
  // `reason` is the system's own words for it, and nothing new is left behind.
  std::function<bool(const std::string& path, const std::string& bytes, std::string& reason)> write;
  // A new file in `folder` under a name no other writer can hold, flushed to the disk, for
  // `publish` to give its own name; `path` is where it is.
  std::function<bool(const std::string& folder, const std::string& bytes, std::string& path, std::string& reason)>
      writeNew;
  std::function<std::string()> documentsFolder;  // "" when the system cannot say
  // Small settings files are in the system's own code page: the ANSI one on Windows, the
  // bytes of the names as they are elsewhere.
  std::function<std::string(const std::string& utf8)> toSystemText;
  std::function<std::string(const std::string& bytes)> fromSystemText;
  // A folder and every missing folder above it.
  std::function<bool(const std::string& path, std::string& reason)> makeFolders;
  // Gives a finished file its name, never over an existing one, and flushes the folder so
  // the name lasts: false with `reason` empty when `to` exists already.
  std::function<bool(const std::string& from, const std::string& to, std::string& reason)> publish;
  std::function<bool(const std::string& path)> remove;
  std::function<std::vector<std::string>(const std::string& folder)> list;  // names, unordered
  // A log that only grows: `line` (ending in a newline) added at the end of a regular file in
  // one write, flushed to the disk, so writers at once never mix their lines. A file that is
  // new or empty starts with `firstLine`; one whose last line a dead writer left unfinished
  // gets that line ended first.
  std::function<bool(const std::string& path, const std::string& firstLine, const std::string& line,
                     std::string& reason)>
      appendLine;
  // As write, with the bytes made as they are written.
  std::function<bool(const std::string& path, const FileMaker& make, std::string& reason)> writeMade;
};

// The separator of this system's paths.
extern const char kPathSeparator;

// A name for a new temporary file that no other writer will choose: ".datapond-" and random
// hexadecimal digits.
std::string TemporaryFileName();

// This machine's files.
FileSystem LocalFileSystem();

// Whether a port name may be a device path of this system besides a COM port name
// (/dev/ttyUSB0 on POSIX; never on Windows).
bool IsDevicePath(const std::string& name);

// The folder part of a saved file's path, up to and including its last separator ("\" or
// ":" on Windows, "/" elsewhere); "" for a path longer than 260 characters.
std::string FolderPart(const std::string& path);
