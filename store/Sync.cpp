// sync: the kept downloads of a folder into the store, each once, whole or not at all.
#include <openssl/evp.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <unordered_set>

#include "Archive.h"
#include "Connection.h"
#include "Corrections.h"
#include "LoggedReading.h"
#include "Meters.h"
#include "Store.h"

namespace {

// Downloads a transaction: large enough that a sync of years runs at the speed of the disk,
// small enough that one stopped loses little.
constexpr size_t kBatch = 100;  // no-mutate(100): the batch's size changes only the speed

std::string Sha256(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr);
  return ByteaText(std::string(reinterpret_cast<const char*>(digest), size)).substr(2);
}

// A kept download of the folder that the store does not hold yet.
struct Pending {
  std::string id, text, checksum;
  KeptDownload kept;  // as kept, before any correction
};

// The download read, and its corrections tried on a copy: false with why for what the folder's
// own history leaves out as damaged (a text that does not read, units for a meter that has none).
bool Readable(Pending& p, const std::vector<Correction>& corrections, std::string& why) {
  if (!ParseKeptDownload(p.text, p.kept, why)) return false;
  KeptDownload probe = p.kept;
  return ApplyCorrections(corrections, p.id, probe, why);
}

std::string Registers(const std::vector<uint16_t>& registers) {
  std::string bytes;
  for (const uint16_t r : registers) bytes += {static_cast<char>(r >> 8), static_cast<char>(r & 0xFF)};
  return bytes;
}

std::string FloatText(float value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// The units and dates a download is decoded for: its own after its corrections, and both units
// for a dissolved-oxygen download without an answer, which a history may be told.
std::vector<KeptDownload> Decodings(const KeptDownload& corrected) {
  if (corrected.kind != MeterKind::DissolvedOxygen || corrected.units != UnitsNotAsked) return {corrected};
  KeptDownload mg = corrected, sat = corrected;
  mg.units = UnitsMgPerLitre;
  sat.units = UnitsPercentSaturation;
  return {mg, sat};
}

// A download's corrections as the store holds them, in the order they were made.
using StoreCorrections = std::vector<Correction>;

// The decodings of a download that the store lacks, added with their readings: each decoding's
// row goes in first, so that two machines decoding one download at once add it once.
bool AddDecodings(Connection& store, const std::string& download, const KeptDownload& kept,
                  const StoreCorrections& corrections, std::string& error) {
  KeptDownload corrected = kept;
  if (!ApplyCorrections(corrections, "", corrected, error)) return false;
  std::string readings;
  for (const KeptDownload& version : Decodings(corrected)) {
    const std::string units = UnitsName(version.units), downloaded = MomentText(version.moment, true);
    const Connection::Rows added = store.Query(
        "INSERT INTO datapond.decoding (download, units, downloaded) VALUES ($1, $2, $3) "
        "ON CONFLICT DO NOTHING RETURNING download",
        {download, units, downloaded}, error);
    if (!added.ok) return false;
    if (added.rows.empty()) continue;
    const std::function<int32_t()> noQuestion;
    for (size_t i = 0; i < version.records.size(); ++i) {
      Reading r;
      int32_t asked = version.units;
      DecodeRecord(version.records[i], version.kind, version.moment.time, asked, noQuestion, r);
      if (r.discard != 0) continue;
      readings += download + '\t' + units + '\t' + downloaded + '\t' + std::to_string(i) + '\t' + r.location + '\t' +
                  std::to_string(r.type) + '\t' + std::to_string(r.timestamp) + '\t' + FloatText(r.value) + '\t' +
                  FloatText(r.temperature) + '\n';
    }
  }
  return readings.empty() ||
         store.Copy("datapond.reading (download, units, downloaded, position, location, type, at, value, temperature)",
                    readings, error);
}

// Every download's corrections in the store, by the store's id of the download; the id given to
// each is "", the one AddDecodings applies.
bool ReadStoreCorrections(Connection& store, const std::string& downloads,
                          std::vector<std::pair<std::string, StoreCorrections>>& byDownload, std::string& error) {
  const Connection::Rows rows = store.Query(
      "SELECT download, made, field, was, now FROM datapond.correction WHERE download = ANY($1::bigint[]) "
      "ORDER BY download, made_at, id",
      {downloads}, error);
  if (!rows.ok) return false;
  for (const auto& row : rows.rows) {
    if (byDownload.empty() || byDownload.back().first != row[0]) byDownload.push_back({row[0], {}});
    Correction c{{}, "", row[2], row[3], row[4]};
    ParseMomentText(row[1], c.when);
    byDownload.back().second.push_back(std::move(c));
  }
  return true;
}

const StoreCorrections& CorrectionsOf(const std::vector<std::pair<std::string, StoreCorrections>>& byDownload,
                                      const std::string& download) {
  static const StoreCorrections kNone;
  for (const auto& [id, list] : byDownload) {
    if (id == download) return list;
  }
  return kNone;
}

// One transaction: the downloads, in the order of their checksums so that two machines adding
// some of the same never wait on each other in a circle; then their records, the folder's
// corrections of them and their readings.
using HeldIds = std::vector<std::pair<std::string, std::string>>;  // the folder's id and the checksum

bool StoreBatch(Connection& store, std::vector<Pending>& batch, const std::vector<Correction>& folderCorrections,
                HeldIds& held, SyncResult& result, std::string& error) {
  std::sort(batch.begin(), batch.end(), [](const Pending& a, const Pending& b) { return a.checksum < b.checksum; });
  if (!store.Run("BEGIN", error)) return false;
  std::string records, ids = "{";
  std::vector<std::pair<std::string, const Pending*>> added;
  size_t had = 0, corrections = 0;
  bool ok = true;
  for (const Pending& p : batch) {
    const Connection::Rows row = store.Query(
        "INSERT INTO datapond.download (checksum, kept, kept_as, meter, downloaded, units) "
        "VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT (checksum) DO NOTHING RETURNING id",
        {p.checksum, p.text, p.id, MeterOf(p.kept.kind).name, MomentText(p.kept.moment, true), UnitsName(p.kept.units)},
        error, {1});
    ok = row.ok;
    if (!ok) break;
    if (row.rows.empty()) {  // another machine stored it since this sync looked: its corrections come after
      ++had;
      held.push_back({p.id, p.checksum});
      continue;
    }
    const std::string& download = row.rows[0][0];
    added.push_back({download, &p});
    ids += (ids.size() > 1 ? "," : "") + download;
    for (size_t i = 0; i < p.kept.records.size(); ++i) {
      records += download + '\t' + std::to_string(i) + "\t\\" + ByteaText(Registers(p.kept.records[i])) + '\n';
    }
    for (const Correction& c : folderCorrections) {
      if (c.id != p.id) continue;
      const Connection::Rows made = store.Query(
          "INSERT INTO datapond.correction (download, made, made_at, field, was, now) "
          "VALUES ($1, $2::text, $2::text::timestamptz, $3, $4, $5) ON CONFLICT DO NOTHING RETURNING id",
          {download, MomentText(c.when, true), c.field, c.from, c.to}, error);
      ok = made.ok;
      if (!ok) break;
      corrections += made.rows.size();
    }
    if (!ok) break;
  }
  ids += "}";
  std::vector<std::pair<std::string, StoreCorrections>> byDownload;
  ok = ok && (records.empty() || store.Copy("datapond.record (download, position, registers)", records, error)) &&
       ReadStoreCorrections(store, ids, byDownload, error);
  for (size_t i = 0; ok && i < added.size(); ++i) {
    const auto& [download, p] = added[i];
    ok = AddDecodings(store, download, p->kept, CorrectionsOf(byDownload, download), error);
    if (!ok) error = p->id + ": " + error;
  }
  std::string ignored;
  if (!ok || !store.Run("COMMIT", error)) {
    store.Run("ROLLBACK", ignored);
    return false;
  }
  result.added += added.size();
  result.had += had;
  result.corrections += corrections;
  return true;
}

// The folder's corrections of downloads the store held already, in one transaction.
bool StoreHeldCorrections(Connection& store, const std::vector<Correction>& folderCorrections, const HeldIds& heldIds,
                          SyncResult& result, std::string& error) {
  if (!store.Run("BEGIN", error)) return false;
  size_t corrections = 0;
  bool ok = true;
  for (const Correction& c : folderCorrections) {
    const auto held = std::find_if(heldIds.begin(), heldIds.end(), [&c](const auto& h) { return h.first == c.id; });
    if (held == heldIds.end()) continue;
    const Connection::Rows made = store.Query(
        "INSERT INTO datapond.correction (download, made, made_at, field, was, now) "
        "SELECT id, $2::text, $2::text::timestamptz, $3, $4, $5 FROM datapond.download WHERE checksum = $1 "
        "ON CONFLICT DO NOTHING RETURNING id",
        {held->second, MomentText(c.when, true), c.field, c.from, c.to}, error);
    ok = made.ok;
    if (!ok) break;
    corrections += made.rows.size();
  }
  std::string ignored;
  if (!ok || !store.Run("COMMIT", error)) {
    store.Run("ROLLBACK", ignored);
    return false;
  }
  result.corrections += corrections;
  return true;
}

// Every download of the store decoded for what its corrections now say, whoever added them:
// two machines correcting one download at once each decode only what they saw.
bool DecodeCorrected(Connection& store, SyncResult& result, std::string& error) {
  const Connection::Rows missing = store.Query(
      "SELECT c.download, encode(d.kept, 'hex'), d.kept_as FROM datapond.corrected c JOIN datapond.download d ON d.id "
      "= c.download "
      "WHERE NOT EXISTS (SELECT FROM datapond.decoding x WHERE x.download = c.download "
      "AND x.downloaded = c.downloaded AND (x.units = c.units OR (c.units = 'none' AND c.meter = 'do')))",
      {}, error);
  if (!missing.ok) return false;
  for (const auto& row : missing.rows) {
    std::string text;  // two hexadecimal digits a byte
    for (size_t at = 0; at + 1 < row[1].size(); at += 2) {
      text += static_cast<char>(std::stoi(row[1].substr(at, 2), nullptr, 16));
    }
    KeptDownload kept;
    if (!ParseKeptDownload(text, kept, error)) {
      error = row[2] + " in the store: " + error;
      return false;
    }
    std::vector<std::pair<std::string, StoreCorrections>> byDownload;
    if (!ReadStoreCorrections(store, "{" + row[0] + "}", byDownload, error)) return false;
    // Corrections that cannot hold, added elsewhere, leave the download as it was decoded.
    KeptDownload probe = kept;
    if (std::string why; !ApplyCorrections(CorrectionsOf(byDownload, row[0]), "", probe, why)) {
      result.leftOut.push_back(row[2] + " in the store: " + why);
      continue;
    }
    std::string ignored;
    if (!store.Run("BEGIN", error) || !AddDecodings(store, row[0], kept, CorrectionsOf(byDownload, row[0]), error) ||
        !store.Run("COMMIT", error)) {
      store.Run("ROLLBACK", ignored);
      return false;
    }
  }
  return true;
}

}  // namespace

bool SyncFolder(const std::string& conninfo, const std::string& folder, const FileSystem& files, SyncResult& result,
                std::string& error) {
  result = {};
  std::unique_ptr<Connection> store = Connection::Open(conninfo, error);
  if (!store || !UpgradeStore(*store, error)) return false;
  std::vector<Correction> corrections;
  std::string damaged;
  // No download goes without its corrections: with the log damaged, none goes.
  if (!ReadCorrections(folder, files, corrections, damaged)) {
    result.leftOut.push_back(damaged);
    return true;
  }
  const Connection::Rows held = store->Query("SELECT checksum FROM datapond.download", {}, error);
  if (!held.ok) return false;
  std::unordered_set<std::string> checksums;
  for (const auto& row : held.rows) checksums.insert(row[0]);
  std::vector<Pending> batch;
  HeldIds heldIds;
  for (const std::string& id : KeptDownloadIds(folder, files)) {
    Pending p{id, "", "", {}};
    std::string why;
    if (!ReadKeptFile(folder, id, files, p.text, why)) {
      result.leftOut.push_back(why);
      continue;
    }
    p.checksum = Sha256(p.text);
    const bool held = checksums.contains(p.checksum);
    result.had += held ? 1 : 0;
    const bool corrected =
        std::any_of(corrections.begin(), corrections.end(), [&id](const Correction& c) { return c.id == id; });
    if ((!held || corrected) && !Readable(p, corrections, why)) {
      result.leftOut.push_back(folder + kPathSeparator + id + ".txt: " + why);
      continue;
    }
    if (held) {
      heldIds.push_back({id, p.checksum});
      continue;
    }
    checksums.insert(p.checksum);  // the same bytes twice in one folder go once
    batch.push_back(std::move(p));
    if (batch.size() == kBatch) {
      if (!StoreBatch(*store, batch, corrections, heldIds, result, error)) return false;
      batch.clear();
    }
  }
  return (batch.empty() || StoreBatch(*store, batch, corrections, heldIds, result, error)) &&
         StoreHeldCorrections(*store, corrections, heldIds, result, error) && DecodeCorrected(*store, result, error);
}
