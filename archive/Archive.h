#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "Folders.h"
#include "KeptDownload.h"

// The folder of kept downloads: one file a download, named by its moment so that a listing
// sorts by time ("20261207-101542-1.txt", the id being the name without ".txt").

// Writes the download whole and flushed to the disk under a name no other writer holds, then
// gives it the first free id of its moment, so that no reader ever sees half a file and a
// download that is said to be kept is there after a crash; the folder is made when missing.
// False with the system's reason, or when its text would not read back as it is.
bool KeepDownload(const KeptDownload& kept, const std::string& folder, const FileSystem& files, std::string& id,
                  std::string& reason);

// The ids of the kept downloads, oldest first.
std::vector<std::string> KeptDownloadIds(const std::string& folder, const FileSystem& files);

// Every kept download of the folder, oldest first, read and checked, with its corrections,
// one at a time so that no more than one is held however many are kept. A damaged one has its
// error (naming the file and the line) and no records, and a damaged log of corrections makes
// every one damaged.
struct ArchiveEntry {
  std::string id;
  KeptDownload kept;
  std::string error;
  bool corrected = false;  // some field is as the corrections beside it say
};
void ForEachKeptDownload(const std::string& folder, const FileSystem& files,
                         const std::function<void(ArchiveEntry&)>& take);

// How many of a kept download's records hold a valid reading, whatever the units (both have
// the same valid range).
int32_t ValidReadings(const KeptDownload& kept);

// What the user is told when a download could not be kept: where, and the system's reason.
std::string NotKeptMessage(const std::string& folder, const std::string& reason);

// The bytes of one kept download as its file holds them; false with `error` naming the file.
bool ReadKeptFile(const std::string& folder, const std::string& id, const FileSystem& files, std::string& text,
                  std::string& error);

// Reads one kept download, with its corrections; false with `error` naming the file and, for
// a damaged one, the line.
bool LoadKeptDownload(const std::string& folder, const std::string& id, const FileSystem& files, KeptDownload& kept,
                      std::string& error);
