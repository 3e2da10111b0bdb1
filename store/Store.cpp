#include "Store.h"

#include <libpq-fe.h>

#include <algorithm>

#include "Connection.h"
#include "Migrations.h"
#include "ReadingTypes.h"

namespace {

// The parts of a connection text that name a store, in the order messages give them.
struct Parsed {
  std::string user, host, port, dbname, service, password, problem;
};

Parsed Parse(const std::string& conninfo) {
  Parsed parsed;
  char* message = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &message);
  if (options == nullptr) {
    parsed.problem = message != nullptr ? message : "out of memory";
    while (!parsed.problem.empty() && parsed.problem.back() == '\n') parsed.problem.pop_back();
    PQfreemem(message);
    return parsed;
  }
  for (PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
    if (o->val == nullptr) continue;
    const std::string keyword = o->keyword;
    std::string* field = keyword == "user"       ? &parsed.user
                         : keyword == "host"     ? &parsed.host
                         : keyword == "hostaddr" ? (parsed.host.empty() ? &parsed.host : nullptr)
                         : keyword == "port"     ? &parsed.port
                         : keyword == "dbname"   ? &parsed.dbname
                         : keyword == "service"  ? &parsed.service
                         : keyword == "password" ? &parsed.password
                                                 : nullptr;
    if (field != nullptr) *field = o->val;
  }
  PQconninfoFree(options);
  return parsed;
}

// The version of the store's schema: its last step applied, 0 for a database without it.
bool SchemaVersion(Connection& store, int& version, std::string& error) {
  Connection::Rows made = store.Query("SELECT to_regclass('datapond.migration') IS NOT NULL", {}, error);
  if (!made.ok) return false;
  version = 0;
  if (made.rows[0][0] != "t") return true;
  made = store.Query("SELECT coalesce(max(version), 0) FROM datapond.migration", {}, error);
  if (made.ok) version = std::stoi(made.rows[0][0]);
  return made.ok;
}

}  // namespace

std::string StoreNameProblem(const std::string& conninfo) {
  const Parsed parsed = Parse(conninfo);
  if (!parsed.problem.empty()) return "it cannot be read: " + parsed.problem;
  if (!parsed.password.empty()) {
    return "it holds a password, which every user of this machine can read in the list of processes: put it "
           "in ~/.pgpass (or $PGPASSFILE) or a service file instead";
  }
  return "";
}

std::string StoreName(const std::string& conninfo) {
  const Parsed parsed = Parse(conninfo);
  if (!parsed.problem.empty()) return "(unreadable)";
  std::string name = parsed.service.empty() ? "" : "service " + parsed.service + " ";
  name += parsed.dbname.empty() ? "the default database" : "\"" + parsed.dbname + "\"";
  if (!parsed.user.empty()) name += " as " + parsed.user;
  if (!parsed.host.empty()) name += " on " + parsed.host;
  if (!parsed.port.empty()) name += " port " + parsed.port;
  return name;
}

bool UpgradeStore(Connection& store, std::string& error) {
  const std::vector<Migration>& steps = Migrations();
  const auto known = static_cast<int>(steps.size());
  // Most runs find the schema as it should be and change nothing: a look first, without a lock.
  int at = 0;
  if (!SchemaVersion(store, at, error)) return false;
  if (at == known) return true;
  // One machine at a time upgrades; the others wait for it and then find nothing to do.
  if (!store.Run("BEGIN", error)) return false;
  bool ok =
      store.Run("SELECT pg_advisory_xact_lock(hashtext('datapond schema'))", error) && SchemaVersion(store, at, error);
  if (ok && at > known) {
    error = "the store's schema is version " + std::to_string(at) + ", made by a newer Datapond; this one knows " +
            std::to_string(known) + ": use the newer datapond-cli";
    ok = false;
  }
  for (int step = at; ok && step < known; ++step) {
    std::string why;
    ok = store.Run(steps[static_cast<size_t>(step)].sql, why) &&
         store
             .Query("INSERT INTO datapond.migration (version, name) VALUES ($1, $2)",
                    {std::to_string(step + 1), steps[static_cast<size_t>(step)].name}, why)
             .ok;
    if (!ok) {
      const bool refused = store.failedState() == "42501";  // insufficient privilege
      error = "the store's schema could not be brought to version " + std::to_string(step + 1) + " (" + why + ")" +
              (refused ? ": the store's owner must run sync once" : "");
    }
  }
  // The reading types as this Datapond knows them, for the views of other tools.
  const std::string names = ReadingTypeNames();
  for (size_t at = 0, end; ok && at < names.size(); at = end + 1) {
    end = std::min(names.find('|', at), names.size());
    uint16_t code = 0;  // no-mutate(0): every name of the list has its code
    ParseReadingTypeName(names.substr(at, end - at), code);
    ok = store
             .Query(
                 "INSERT INTO datapond.reading_type VALUES ($1, $2, $3) "
                 "ON CONFLICT (code) DO UPDATE SET name = $2, label = $3",
                 {std::to_string(code), names.substr(at, end - at), FindReadingType(code)->rowLabel}, error)
             .ok;
  }
  std::string ignored;
  if (!ok) {
    store.Run("ROLLBACK", ignored);
    return false;
  }
  return store.Run("COMMIT", error);
}
