#pragma once

#include <string>
#include <vector>

#include "Calendar.h"
#include "FileSystem.h"
#include "KeptDownload.h"
#include "Limits.h"
#include "ReadingTable.h"

// What both front ends do once a download has read every record, before anything is shown or
// written: keep the meter's records, and refresh the readings report of every kept download.

struct KeepOutcome {
  bool kept = false;
  std::string id;       // when kept
  std::string message;  // when not: where and why, for the user
};

// Keeps the download in `folder`; once it is kept, and `reportPath` is not empty, writes the
// report there, held to the folder's limits. A report that cannot be written changes nothing: the kept downloads are
// what matters, and datapond-cli makes the report again from them.
KeepOutcome KeepAndReport(const KeptDownload& download, const std::string& folder, const FileSystem& files,
                          const std::string& reportPath, const Calendar& calendar);

// The limits of a limits file: false with the reason, its file and line named, when it cannot
// be read.
bool ReadLimitsFile(const std::string& path, const FileSystem& files, std::vector<Limit>& limits, std::string& error);

// limits.txt in a folder of kept downloads, where it has one; "" for none, or for no folder.
std::string LimitsFileIn(const std::string& folder, const FileSystem& files);

// What a download's readings are told of the limits in limits.txt beside the kept downloads in
// `folder`: how many of them are past their limits, or why the limits cannot be used; "" when
// there are no limits, or none of the readings is past them.
std::string PastLimitsMessage(const ReadingTable& table, const std::string& folder, const FileSystem& files);

// The readings report beside a folder of kept downloads, in the folder above it.
std::string ReportBeside(const std::string& archiveFolder);
