#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "History.h"

// The shared store: a plant's kept downloads in one PostgreSQL database. A store is named by a
// libpq connection string or URI ("host=db.plant dbname=datapond", "service=datapond",
// "postgresql://db.plant/datapond"); credentials come only by libpq's own means (a password
// file, a service file, $PGPASSWORD), never on a command line that every user can list.

// Why a store's name is refused before any connection (it holds a password, or libpq cannot
// read it); empty when it may be used.
std::string StoreNameProblem(const std::string& conninfo);

// The store as messages name it: its user, host, port and database as given, never a password.
std::string StoreName(const std::string& conninfo);

class Connection;
// Makes the store's schema, or brings it to the version this program knows, each step once
// even when several machines start at once; false with `error` saying why (a store made by a
// newer Datapond, a user without the right to change the schema).
bool UpgradeStore(Connection& store, std::string& error);

struct SyncResult {
  size_t added = 0, had = 0;         // the folder's downloads the store did not hold, and did
  size_t corrections = 0;            // corrections the store did not hold
  std::vector<std::string> leftOut;  // damaged kept downloads, each its error
};

// The history of every download in the store, merged by the database by the rules of the
// history of a folder, so that for the same kept downloads it is the same table: sorted by
// location and newest time first, ready for fillGrid. `unanswered` gives the units of
// dissolved-oxygen downloads kept without an answer (UnitsNotAsked: they are left out).
bool StoreHistory(const std::string& conninfo, const HistoryFilter& filter, int32_t unanswered, ReadingTable& table,
                  HistorySummary& what, std::string& error);

// Puts every kept download of the folder that the store does not hold yet into it, with the
// corrections beside them, after making or upgrading the schema. Each batch of downloads goes
// in one transaction, so a sync stopped at any moment leaves whole downloads only, and the
// next one carries on; downloads synced at once from elsewhere are each stored once. False
// with `error` when the store could not be reached or refused what was sent; what was stored
// before that stays.
bool SyncFolder(const std::string& conninfo, const std::string& folder, const FileSystem& files, SyncResult& result,
                std::string& error);
