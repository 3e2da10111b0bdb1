#include "Download.h"

#include <cmath>

#include "Identify.h"
#include "LoggedReading.h"

const char* const kStatusInitializing = "Initializing communications...";
const char* const kStatusIdentifying = "Retrieving Meter Type...";
const char* const kStatusReading = "Retrieving Logged Readings...";
const char* const kStatusSorting = "Sorting all retrieved data points...";
const char* const kNoValidData = "None of the logged data points contain valid data";

namespace {

template <typename F, typename... Args>
void Tell(const F& f, Args&&... args) {
  if (f) f(std::forward<Args>(args)...);
}

DownloadResult Failure(MeterLink& link, const DownloadFrontEnd& frontEnd, int32_t code) {
  Tell(frontEnd.closeProgress);
  CloseMeterPort(link);
  return {DownloadOutcome::Failed, code, link.LastErrorText};
}

}  // namespace

DownloadResult RunDownload(MeterLink& link, ReadingTable& table, const std::string& port,
                           const DownloadFrontEnd& frontEnd) {
  Tell(frontEnd.rememberPort, port);
  Tell(frontEnd.status, kStatusInitializing);
  // One moment for the whole download, so a kept download decodes again to the same dates.
  link.downloadMoment = link.now();
  link.records.clear();
  // Every attempt writes the slots again from record 0, whatever an earlier one left.
  table.readings.resize(ReadingTable::kCapacity);
  if (int32_t code = OpenMeterPort(link, port); code != 0) return Failure(link, frontEnd, code);

  Tell(frontEnd.status, kStatusIdentifying);
  link.toldBy = KindToldBy::Identification;
  if (IdentifyMeter(link) != 0) {
    if (int32_t code = RunFallbackProbe(link, table); code != 0) return Failure(link, frontEnd, code);
    link.toldBy = KindToldBy::Probe;
  }

  Tell(frontEnd.status, kStatusReading);
  const int32_t records = link.recordCount;
  link.records.assign(static_cast<size_t>(records), {});
  Tell(frontEnd.showProgress, 1, records);
  const auto step = static_cast<int32_t>(std::lround(records / 25.0));
  int32_t counter = 0;
  for (int32_t i = 0; i < records; ++i) {
    if (int32_t code = ReadLoggedReading(link, table, i); code != 0) return Failure(link, frontEnd, code);
    if (++counter == step) {
      Tell(frontEnd.progress, i);
      counter = 0;
    }
  }

  Tell(frontEnd.closeStartWindow);
  CloseMeterPort(link);
  Tell(frontEnd.status, kStatusSorting);
  table.meterKind = link.meterKind;
  if (Compaction(table, records) == 0) {
    Tell(frontEnd.closeProgress);
    return {DownloadOutcome::NoValidData, 0, kNoValidData};
  }
  table.sortPriority = LocationTime;
  table.dataSaved = 0;
  table.shownLayout = 0;
  Tell(frontEnd.closeProgress);
  return {DownloadOutcome::Done, 0, {}};
}
