// The shared store: the kept downloads synced into it, as a command and as the last step of a
// download, and the history read from it. The store needs libpq, which only the native build has.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Commands.h"
#ifdef DATAPOND_HAS_STORE
#include "Store.h"
#endif

std::string StoreOf(const std::string& given) {
  const char* fromEnvironment = std::getenv("DATAPOND_STORE");
  return !given.empty() ? given : fromEnvironment != nullptr ? fromEnvironment : "";
}

int CheckStore(const std::string& store) {
#ifdef DATAPOND_HAS_STORE
  const std::string problem = StoreNameProblem(store);
  // The text is not repeated: it may hold the very password the user is warned of.
  return problem.empty() ? Saved : UsageError("the store's connection string is refused: " + problem);
#else
  (void)store;
  return UsageError(
      "this datapond-cli has no store: keep downloads in a shared folder and sync it from a machine "
      "with the Linux datapond-cli");
#endif
}

int SyncToStore(const std::string& store, const std::string& folder, const FileSystem& files) {
#ifdef DATAPOND_HAS_STORE
  SyncResult result;
  std::string error;
  const bool synced = SyncFolder(store, folder, files, result, error);
  for (const std::string& damaged : result.leftOut) Say("datapond-cli: left out: " + damaged);
  if (!synced) {
    Say("datapond-cli: " + error);
    return StoreFailed;
  }
  const auto count = [](size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string said = "Synced with the store " + StoreName(store) + ": " + count(result.added, "download", "downloads") +
                     " added, " + count(result.had, "was", "were") + " there already";
  if (result.corrections > 0) said += "; " + count(result.corrections, "correction", "corrections") + " added";
  Tell(said);
  return result.leftOut.empty() ? Saved : DamagedLeftOut;
#else
  (void)folder, (void)files;
  return CheckStore(store);
#endif
}

int HistoryFromStore(const std::string& store, const HistoryFilter& filter, int32_t units, ReadingTable& table,
                     HistorySummary& what) {
  if (const int status = CheckStore(store); status != Saved) return status;
#ifdef DATAPOND_HAS_STORE
  std::string error;
  if (StoreHistory(store, filter, units, table, what, error)) return Saved;
  Say("datapond-cli: " + error);
  return StoreFailed;
#else
  (void)filter, (void)units, (void)table, (void)what;
  return Usage;
#endif
}

int RunSyncCommand(const SyncOptions& options) {
  const std::string store = StoreOf(options.store);
  if (store.empty()) return UsageError("sync needs --store STORE or $DATAPOND_STORE: where the store is");
  if (const int status = CheckStore(store); status != Saved) return status;
  const FileSystem files = LocalFileSystem();
  const std::string folder = ArchiveFolder(options.kept, files);
  if (const int status = CheckKeptFolder(folder, files); status != Saved) return status;
  return SyncToStore(store, folder, files);
}
