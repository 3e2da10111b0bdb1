#include "Archive.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <future>

#include "Corrections.h"

namespace {

const char* const kExtension = ".txt";

// The largest real download is about 12 KB; anything far past it is not one.
constexpr size_t kMaxKeptDownloadBytes = 1 << 20;

std::string PathOf(const std::string& folder, const std::string& name) { return folder + kPathSeparator + name; }

// "20261207-101542": the moment's digits, so names sort as the downloads happened.
std::string MomentStem(const LocalMoment& moment) {
  std::string stem;
  for (char c : MomentText(moment, false)) {
    if (c != '-' && c != ':') stem += c == ' ' ? '-' : c;
  }
  return stem;
}

bool IsId(const std::string& name) {
  // YYYYMMDD-HHMMSS-N, the sequence number of downloads kept in the same second.
  if (name.size() < 17 || name[8] != '-' || name[15] != '-') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (i != 8 && i != 15 && (name[i] < '0' || name[i] > '9')) return false;
  }
  return true;
}

// Oldest first: by the moment, then by the sequence number as a number.
bool Earlier(const std::string& a, const std::string& b) {
  // no-mutate(< 0): the moments differ here, so their order is never 0
  if (a.compare(0, 16, b, 0, 16) != 0) return a.compare(0, 16, b, 0, 16) < 0;
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// One kept download, its corrections applied.
bool LoadKept(const std::string& folder, const std::string& id, const FileSystem& files,
              const std::vector<Correction>& corrections, KeptDownload& kept, std::string& error) {
  std::string text;
  if (!ReadKeptFile(folder, id, files, text, error)) return false;
  if (!ParseKeptDownload(text, kept, error) || !ApplyCorrections(corrections, id, kept, error)) {
    error = PathOf(folder, id + kExtension) + ": " + error;
    return false;
  }
  return true;
}

}  // namespace

void ForEachKeptDownload(const std::string& folder, const FileSystem& files,
                         const std::function<void(ArchiveEntry&)>& take) {
  std::vector<Correction> corrections;
  std::string damaged;  // a log that cannot be read: no download is shown without its corrections
  ReadCorrections(folder, files, corrections, damaged);
  const std::vector<std::string> ids = KeptDownloadIds(folder, files);
  // The next downloads are read and parsed in batches on other threads while the caller works
  // on these, and those threads free what the caller is done with: on two cores a history takes
  // the longer of the two kinds of work, not their sum.
  constexpr size_t kBatch = 32;  // no-mutate(32): the batch's size changes only the speed
  using Batch = std::vector<ArchiveEntry>;
  const auto load = [&](size_t from, Batch spent) {
    return std::async(
        std::launch::async,
        [&, from](Batch done) {
          done.clear();
          Batch batch(std::min(kBatch, ids.size() - from));
          for (size_t i = 0; i < batch.size(); ++i) {
            ArchiveEntry& entry = batch[i];
            entry.id = ids[from + i];
            entry.error = damaged;
            if (damaged.empty() && LoadKept(folder, entry.id, files, corrections, entry.kept, entry.error)) {
              entry.corrected = std::any_of(corrections.begin(), corrections.end(),
                                            [&entry](const Correction& c) { return c.id == entry.id; });
            }
          }
          return batch;
        },
        std::move(spent));
  };
  // Two batches are read ahead, each on a thread of its own: reading and parsing take longer
  // than what most callers do with a download, so they get a core and a half.
  constexpr size_t kAhead = 2;
  std::deque<std::future<Batch>> ahead;
  size_t next = 0;
  Batch spent;
  for (; next < ids.size() && ahead.size() < kAhead; next += kBatch) ahead.push_back(load(next, {}));
  while (!ahead.empty()) {
    Batch batch = ahead.front().get();
    ahead.pop_front();
    if (next < ids.size()) ahead.push_back(load(next, std::move(spent))), next += kBatch;
    for (ArchiveEntry& entry : batch) take(entry);
    spent = std::move(batch);
  }
}

int32_t ValidReadings(const KeptDownload& kept) {
  const bool unanswered = kept.kind == MeterKind::DissolvedOxygen && kept.units == UnitsNotAsked;
  ReadingTable table;
  return ReplayIntoTable(kept, unanswered ? UnitsMgPerLitre : kept.units, table);
}

std::string NotKeptMessage(const std::string& folder, const std::string& reason) {
  return "This download could not be kept in " + folder + ": " + reason +
         ". The readings are shown and saved as usual, but no copy of the meter's records is kept.";
}

bool KeepDownload(const KeptDownload& kept, const std::string& folder, const FileSystem& files, std::string& id,
                  std::string& reason) {
  const std::string text = FormatKeptDownload(kept);
  // What cannot be read back is not kept: a reading lost later is worse than a word now.
  KeptDownload back;
  if (!ParseKeptDownload(text, back, reason) || FormatKeptDownload(back) != text) {
    reason = "it could not be read back (" + reason + ")";
    return false;
  }
  if (!files.isFolder(folder) && !files.makeFolders(folder, reason)) return false;
  // Flushed under a name of its own first; then the first free name of its second, so two
  // writers in one second (or one whose clock went back) never share a name or a file.
  std::string partial;
  if (!files.writeNew(folder, text, partial, reason)) return false;
  const std::string stem = MomentStem(kept.moment);
  for (int sequence = 1; sequence < 1000; ++sequence) {
    id = stem + "-" + std::to_string(sequence);
    if (files.publish(partial, PathOf(folder, id + kExtension), reason)) return true;
    if (!reason.empty()) break;
  }
  if (reason.empty()) reason = "too many downloads in one second";
  files.remove(partial);
  return false;
}

bool ReadKeptFile(const std::string& folder, const std::string& id, const FileSystem& files, std::string& text,
                  std::string& error) {
  const std::string path = PathOf(folder, id + kExtension);
  std::string reason;
  if (!IsId(id)) {
    error = path + ": no such kept download";
    return false;
  }
  if (!files.read(path, kMaxKeptDownloadBytes, text, reason)) {
    error = path + ": " + (files.isFile(path) || files.isFolder(path) ? reason : "no such kept download");
    return false;
  }
  return true;
}

std::vector<std::string> KeptDownloadIds(const std::string& folder, const FileSystem& files) {
  std::vector<std::string> ids;
  const size_t extension = std::char_traits<char>::length(kExtension);
  for (const std::string& name : files.list(folder)) {
    if (name.size() <= extension || name.compare(name.size() - extension, extension, kExtension) != 0) continue;
    const std::string id = name.substr(0, name.size() - extension);
    if (IsId(id)) ids.push_back(id);
  }
  std::sort(ids.begin(), ids.end(), Earlier);
  return ids;
}

bool LoadKeptDownload(const std::string& folder, const std::string& id, const FileSystem& files, KeptDownload& kept,
                      std::string& error) {
  std::vector<Correction> corrections;
  return ReadCorrections(folder, files, corrections, error) && LoadKept(folder, id, files, corrections, kept, error);
}
