// The program folder and the no-replace write, against the real file system.
#include "platform/program_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/watch/watch_fakes.h"

namespace lirabel::testing {
namespace {

using platform::PlaceResult;
using platform::realFileSystem;

TEST(ProgramFilesTest, ProgramFolderHoldsTheRunningExecutable) {
  EXPECT_EQ(platform::programFolder(), LIRABEL_WATCH_TEST_BINARY_DIR);
}

TEST(ProgramFilesTest, TemporaryFileIsWholeAndNamedAfterTheStem) {
  ScratchFolder folder;
  Bytes data = bytesOf(std::string(100000, 'x') + "end");
  std::string path =
      realFileSystem().writeTemporaryFile(folder.path(), ".stem", data);
  ASSERT_FALSE(path.empty());
  std::vector<std::string> names = folder.names();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].rfind(".stem.", 0), 0u) << names[0];
  EXPECT_EQ(names[0].size(), 5 + platform::kTempNameExtraBytes);
  EXPECT_EQ(path, folder.path() + "/" + names[0]);
  EXPECT_EQ(folder.read(names[0]), std::string(data.begin(), data.end()));
}

TEST(ProgramFilesTest, TemporaryFileInAMissingFolderFails) {
  ScratchFolder folder;
  EXPECT_EQ(realFileSystem().writeTemporaryFile(folder.path() + "/missing",
                                                ".stem", bytesOf("x")),
            "");
  EXPECT_TRUE(folder.names().empty());
}

TEST(ProgramFilesTest, PlacingNeverReplacesAFile) {
  ScratchFolder folder;
  folder.write("taken", "the earlier file");
  std::string temp =
      realFileSystem().writeTemporaryFile(folder.path(), ".t", bytesOf("new"));
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(realFileSystem().placeFile(temp, folder.path() + "/taken"),
            PlaceResult::kNameTaken);
  EXPECT_EQ(folder.read("taken"), "the earlier file");
  EXPECT_TRUE(realFileSystem().exists(temp)) << "the new bytes are kept";

  EXPECT_EQ(realFileSystem().placeFile(temp, folder.path() + "/free"),
            PlaceResult::kPlaced);
  EXPECT_EQ(folder.read("free"), "new");
  EXPECT_FALSE(realFileSystem().exists(temp));
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"free", "taken"}));
}

TEST(ProgramFilesTest, PlacingIntoAMissingFolderFails) {
  ScratchFolder folder;
  std::string temp =
      realFileSystem().writeTemporaryFile(folder.path(), ".t", bytesOf("new"));
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(realFileSystem().placeFile(temp, folder.path() + "/no/such"),
            PlaceResult::kFailed);
  EXPECT_TRUE(realFileSystem().removeFile(temp));
  EXPECT_TRUE(folder.names().empty());
}

TEST(ProgramFilesTest, JoinPathUsesOneSlash) {
  EXPECT_EQ(platform::joinPath("/a/b", "c"), "/a/b/c");
  EXPECT_EQ(platform::joinPath("/a/b/", "c"), "/a/b/c");
  EXPECT_EQ(platform::joinPath("/", "c"), "/c");
}

}  // namespace
}  // namespace lirabel::testing
