#include <gtest/gtest.h>

#include <string>

#include "DefaultsFile.h"
#include "MemoryFiles.h"

namespace {

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
      {"quoted, on one line", "\"COM5\",\"/data/\"\r\n", "COM5", "/data/"},
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
