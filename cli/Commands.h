#pragma once

#include <string>

#include "DefaultsFile.h"
#include "FileSystem.h"
#include "History.h"
#include "KeptDownload.h"
#include "Options.h"
#include "ReadingGrid.h"
#include "ReadingTable.h"

// What the commands of datapond-cli share: their exit statuses, their messages, where the kept
// downloads are, and the one way a download, a replay or a history is written out.

enum ExitStatus {
  Saved = 0,
  LinkFailed = 1,
  Usage = 2,
  NoValidReadings = 3,
  NotWritten = 4,
  NotKept = 5,
  DamagedLeftOut = 6,  // written, but damaged kept downloads were left out: a nightly script must know
  StoreFailed = 7,     // the store could not be reached or refused; what was kept stays kept
  PastLimits = 8       // alarms: readings are past their limits, so that cron mails only then
};

// Messages may quote what came from outside (a kept file, a name typed), so a control
// character in them is shown, not obeyed by the terminal.
void Say(const std::string& message);
// What went well, said unless --quiet asked for errors alone.
void Tell(const std::string& message);
void SetQuiet(bool on);
bool Quiet();
// A mistake in the command (status 2), and a file that could not be written (status 4).
int UsageError(const std::string& problem);
int NotWrittenError(const std::string& what, const std::string& reason);
// Bytes to standard output: status 0, or 4 with the reason said.
int WriteOut(const std::string& bytes, bool utf8Text);

// A missing folder, or a folder in a file's place, is seen before the meter or the kept
// downloads are read.
int CheckOutputFolders(const WriteOptions& options, const FileSystem& files);
int CheckOutputPath(const std::string& path, const FileSystem& files);

// Where downloads are kept: --archive, else $DATAPOND_ARCHIVE, else the system's place.
std::string ArchiveFolder(const KeptOptions& options, const FileSystem& files);
// Without --archive, $DATAPOND_ARCHIVE or a home there is no folder of kept downloads: status
// 2, said, rather than one under the root.
int CheckArchiveKnown(const std::string& folder);
// The folder of kept downloads that a command reads must be there: a mistyped --archive is
// not an empty archive. Status 0, or 2 with the folder named.
int CheckKeptFolder(const std::string& folder, const FileSystem& files);

// The units of a dissolved-oxygen download: --units when given, else the kept answer.
int32_t UnitsOf(const KeptOptions& options, const KeptDownload& kept);

// Sorts the table by the options, fills the grid and writes every output the options name,
// exactly as a download does: the same texts and bytes for a download, a replay or a history.
// Only a download remembers the folder of its last save in `defaults`; the others pass none.
int WriteOutputs(ReadingTable& table, const WriteOptions& options, Defaults* defaults, const FileSystem& files,
                 const char* what);
// The same for a grid already made, with the workbook's form of its time column; json outputs,
// and every output of --iso, are written from the grid for other programs where one is given.
int WriteGrid(ReadingTable& table, const GridTexts& grid, const WriteOptions& options,
              const std::string& workbookDateTime, Defaults* defaults, const FileSystem& files, const char* what,
              const GridTexts* isoGrid = nullptr);

// The commands, each in a file of its own (two that share their sources share one).
int RunPortsCommand();
int RunDownloadCommand(const DownloadOptions& options);
int RunArchiveCommand(const ArchiveOptions& options);
int RunReplayCommand(const ReplayOptions& options);
int RunCorrectCommand(const CorrectOptions& options);
int RunHistoryCommand(const HistoryOptions& options);
int RunReportCommand(const ReportOptions& options);
int RunAlarmsCommand(const AlarmsOptions& options);
int RunSyncCommand(const SyncOptions& options);
// The store named by --store, else $DATAPOND_STORE; "" for none.
std::string StoreOf(const std::string& given);
// Status 0 for a store this build can use, named without a password; else 2, said.
int CheckStore(const std::string& store);
// The history from the store, with what the user is told: status 0, 2 or 7.
int HistoryFromStore(const std::string& store, const HistoryFilter& filter, int32_t units, ReadingTable& table,
                     HistorySummary& what);
// The folder's kept downloads into the store, with what the user is told: status 0, 6 or 7.
int SyncToStore(const std::string& store, const std::string& folder, const FileSystem& files);
