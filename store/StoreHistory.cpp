// The history from the store: the merge of the folder's history, done by the database.
#include <algorithm>
#include <charconv>

#include "Connection.h"
#include "Meters.h"
#include "Store.h"
#include "Timestamp.h"

namespace {

// The merge beyond the placing of records, which the store's own datapond.placed does. $1 the
// units of dissolved-oxygen downloads kept without an answer ('none': left out); $2 and $3
// the filter's first tick and the tick after its last; $4 its types; $5 its locations in
// capitals, as the meter logs them. k: the how-manieth copy of its reading in its download;
// every window runs over one order, so the database sorts the readings once for them all.
constexpr const char* kAdmitted = R"sql(
WITH admitted AS (
  SELECT *, row_number() OVER (PARTITION BY location, type, at, value, temperature, n ORDER BY position) AS k,
         first_value(meter) OVER (PARTITION BY location, type, at, value, temperature ORDER BY n, position) AS first
  FROM datapond.placed($1::text)
  WHERE ($2::bigint IS NULL OR at >= $2) AND ($3::bigint IS NULL OR at < $3)
    AND ($4::integer[] IS NULL OR type = ANY($4)) AND ($5::text[] IS NULL OR location = ANY($5)))
)sql";

// Each reading as many times as the download holding it most: a copy more wherever a download
// holds it more often than every download before; by location, newest first, then in the order
// the downloads hold them. After them, in the same pass, the downloads that gave a reading: their
// meter and when they were read, in the place of the reading's location and meter. Every row
// says how many there are, so that the client takes room for them once, not by doubling.
constexpr const char* kReadings = R"sql(
SELECT *, count(*) OVER () FROM (
  SELECT false AS held, location, type, at, value, temperature, first, n, position FROM (
    SELECT *, k > coalesce(max(k) OVER (PARTITION BY location, type, at, value, temperature ORDER BY n, position
                                        ROWS BETWEEN UNBOUNDED PRECEDING AND 1 PRECEDING), 0) AS more
    FROM admitted) copies
  WHERE more
  UNION ALL
  SELECT DISTINCT true, downloaded, 0, 0, 0, 0, meter, n, 0 FROM admitted) rows
ORDER BY held, location COLLATE "C", at DESC, n, position
)sql";

// Dissolved-oxygen downloads left out for want of units: those with a valid record.
constexpr const char* kWithoutUnits = R"sql(
SELECT count(*) FROM datapond.corrected c WHERE $1 = 'none' AND c.meter = 'do' AND c.units = 'none' AND EXISTS (
  SELECT FROM datapond.reading x WHERE x.download = c.download AND x.downloaded = c.downloaded AND x.units = 'mg/l')
)sql";

std::string ArrayText(const std::vector<std::string>& items) {
  std::string text = "{";
  for (const std::string& item : items) text += (text.size() > 1 ? "," : "") + ("\"" + item + "\"");
  return text + "}";
}

template <typename T>
T Number(std::string_view text) {
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
  for (const std::string& asked : filter.locations) locations.push_back(LoggedLocation(asked));
  for (const uint16_t type : filter.types) types.push_back(std::to_string(type));
  const auto day = [](const std::optional<CivilTime>& date, int64_t after) {
    return date ? std::to_string(TimestampOf({date->year, date->month, date->day, 0, 0}) + after) : std::string();
  };
  const std::vector<std::string> parameters = {
      UnitsName(unanswered), day(filter.since, 0), day(filter.until, kTicksPerDay),
      filter.types.empty() ? "" : ArrayText(types), filter.locations.empty() ? "" : ArrayText(locations)};
  // An empty text stands for no filter: NULL.
  table = ReadingTable{};
  table.readings.clear();
  bool sized = false;
  // What the store holds came from elsewhere: a meter this Datapond does not know ends the history.
  std::string unknown;
  const auto meterOf = [&unknown](std::string_view name) {
    const Meter* meter = MeterNamed(std::string(name));
    if (meter == nullptr) unknown = name;
    return meter != nullptr ? meter->kind : MeterKind::MultiParameter;
  };
  const bool read = store->Stream(std::string(kAdmitted) + kReadings, parameters, error, [&](const auto& row) {
    if (!sized) table.readings.reserve(Number<size_t>(row[9]));
    sized = true;
    if (row[0] == "t") {  // a download that gave a reading
      const MeterKind kind = meterOf(row[6]);
      if (std::find(what.meters.begin(), what.meters.end(), kind) == what.meters.end()) what.meters.push_back(kind);
      LocalMoment moment;
      ParseMomentText(std::string(row[1]), moment);
      const int64_t when = TimestampOf(moment.time);
      what.firstRead = what.downloads.empty() ? when : std::min(what.firstRead, when);
      what.lastRead = std::max(what.lastRead, when);
      what.downloads.push_back(what.downloads.size());
      return;
    }
    Reading& r = table.readings.emplace_back();
    r.location = row[1];
    r.type = Number<uint16_t>(row[2]);
    r.timestamp = Number<int64_t>(row[3]);
    r.value = Number<float>(row[4]);
    r.temperature = Number<float>(row[5]);
    r.meter = meterOf(row[6]);
    what.first = what.first == 0 ? r.timestamp : std::min(what.first, r.timestamp);
    what.last = std::max(what.last, r.timestamp);
  });
  const Connection::Rows without = read ? store->Query(kWithoutUnits, {parameters[0]}, error) : Connection::Rows{};
  if (!without.ok) return false;
  if (!unknown.empty()) {
    error = "the store holds readings of a meter this Datapond does not know, \"" + unknown + "\"";
    return false;
  }
  table.count = static_cast<int32_t>(table.readings.size());
  table.sortPriority = LocationTime;
  what.withoutUnits.resize(Number<size_t>(without.rows[0][0]));
  std::sort(what.meters.begin(), what.meters.end());
  if (!what.meters.empty()) table.meterKind = what.meters.front();
  return true;
}
