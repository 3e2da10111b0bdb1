#pragma once

#include <string>

#include "FileSystem.h"

// The two settings remembered from one run to the next.
struct Defaults {
  std::string LastPort;    // the port of the last download, such as COM3
  std::string SaveFolder;  // where the last file was saved, with its trailing separator
};

extern const char* const kDefaultsFileName;

// The first two values of the file's text: each after leading spaces, either in double
// quotes or up to a comma or CR (tabs and LFs dropped).
Defaults ParseDefaults(const std::string& text);

// The file's text: the two values on two lines, a value with a comma in double quotes.
std::string FormatDefaults(const Defaults& defaults);

// Reads the file in the current directory and checks what it says: a port must be a COM
// port (or, on POSIX, a device under /dev/), a folder must exist, else the documents folder.
Defaults LoadDefaults(const FileSystem& files);

// Rewrites the file in the current directory; false when it could not be written.
bool SaveDefaults(const Defaults& defaults, const FileSystem& files);
