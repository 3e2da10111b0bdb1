#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FileSystem.h"
#include "Folders.h"
#include "MemoryFiles.h"

namespace {

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

#ifndef _WIN32
// The documents folder as the desktop names it in user-dirs.dirs, else ~/Documents; the data
// folder likewise.
TEST(Folders, AsTheDesktopNamesThem) {
  const auto saved = [](const char* name) { return std::string(std::getenv(name) ? std::getenv(name) : ""); };
  const std::string home = ::testing::TempDir() + "datapond-home", oldHome = saved("HOME");
  const std::string oldDocuments = saved("XDG_DOCUMENTS_DIR"), oldData = saved("XDG_DATA_HOME");
  std::filesystem::create_directories(home + "/.config");
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_DOCUMENTS_DIR");
  std::ofstream(home + "/.config/user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\n"
      << "XDG_DOCUMENTS_DIR=\"$HOME/Papiere\"\n";
  EXPECT_EQ(LocalFileSystem().documentsFolder(), home + "/Papiere");
  std::filesystem::remove(home + "/.config/user-dirs.dirs");
  EXPECT_EQ(LocalFileSystem().documentsFolder(), home + "/Documents");
  // Kept downloads under the data folder: $XDG_DATA_HOME when it is a whole path.
  for (const char* data : {"/srv/data", "relative/data"}) {
    setenv("XDG_DATA_HOME", data, 1);
    EXPECT_EQ(DefaultArchiveFolder(LocalFileSystem()),
              (*data == '/' ? data : home + "/.local/share") + std::string("/datapond/downloads"));
  }
  // Without a home, no folder at all rather than one under the root.
  unsetenv("XDG_DATA_HOME");
  unsetenv("HOME");
  EXPECT_EQ(DefaultArchiveFolder(LocalFileSystem()), "");
  oldData.empty() ? unsetenv("XDG_DATA_HOME") : setenv("XDG_DATA_HOME", oldData.c_str(), 1);
  setenv("HOME", oldHome.c_str(), 1);
  if (!oldDocuments.empty()) setenv("XDG_DOCUMENTS_DIR", oldDocuments.c_str(), 1);
  std::filesystem::remove_all(home);
}
// A save through a symbolic link replaces the file it names, and the link stays a link.
TEST(LocalWrite, FollowsALinkToItsFile) {
  const std::filesystem::path folder = ::testing::TempDir() + "datapond-link";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "readings.csv") << "older";
  std::filesystem::create_symlink("readings.csv", folder / "latest.csv");
  std::string reason, bytes;
  ASSERT_TRUE(LocalFileSystem().write((folder / "latest.csv").string(), "newer", reason)) << reason;
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "latest.csv"));
  EXPECT_TRUE(LocalFileSystem().read((folder / "readings.csv").string(), 100, bytes, reason) && bytes == "newer");
  EXPECT_FALSE(LocalFileSystem().write(folder.string(), "newer", reason)) << "a folder is not a file to replace";
  EXPECT_EQ(reason, "Is a directory");
  std::filesystem::remove_all(folder);
}
#endif

}  // namespace
