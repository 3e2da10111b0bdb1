#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Archive.h"
#include "Corrections.h"
#include "KeptDownload.h"

namespace {

// A damaged file says which line is wrong, and how.
TEST(KeptDownload, DamagedFilesNameTheLine) {
  KeptDownload kept;
  kept.kind = MeterKind::SuspendedSolids;
  kept.registersPerRecord = 6;
  kept.moment = {{2026, 12, 7, 10, 15}, 42, -330};
  kept.records.assign(50, std::vector<uint16_t>(6, 0xFFFF));
  const std::string good = FormatKeptDownload(kept);
  const auto replaced = [&good](const std::string& from, const std::string& to) {
    std::string text = good;
    return text.replace(text.find(from), from.size(), to);
  };
  struct Case {
    std::string text;
    const char* error;
  } cases[] = {
      {"", "line 1: empty, not a kept download"},
      {good.substr(0, good.find("kind told by")), "line 3: ends before its kind told by line"},
      {replaced("meter: ss", "meter: \x1B[31mph"), "line 2: unknown meter \"\\x1B[31mph\""},
      {replaced("port: ", "port: \x7F"), "line 4: a control character in the port \"\\x7F\""},
      {replaced("port: ", "port: \xC2\x9B"), "line 4: a control character in the port \"\\x9B\""},
      {replaced("2026-12-07", "2026-02-31"), "line 5: not a date and time \"2026-02-31 10:15:42 -05:30\""},
      {replaced("2026-12-07", "0000-12-07"), "line 5: not a date and time \"0000-12-07 10:15:42 -05:30\""},
      {replaced("2026-12-07", "2026-12-0x"), "line 5: not a date and time \"2026-12-0x 10:15:42 -05:30\""},
      {replaced("10:15:42", "24:15:42"), "line 5: not a date and time \"2026-12-07 24:15:42 -05:30\""},
      {replaced("-05:30", "-24:00"), "line 5: not a date and time \"2026-12-07 10:15:42 -24:00\""},
      {replaced("\n 10: FFFF", "\n 10:\tFFFF"), "line 18: one space expected between registers"},
      {replaced("\n 10: FFFF", "\n 10: FFGF"), "line 18: \"FFGF\" is not a 4-digit hexadecimal word"},
      {replaced("\n 10: FFFF", "\n 10:  FFFF"), "line 18: \"\" is not a 4-digit hexadecimal word"},
      {good.substr(0, good.find("\n 10:") + 1), "line 18: record 10 is missing"},
      {good + " 50: FFFF FFFF FFFF FFFF FFFF FFFF\n", "line 58: more records than the meter holds"},
  };
  for (const Case& c : cases) {
    KeptDownload read;
    std::string error;
    EXPECT_FALSE(ParseKeptDownload(c.text, read, error)) << c.error;
    EXPECT_EQ(error, c.error);
  }
  // The first and last moments the format can hold read back as they were written.
  for (const LocalMoment& moment :
       {LocalMoment{{1970, 1, 1, 0, 0}, 0, -(23 * 60 + 59)}, LocalMoment{{9999, 12, 31, 23, 59}, 60, 23 * 60 + 59}}) {
    kept.moment = moment;
    KeptDownload read;
    std::string error;
    EXPECT_TRUE(ParseKeptDownload(FormatKeptDownload(kept), read, error)) << error;
    EXPECT_EQ(MomentText(read.moment, true), MomentText(moment, true));
  }
  // What could not be read back is not written at all.
  kept.port = "COM1\nunits: sat";
  std::string id, reason;
  EXPECT_FALSE(KeepDownload(kept, "/nonexistent", LocalFileSystem(), id, reason));
  EXPECT_EQ(reason, "it could not be read back (line 5: \"downloaded: ...\" expected)");
}

// Downloads in one second get a file each, numbered; a listing is oldest first, the tenth of a
// second after its ninth, and so is a reading of them all (read ahead in batches); nothing is
// left half written, nor kept when the disk refuses it.
TEST(Archive, KeepsEachDownloadWholeUnderItsOwnName) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "datapond-archive-test";
  std::filesystem::remove_all(root);
  const std::string folder = (root / "kept" / "downloads").string();
  FileSystem files = LocalFileSystem();
  KeptDownload kept;
  kept.records.assign(250, std::vector<uint16_t>(8, 0xFFFF));
  kept.records[7] = {0x0123, 0x4567, 0x89AB, 0xCDEF, 0x0000, 0x9999, 0xAAAA, 0x0001};  // every hex digit reads back
  std::vector<std::string> ids(101);
  std::string reason;
  kept.moment = {{2026, 12, 7, 10, 15}, 42, 60};
  for (size_t i = 1; i <= 100; ++i) ASSERT_TRUE(KeepDownload(kept, folder, files, ids[i], reason)) << reason;
  kept.moment.second = 9;
  ASSERT_TRUE(KeepDownload(kept, folder, files, ids[0], reason)) << reason;
  EXPECT_EQ(ids[0] + " " + ids[1] + " " + ids[9] + " " + ids[10],
            "20261207-101509-1 20261207-101542-1 20261207-101542-9 20261207-101542-10");
  EXPECT_EQ(KeptDownloadIds(folder, files), ids);
  std::vector<std::string> read;
  ForEachKeptDownload(folder, files,
                      [&read](ArchiveEntry& entry) { read.push_back(entry.error.empty() ? entry.id : ""); });
  EXPECT_EQ(read, ids);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 101) << "no partial file is left";
  files.writeNew = [](const std::string&, const std::string&, std::string&, std::string& why) {
    return why = "No space left on device", false;
  };
  EXPECT_FALSE(KeepDownload(kept, folder, files, ids[0], reason));
  EXPECT_EQ(reason, "No space left on device");
  files = LocalFileSystem();

  KeptDownload back;
  std::string error;
  EXPECT_TRUE(LoadKeptDownload(folder, ids[0], files, back, error)) << error;
  EXPECT_EQ(FormatKeptDownload(back), FormatKeptDownload(kept));
  std::filesystem::remove_all(root);
}

// A log of corrections: what it mends, what it refuses, and lines written by several writers.
TEST(Corrections, MendWithoutTouchingTheKeptFile) {
  const std::string head = "Datapond corrections, format 1\n", when = "2026-12-08 09:00:00 +01:00\t";
  const std::string units = when + "20261207-101542-1\tunits\tnone\tmg/l\n";
  struct Case {
    std::string text;
    const char* error;  // "" when the log is read
    size_t count;
  } cases[] = {
      {"", "", 0},
      {head + units + "2026-12-08 09:01:00 -05:30\t20261207-101542-1\tdownloaded\t-\t2025-12-07 10:15:42 +01:00\n" +
           head + units.substr(0, 20),
       "", 2},
      {"Datapond corrections, format 2\n", "line 1: a format this version cannot read", 0},
      {units, "line 1: not a log of corrections", 0},
      {head + when + "20261207-101542-1\tunits\tnone\n", "line 2: 5 fields separated by tabs expected", 0},
      {head + "2026-12-08\t20261207-101542-1\tunits\tnone\tmg/l\n", "line 2: not a date and time \"2026-12-08\"", 0},
      {head + when + "20261207-101542-1\tport\tCOM1\tCOM2\n", "line 2: no field \"port\" can be corrected", 0},
      {head + when + "20261207-101542-1\tunits\tnone\tppm\n", "line 2: \"ppm\" is not a value of units", 0},
      {head + when + "\x1B[2J\tunits\tnone\tsat\n", "line 2: not a kept download's id", 0},
  };
  for (const Case& c : cases) {
    std::vector<Correction> read;
    std::string error;
    EXPECT_EQ(ParseCorrections(c.text, read, error), *c.error == '\0') << c.error;
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(read.size(), c.count) << c.error;
  }
  std::vector<Correction> corrections;
  std::string error;
  ASSERT_TRUE(ParseCorrections(cases[1].text, corrections, error));
  KeptDownload kept;
  kept.kind = MeterKind::DissolvedOxygen;
  kept.moment = {{2026, 12, 7, 10, 15}, 42, 60};
  EXPECT_TRUE(ApplyCorrections(corrections, "20261207-101542-2", kept, error)) << "another download's";
  EXPECT_EQ(kept.units, UnitsNotAsked);
  EXPECT_TRUE(ApplyCorrections(corrections, "20261207-101542-1", kept, error));
  EXPECT_EQ(FieldText(kept, kUnitsField) + " " + FieldText(kept, kDownloadedField), "mg/l 2025-12-07 10:15:42 +01:00");
  kept.kind = MeterKind::SuspendedSolids;
  EXPECT_FALSE(ApplyCorrections(corrections, "20261207-101542-1", kept, error));
  EXPECT_EQ(error, "corrections.txt: units for a meter that has none");

  // On the disk: made with its version line, each line whole.
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "datapond-corrections-test";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  const FileSystem files = LocalFileSystem();
  ASSERT_TRUE(AddCorrection(root.string(), files, corrections[0], error)) << error;
  const std::string path = (root / kCorrectionsFileName).string();
  ASSERT_TRUE(files.appendLine(path, "", "unfinished", error)) << error;
  ASSERT_TRUE(AddCorrection(root.string(), files, corrections[1], error)) << error;
  // A line a dead writer left unfinished is named, and the line after it stands whole.
  std::vector<Correction> back;
  EXPECT_FALSE(ReadCorrections(root.string(), files, back, error));
  EXPECT_EQ(error, path + ": line 3: 5 fields separated by tabs expected");
  std::string text;
  ASSERT_TRUE(files.read(path, 1 << 20, text, error));
  EXPECT_EQ(text, head + CorrectionLine(corrections[0]) + "unfinished\n" + CorrectionLine(corrections[1]));
  std::filesystem::remove_all(root);
}

}  // namespace
