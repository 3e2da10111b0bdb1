#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Calendar.h"
#include "Figures.h"
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

// How a table of readings is written out: its order, the files, the rows and the forms of
// their texts. download, replay and history take all of it; report the order and the pictures.
struct WriteOptions {
  int32_t sortPriority = 2;
  std::vector<OutputRequest> outputs;
  std::vector<int32_t> rows;  // 1-based grid rows; empty: all
  std::string datePicture = "M/d/yyyy";
  std::string timePicture = kProgramTimePicture;
  bool decimalComma = false;
  char delimiter = ',';  // of the comma-delimited format
  Encoding encoding = Encoding::NotGiven;
  // --iso: every output but json in the columns of other programs, times in ISO 8601, UTF-8
  // (json outputs always are)
  bool iso = false;
};

// Where the kept downloads are (--archive, else $DATAPOND_ARCHIVE, else the default folder),
// and the units of a dissolved-oxygen download: --units, a DoUnits.
struct KeptOptions {
  std::string archiveFolder;
  int32_t units = UnitsNotAsked;
};

// One record a command, of the options it takes.
struct DownloadOptions {
  std::string port;  // empty: the remembered one
  bool keep = true;  // --no-archive: this download is not kept
  KeptOptions kept;  // units not asked: asked on a terminal
  WriteOptions write;
  std::string store;  // --store, else $DATAPOND_STORE: synced there once kept; empty: none
};
struct ArchiveOptions {
  KeptOptions kept;
};
struct ReplayOptions {
  std::string id;
  KeptOptions kept;
  WriteOptions write;
};
struct HistoryOptions {
  HistoryFilter filter;
  KeptOptions kept;
  WriteOptions write;
  std::string store;              // --store: the history of the store rather than of the folder
  std::optional<Period> figures;  // --daily, --monthly: the figures of each day or month instead
  std::string limits;             // --limits: for the monthly days past a limit
};
struct ReportOptions {
  std::string path;  // the page to write
  HistoryFilter filter;
  KeptOptions kept;
  WriteOptions write;
  std::string store;
  std::string limits;  // --limits: the limits file; empty: the folder's limits.txt, if there is one
};
// The history's readings past their limits, one run a line, for scripts.
struct AlarmsOptions {
  HistoryFilter filter;
  KeptOptions kept;
  std::string store;
  std::string limits;
};

// A kept download mended: the fields given, recorded beside it (the kept file never changes).
struct CorrectOptions {
  std::string id;
  KeptOptions kept;  // units not asked: not corrected
  std::optional<CivilTime> downloadedOn;
};

// The kept downloads put into the shared store: --store, else $DATAPOND_STORE.
struct SyncOptions {
  KeptOptions kept;
  std::string store;
};

enum class Command { Help, Version, Ports, Download, Archive, Replay, History, Report, Correct, Sync, Alarms };

// The command, and the options of that command alone.
struct CommandLine {
  Command command = Command::Help;
  bool quiet = false;  // --quiet, of every command
  DownloadOptions download;
  ArchiveOptions archive;
  ReplayOptions replay;
  HistoryOptions history;
  ReportOptions report;
  CorrectOptions correct;
  SyncOptions sync;
  AlarmsOptions alarms;
};

// Parses the arguments after the program name. Every mistake that can be seen without the
// meter is found here: on one it returns false with a one-line message naming it.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error);

// The help text; its examples are the README's.
extern const char* const kUsage;
