#pragma once

#include <string>

#include "Calendar.h"
#include "FileSystem.h"
#include "KeptDownload.h"

// What both front ends do once a download has read every record, before anything is shown or
// written: keep the meter's records, and refresh the readings report of every kept download.

struct KeepOutcome {
  bool kept = false;
  std::string id;       // when kept
  std::string message;  // when not: where and why, for the user
};

// Keeps the download in `folder`; once it is kept, and `reportPath` is not empty, writes the
// report there. A report that cannot be written changes nothing: the kept downloads are what
// matters, and datapond-cli makes the report again from them.
KeepOutcome KeepAndReport(const KeptDownload& download, const std::string& folder, const FileSystem& files,
                          const std::string& reportPath, const Calendar& calendar);

// The readings report beside a folder of kept downloads, in the folder above it.
std::string ReportBeside(const std::string& archiveFolder);
