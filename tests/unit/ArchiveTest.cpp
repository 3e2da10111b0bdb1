#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Archive.h"
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
      {replaced("meter: ss", "meter: \x1B[31mph"), "line 2: unknown meter \"\\x1B[31mph\""},
      {replaced("port: ", "port: \x7F"), "line 4: a control character in the port \"\\x7F\""},
      {replaced("2026-12-07", "2026-02-31"), "line 5: not a date and time \"2026-02-31 10:15:42 -05:30\""},
      {replaced("2026-12-07", "0000-12-07"), "line 5: not a date and time \"0000-12-07 10:15:42 -05:30\""},
      {replaced("2026-12-07", "2026-12-0x"), "line 5: not a date and time \"2026-12-0x 10:15:42 -05:30\""},
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

// Two downloads in one second get two files; a listing is oldest first; nothing is left half
// written. (A folder that cannot be made is left to the command-line checks.)
TEST(Archive, KeepsEachDownloadWholeUnderItsOwnName) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "datapond-archive-test";
  std::filesystem::remove_all(root);
  const std::string folder = (root / "kept" / "downloads").string();
  const FileSystem files = LocalFileSystem();
  KeptDownload kept;
  kept.records.assign(250, std::vector<uint16_t>(8, 0xFFFF));
  std::vector<std::string> ids(3);
  std::string reason;
  kept.moment = {{2026, 12, 7, 10, 15}, 42, 60};
  ASSERT_TRUE(KeepDownload(kept, folder, files, ids[1], reason)) << reason;
  ASSERT_TRUE(KeepDownload(kept, folder, files, ids[2], reason)) << reason;
  kept.moment.second = 9;
  ASSERT_TRUE(KeepDownload(kept, folder, files, ids[0], reason)) << reason;
  EXPECT_EQ(ids, (std::vector<std::string>{"20261207-101509-1", "20261207-101542-1", "20261207-101542-2"}));
  EXPECT_EQ(KeptDownloadIds(folder, files), ids);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 3) << "no partial file is left";

  KeptDownload back;
  std::string error;
  EXPECT_TRUE(LoadKeptDownload(folder, ids[0], files, back, error)) << error;
  EXPECT_EQ(FormatKeptDownload(back), FormatKeptDownload(kept));
  std::filesystem::remove_all(root);
}

}  // namespace
