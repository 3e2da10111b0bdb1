#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Calendar.h"
#include "History.h"
#include "Meters.h"
#include "SaveFrame.h"

// One file to write: a format and where (empty: standard output).
struct OutputRequest {
  SaveFormat format = SaveFormat::ColumnText;
  std::string path;
};

// Not given: Windows-1252 as the program writes, or a terminal's own character set.
enum class Encoding { NotGiven, Windows1252, Utf8 };

struct DownloadOptions {
  std::string port;   // empty: the remembered one
  int32_t units = UnitsNotAsked;  // a DoUnits; not asked: ask on a terminal
  int32_t sortPriority = 2;
  std::vector<OutputRequest> outputs;
  std::vector<int32_t> rows;  // 1-based grid rows; empty: all
  std::string datePicture = "M/d/yyyy";
  std::string timePicture = kProgramTimePicture;
  bool decimalComma = false;
  char delimiter = ',';  // of the comma-delimited format
  Encoding encoding = Encoding::NotGiven;

  // The kept downloads: --archive, else $DATAPOND_ARCHIVE, else the default folder.
  std::string archiveFolder;
  bool keep = true;          // --no-archive: this download is not kept
  std::string replayId;      // replay: the kept download
  HistoryFilter filter;      // history and report
  std::string reportPath;    // report: the page to write
};

enum class Command { Help, Version, Ports, Download, Archive, Replay, History, Report };

struct CommandLine {
  Command command = Command::Help;
  DownloadOptions download;
};

// Parses the arguments after the program name. Every mistake that can be seen without the
// meter is found here: on one it returns false with a one-line message naming it.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error);

// The help text; its examples are the README's.
extern const char* const kUsage;
