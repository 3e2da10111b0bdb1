#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "MeterLink.h"
#include "Meters.h"
#include "ReadingTable.h"

// What a front end shows while a download runs. Every member may be left empty.
struct DownloadFrontEnd {
  std::function<void(const std::string& port)> rememberPort;  // before the port is opened
  std::function<void(const std::string& text)> status;
  std::function<void(int32_t first, int32_t last)> showProgress;  // the bar appears, at `first`
  std::function<void(int32_t position)> progress;
  std::function<void()> closeStartWindow;  // all records are in: the start window goes
  std::function<void()> closeProgress;
};

extern const char* const kStatusInitializing;
extern const char* const kStatusIdentifying;
extern const char* const kStatusReading;
extern const char* const kStatusSorting;
extern const char* const kNoValidData;

enum class DownloadOutcome {
  Done,         // readings in the table, sorted by location then time, not yet saved
  Failed,       // the link failed: show `message`; the port is closed and a new attempt may follow
  NoValidData,  // every record was discarded: show `message`
};

struct DownloadResult {
  DownloadOutcome outcome = DownloadOutcome::Failed;
  int32_t code = 0;
  std::string message;
};

// The whole download from a port name: open, identify (or probe), read every record one at
// a time, close the port on every path, keep the valid readings.
DownloadResult RunDownload(MeterLink& link, ReadingTable& table, const std::string& port,
                           const DownloadFrontEnd& frontEnd);
