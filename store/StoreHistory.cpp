// The history from the store: the merge of the folder's history, done by the database.
#include <algorithm>
#include <charconv>

#include "Connection.h"
#include "Meters.h"
#include "Store.h"
#include "Timestamp.h"

namespace {

// The merge's rules as a query, step by step. $1 the units of dissolved-oxygen downloads kept
// without an answer ('none': left out); $2 and $3 the filter's first tick and the tick after
// its last; $4 its types; $5 its locations in capitals, as the meter logs them.
constexpr const char* kMerge = R"sql(
WITH downloads AS (  -- in the folder's order: by the moment of the id, then its number
  SELECT d.id, d.meter, c.downloaded,
         CASE WHEN c.units = 'none' AND d.meter = 'do' THEN $1::text ELSE c.units END AS units,
         row_number() OVER (ORDER BY left(d.kept_as, 16), length(d.kept_as), d.kept_as, d.checksum) AS n
  FROM datapond.download d JOIN datapond.corrected c ON c.download = d.id),
valid AS (  -- a record read again stands where it was first placed, whatever year a later download gives it
  SELECT d.n, x.position, d.meter, x.location, x.type, x.value, x.temperature,
         first_value(x.at) OVER (PARTITION BY d.meter, r.registers ORDER BY d.n, x.position) AS at
  FROM downloads d
  JOIN datapond.reading x ON x.download = d.id AND x.units = d.units AND x.downloaded = d.downloaded
  JOIN datapond.record r ON r.download = x.download AND r.position = x.position),
admitted AS (  -- k: the how-manieth copy of its reading in its download
  SELECT *, row_number() OVER (PARTITION BY location, type, at, value, temperature, n ORDER BY position) AS k,
         first_value(meter) OVER (PARTITION BY location, type, at, value, temperature ORDER BY n, position) AS first
  FROM valid
  WHERE ($2::bigint IS NULL OR at >= $2) AND ($3::bigint IS NULL OR at < $3)
    AND ($4::integer[] IS NULL OR type = ANY($4)) AND ($5::text[] IS NULL OR location = ANY($5)))
)sql";

// Each reading as many times as the download holding it most, each copy where the first
// download holding that many placed it; by location, newest first, then in that order.
constexpr const char* kReadings = R"sql(
SELECT location, type, at, value, temperature, first FROM (
  SELECT DISTINCT ON (location, type, at, value, temperature, k) location, type, at, value, temperature, first, n,
         position
  FROM admitted ORDER BY location, type, at, value, temperature, k, n, position) copies
ORDER BY location COLLATE "C", at DESC, n, position
)sql";

// The downloads that gave a reading, and those of dissolved oxygen left out for want of units.
constexpr const char* kDownloads = R"sql(
SELECT meter, downloaded FROM downloads WHERE n IN (SELECT n FROM admitted)
UNION ALL
SELECT '', '' FROM downloads d WHERE d.meter = 'do' AND d.units = 'none' AND EXISTS (
  SELECT FROM datapond.reading x WHERE x.download = d.id AND x.downloaded = d.downloaded AND x.units = 'mg/l')
)sql";

std::string ArrayText(const std::vector<std::string>& items) {
  std::string text = "{";
  for (const std::string& item : items) text += (text.size() > 1 ? "," : "") + ("\"" + item + "\"");
  return text + "}";
}

template <typename T>
T Number(const std::string& text) {
  T value{};
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

bool StoreHistory(const std::string& conninfo, const HistoryFilter& filter, int32_t unanswered, ReadingTable& table,
                  HistorySummary& what, std::string& error) {
  what = {};
  std::unique_ptr<Connection> store = Connection::Open(conninfo, error);
  if (!store || !UpgradeStore(*store, error)) return false;
  // Locations and type names are letters, digits and spaces: no quoting inside the arrays.
  std::vector<std::string> locations, types;
  for (std::string asked : filter.locations) {
    std::transform(asked.begin(), asked.end(), asked.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    locations.push_back(asked);
  }
  for (const uint16_t type : filter.types) types.push_back(std::to_string(type));
  const auto day = [](const std::optional<CivilTime>& date, int64_t after) {
    return date ? std::to_string(TimestampOf({date->year, date->month, date->day, 0, 0}) + after) : std::string();
  };
  const std::vector<std::string> parameters = {
      UnitsName(unanswered), day(filter.since, 0), day(filter.until, kTicksPerDay),
      filter.types.empty() ? "" : ArrayText(types), filter.locations.empty() ? "" : ArrayText(locations)};
  // An empty text stands for no filter: NULL.
  const Connection::Rows readings = store->Query(std::string(kMerge) + kReadings, parameters, error, {}, true);
  const Connection::Rows downloads =
      readings.ok ? store->Query(std::string(kMerge) + kDownloads, parameters, error, {}, true) : readings;
  if (!downloads.ok) return false;

  table = ReadingTable{};
  table.readings.resize(readings.rows.size());
  for (size_t i = 0; i < readings.rows.size(); ++i) {
    const auto& row = readings.rows[i];
    Reading& r = table.readings[i];
    r.location = row[0];
    r.type = Number<uint16_t>(row[1]);
    r.timestamp = Number<int64_t>(row[2]);
    r.value = Number<float>(row[3]);
    r.temperature = Number<float>(row[4]);
    r.meter = MeterNamed(row[5])->kind;
    what.first = what.first == 0 ? r.timestamp : std::min(what.first, r.timestamp);
    what.last = std::max(what.last, r.timestamp);
  }
  table.count = static_cast<int32_t>(readings.rows.size());
  table.sortPriority = LocationTime;
  for (const auto& row : downloads.rows) {
    if (row[0].empty()) {
      what.withoutUnits.push_back(what.withoutUnits.size());
      continue;
    }
    const MeterKind kind = MeterNamed(row[0])->kind;
    if (std::find(what.meters.begin(), what.meters.end(), kind) == what.meters.end()) what.meters.push_back(kind);
    LocalMoment moment;
    ParseMomentText(row[1], moment);
    const int64_t read = TimestampOf(moment.time);
    what.firstRead = what.downloads.empty() ? read : std::min(what.firstRead, read);
    what.lastRead = std::max(what.lastRead, read);
    what.downloads.push_back(what.downloads.size());
  }
  std::sort(what.meters.begin(), what.meters.end());
  if (!what.meters.empty()) table.meterKind = what.meters.front();
  return true;
}
