#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "DefaultsFile.h"
#include "Tables.h"

namespace {

// Paths as this system writes them: /data/run1.csv here, C:\data\run1.csv on Windows.
const bool kPosixPaths = FolderPart("/data/run1.csv") == "/data/";

std::string Native(std::string path) {
  if (kPosixPaths) return path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return "C:" + path;
}

// Files in memory: folders by name, files by path; writes fail into a read-only folder.
struct MemoryFiles {
  std::set<std::string> folders = {"/data/", "/data", "/home/ann/Documents"};
  std::set<std::string> readOnly = {Native("/locked/")};
  std::map<std::string, std::string> files;
  std::string documents = "/home/ann/Documents";

  FileSystem Seam() {
    FileSystem fs;
    fs.isFile = [this](const std::string& p) { return files.count(p) > 0; };
    fs.isFolder = [this](const std::string& p) { return folders.count(p) > 0; };
    fs.read = [this](const std::string& p, size_t, std::string& bytes, std::string&) {
      return files.count(p) && (bytes = files[p], true);
    };
    fs.write = [this](const std::string& p, const std::string& bytes, std::string& reason) {
      if (readOnly.count(FolderPart(p))) return reason = "Permission denied", false;
      return files[p] = bytes, true;
    };
    fs.documentsFolder = [this] { return documents; };
    fs.toSystemText = fs.fromSystemText = [](const std::string& t) { return t; };
    return fs;
  }
};

const Calendar kCalendar = UsCalendar({2024, 3, 20, 12, 0});

struct Saving {
  MemoryFiles disk;
  ReadingTable table;
  GridTexts grid;
  std::string chosen = Native("/data/run1.csv");
  int32_t scopeAnswer = 2;
  int prompts = 0;
  std::vector<std::string> remembered;

  Saving() {
    std::vector<Reading> readings;
    for (int i = 0; i < 10; ++i) {
      readings.push_back(At(("L" + std::to_string(i)).c_str(), 35, static_cast<float>(i), 0, {2024, 3, 1, 10, 0}));
    }
    table = Table(MeterKind::SuspendedSolids, readings);
    grid = fillGrid(table, kCalendar);
  }

  SaveResult Save(const std::vector<int32_t>& selected) {
    SaveFrontEnd f;
    f.scopePrompt = [this] { return ++prompts, scopeAnswer; };
    f.chooseFile = [this](const SaveDialogText& dialog, const std::string& folder) {
      EXPECT_STREQ(dialog.title, "Save As .csv");
      EXPECT_EQ(folder, "/start/");
      return chosen;
    };
    f.rememberFolder = [this](const std::string& folder) { remembered.push_back(folder); };
    return RunSave(SaveFormat::CommaDelimited, table, grid, selected, "/start/", f, disk.Seam());
  }

  std::string Lines() { return disk.files.count(chosen) ? disk.files[chosen] : "(none)"; }
};

std::string Rows(std::initializer_list<int> rows) {
  std::string text = "Location,Time,SS (mg/l)\r\n";
  for (int r : rows)
    text += std::string("L") + std::to_string(r - 1) + ",3/1/2024 10:00 AM," + std::to_string(r - 1) + "\r\n";
  return text;
}

TEST(RunSave, ScopeOfTheSelection) {
  struct Case {
    const char* name;
    std::vector<int32_t> selected;
    int32_t answer;
    int prompts;
    std::string bytes;
  } cases[] = {
      {"no selection", {}, 2, 0, Rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})},
      {"selected, any answer but 1", {9, 2, 5, 5}, 0, 1, Rows({2, 5, 9})},
      {"selected, all", {9, 2, 5}, 1, 1, Rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})},
      {"rows gone meanwhile", {3, 11, 0}, 2, 1, Rows({3})},
  };
  for (const Case& c : cases) {
    Saving s;
    s.scopeAnswer = c.answer;
    const SaveResult result = s.Save(c.selected);
    EXPECT_EQ(result.outcome, SaveOutcome::Saved) << c.name;
    EXPECT_EQ(s.prompts, c.prompts) << c.name;
    EXPECT_EQ(s.Lines(), c.bytes) << c.name;
    EXPECT_EQ(s.table.dataSaved, 1) << c.name;
    EXPECT_EQ(s.remembered, std::vector<std::string>{Native("/data/")}) << c.name;
  }
}

// The quit question must still protect the readings of a save that did not happen.
TEST(RunSave, CancelledOrFailedChangesNothing) {
  for (const std::string& chosen : {std::string(), Native("/locked/run1.csv")}) {
    Saving s;
    s.chosen = chosen;
    const SaveResult result = s.Save({1});
    EXPECT_EQ(result.outcome, chosen.empty() ? SaveOutcome::Cancelled : SaveOutcome::Failed);
    EXPECT_EQ(result.reason, chosen.empty() ? "" : "Permission denied");
    EXPECT_EQ(result.path, chosen);
    EXPECT_TRUE(s.disk.files.empty());
    EXPECT_EQ(s.table.dataSaved, 0);
    EXPECT_TRUE(s.remembered.empty());
  }
}

TEST(FolderPart, UpToTheLastSeparator) {
  EXPECT_EQ(FolderPart(Native("/data/run1.csv")), Native("/data/"));
  EXPECT_EQ(FolderPart("run1.csv"), "");
  std::string longest = Native("/data/");
  longest += std::string(260 - longest.size() - 4, 'a') + ".csv";
  EXPECT_EQ(FolderPart(longest), Native("/data/")) << "260 characters";
  EXPECT_EQ(FolderPart(longest.insert(longest.size() - 4, "a")), "") << "261 characters";
  // Characters, not bytes: each of these takes three bytes.
  std::string wide = Native("/data/");
  const size_t folderLength = wide.size();
  for (size_t i = folderLength; i < 256; ++i) wide += "\u6C34";
  EXPECT_EQ(FolderPart(wide + ".csv"), wide.substr(0, folderLength)) << "260 characters, 758 bytes";
  EXPECT_EQ(FolderPart(wide + "\u6C34.csv"), "") << "261 characters";
  if (!kPosixPaths) {
    EXPECT_EQ(FolderPart("C:run1.csv"), "C:");
  }
}

TEST(Defaults, LoadChecksWhatTheFileSays) {
  struct Case {
    const char* name;
    const char* file;  // nullptr: no file
    const char* port;
    const char* folder;
  } cases[] = {
      {"no file", nullptr, "", "/home/ann/Documents"},
      {"printer and a deleted folder", "LPT1\r\n/gone/\r\n", "", "/home/ann/Documents"},
      {"port and folder", "COM3\r\n/data/\r\n", "COM3", "/data/"},
      {"a device path (POSIX only)", "/dev/ttyUSB0\r\n/data/\r\n", kPosixPaths ? "/dev/ttyUSB0" : "", "/data/"},
      {"quoted", "\"COM5\"\r\n\"/data/\"\r\n", "COM5", "/data/"},
  };
  for (const Case& c : cases) {
    MemoryFiles disk;
    if (c.file) disk.files[kDefaultsFileName] = c.file;
    const Defaults d = LoadDefaults(disk.Seam());
    EXPECT_EQ(d.LastPort, c.port) << c.name;
    EXPECT_EQ(d.SaveFolder, c.folder) << c.name;
  }
  MemoryFiles nowhere;
  nowhere.documents = "/no/such/folder";
  EXPECT_EQ(LoadDefaults(nowhere.Seam()).SaveFolder, "") << "no folder at all";
}

TEST(Defaults, SavedFileReadsBackTheSame) {
  MemoryFiles disk;
  disk.folders.insert("/data/run, second/");
  const Defaults written{"COM4", "/data/run, second/"};
  ASSERT_TRUE(SaveDefaults(written, disk.Seam()));
  EXPECT_EQ(disk.files[kDefaultsFileName], "COM4\r\n\"/data/run, second/\"\r\n");
  const Defaults read = LoadDefaults(disk.Seam());
  EXPECT_EQ(read.LastPort, "COM4");
  EXPECT_EQ(read.SaveFolder, "/data/run, second/");
}

}  // namespace
