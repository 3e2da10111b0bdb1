#include <gtest/gtest.h>

#include <string>

#include "FileSystem.h"
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

}  // namespace
