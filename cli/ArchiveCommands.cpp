// archive and replay: the kept downloads listed, and one of them written again.
#include <cstdio>
#include <string>

#include "Archive.h"
#include "Commands.h"
#include "DefaultsFile.h"
#include "Download.h"
#include "KeptDownload.h"
#include "LoggedReading.h"
#include "Meters.h"

int RunArchiveCommand(const ArchiveOptions& options) {
  const FileSystem files = LocalFileSystem();
  const std::string folder = ArchiveFolder(options.kept, files);
  if (const int status = CheckKeptFolder(folder, files); status != Saved) return status;
  const std::vector<ArchiveEntry> entries = ReadArchive(folder, files);
  if (entries.empty()) std::fprintf(stderr, "No downloads are kept in %s\n", folder.c_str());
  std::string list;
  int status = Saved;
  for (const ArchiveEntry& entry : entries) {
    if (!entry.error.empty()) {
      Say("datapond-cli: " + entry.error);
      list += entry.id + "  damaged\n";
      status = DamagedLeftOut;
      continue;
    }
    list += entry.id + "  " + MomentText(entry.kept.moment, false) + "  " + MeterOf(entry.kept.kind).name + "  " +
            entry.kept.port + "  " + std::to_string(entry.validReadings) +
            (entry.validReadings == 1 ? " reading" : " readings") +
            (entry.kept.kind == MeterKind::DissolvedOxygen && entry.kept.units == UnitsNotAsked ? ", units not given"
                                                                                                : "") +
            "\n";
  }
  const int written = WriteOut(list, true);
  return written != Saved ? written : status;
}

int RunReplayCommand(const ReplayOptions& options) {
  const FileSystem files = LocalFileSystem();
  if (const int status = CheckOutputFolders(options.write, files); status != Saved) return status;
  KeptDownload kept;
  std::string error;
  if (!LoadKeptDownload(ArchiveFolder(options.kept, files), options.id, files, kept, error)) return UsageError(error);
  const int32_t units = UnitsOf(options.kept, kept);
  if (kept.kind == MeterKind::DissolvedOxygen && units == UnitsNotAsked) {
    return UsageError("this dissolved-oxygen download was kept without its units: give --units mg/l or --units sat");
  }
  ReadingTable table;
  if (ReplayIntoTable(kept, units, table) == 0) {
    std::fprintf(stderr, "%s\n", kNoValidData);
    return NoValidReadings;
  }
  Defaults defaults = LoadDefaults(files);
  return WriteOutputs(table, options.write, defaults, files, "download");
}
