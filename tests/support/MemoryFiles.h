#pragma once

#include <map>
#include <set>
#include <string>

#include "FileSystem.h"

// Paths as this system writes them: /data/run1.csv here, C:\data\run1.csv on Windows.
inline const bool kPosixPaths = FolderPart("/data/run1.csv") == "/data/";

inline std::string Native(std::string path) {
  if (kPosixPaths) return path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return "C:" + path;
}

// Files in memory: folders by name, files by path; writes fail into a read-only folder.
struct MemoryFiles {
  std::set<std::string> folders = {"/data/", "/data", "/home/ann/Documents"};
  std::set<std::string> readOnly = {Native("/locked/")};
  std::map<std::string, std::string> files;
  std::string documents = "/home/ann/Documents";

  FileSystem Seam() {
    FileSystem fs;
    fs.isFile = [this](const std::string& p) { return files.count(p) > 0; };
    fs.isFolder = [this](const std::string& p) { return folders.count(p) > 0; };
    fs.read = [this](const std::string& p, size_t, std::string& bytes, std::string&) {
      return files.count(p) && (bytes = files[p], true);
    };
    fs.write = [this](const std::string& p, const std::string& bytes, std::string& reason) {
      if (readOnly.count(FolderPart(p))) return reason = "Permission denied", false;
      return files[p] = bytes, true;
    };
    fs.writeMade = [this](const std::string& p, const FileMaker& make, std::string& reason) {
      if (readOnly.count(FolderPart(p))) return reason = "Permission denied", false;
      return files[p] = MadeBytes(make), true;
    };
    fs.documentsFolder = [this] { return documents; };
    fs.toSystemText = fs.fromSystemText = [](const std::string& t) { return t; };
    return fs;
  }
};
