// archive, replay and correct: the kept downloads listed, one of them written again, and one
// mended beside it.
#include <cstdio>
#include <string>

#include "Archive.h"
#include "Commands.h"
#include "Corrections.h"
#include "DefaultsFile.h"
#include "Download.h"
#include "KeptDownload.h"
#include "LoggedReading.h"
#include "Meters.h"

int RunArchiveCommand(const ArchiveOptions& options) {
  const FileSystem files = LocalFileSystem();
  const std::string folder = ArchiveFolder(options.kept, files);
  if (const int status = CheckKeptFolder(folder, files); status != Saved) return status;
  std::string list;
  int status = Saved;
  bool any = false;
  ForEachKeptDownload(folder, files, [&](const ArchiveEntry& entry) {
    any = true;
    if (!entry.error.empty()) {
      Say("datapond-cli: " + entry.error);
      list += entry.id + "  damaged\n";
      status = DamagedLeftOut;
      return;
    }
    const int32_t valid = ValidReadings(entry.kept);
    list += entry.id + "  " + MomentText(entry.kept.moment, false) + "  " + MeterOf(entry.kept.kind).name + "  " +
            entry.kept.port + "  " + std::to_string(valid) + (valid == 1 ? " reading" : " readings") +
            (entry.kept.kind == MeterKind::DissolvedOxygen && entry.kept.units == UnitsNotAsked ? ", units not given"
                                                                                                : "") +
            (entry.corrected ? ", corrected" : "") + "\n";
  });
  if (!any) Tell("No downloads are kept in " + folder);
  const int written = WriteOut(list, true);
  return written != Saved ? written : status;
}

int RunReplayCommand(const ReplayOptions& options) {
  const FileSystem files = LocalFileSystem();
  if (const int status = CheckOutputFolders(options.write, files); status != Saved) return status;
  KeptDownload kept;
  std::string error;
  const std::string folder = ArchiveFolder(options.kept, files);
  if (const int status = CheckArchiveKnown(folder); status != Saved) return status;
  if (!LoadKeptDownload(folder, options.id, files, kept, error)) return UsageError(error);
  const int32_t units = UnitsOf(options.kept, kept);
  if (kept.kind == MeterKind::DissolvedOxygen && units == UnitsNotAsked) {
    return UsageError("this dissolved-oxygen download was kept without its units: give --units mg/l or --units sat");
  }
  ReadingTable table;
  if (ReplayIntoTable(kept, units, table) == 0) {
    std::fprintf(stderr, "%s\n", kNoValidData);
    return NoValidReadings;
  }
  return WriteOutputs(table, options.write, nullptr, files, "download");
}

int RunCorrectCommand(const CorrectOptions& options) {
  const FileSystem files = LocalFileSystem();
  const std::string folder = ArchiveFolder(options.kept, files);
  if (const int status = CheckKeptFolder(folder, files); status != Saved) return status;
  KeptDownload kept;
  std::string error;
  if (!LoadKeptDownload(folder, options.id, files, kept, error)) return UsageError(error);
  KeptDownload mended = kept;
  if (options.kept.units != UnitsNotAsked) {
    if (kept.kind != MeterKind::DissolvedOxygen) {
      return UsageError(std::string("--units: this is a download of the ") + MeterOf(kept.kind).model +
                        ", whose readings have their own units");
    }
    mended.units = options.kept.units;
  }
  if (options.downloadedOn) {
    mended.moment.time.year = options.downloadedOn->year;
    mended.moment.time.month = options.downloadedOn->month;
    mended.moment.time.day = options.downloadedOn->day;
    LocalMoment check;
    if (!ParseMomentText(MomentText(mended.moment, true), check)) {
      return UsageError("--downloaded: a computer's clock shows days from 1970 to 9999");
    }
  }
  const std::string log = folder + kPathSeparator + kCorrectionsFileName;
  const LocalMoment now = CurrentMoment();
  bool changed = false;
  for (const char* field : {kUnitsField, kDownloadedField}) {
    const std::string from = FieldText(kept, field), to = FieldText(mended, field);
    if (from == to) continue;
    std::string reason;
    if (!AddCorrection(folder, files, {now, options.id, field, from, to}, reason)) return NotWrittenError(log, reason);
    Tell("Corrected " + options.id + ": " + field + " " + from + " -> " + to + " (in " + log + ")");
    changed = true;
  }
  if (!changed) Say(options.id + " says so already: nothing to correct");
  return Saved;
}
