#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/TestSupport.h"
#include "tools/AtomicFile.h"
#include "tools/SignalStop.h"
#include "tools/TempFolder.h"
#include "tools/Tools.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

TEST(AtomicFile, NewFilesNeverReplaceAndLinksToNothingAreRefused) {
  test::TempDir dir;
  test::WriteFile(dir.File("a.log"), "old");
  AtomicFile file(dir.File("a.log"));
  file.Write("new");
  EXPECT_FALSE(file.CommitNew(dir.File("a.log")));
  EXPECT_TRUE(file.CommitNew(dir.File("a-2.log")));
  EXPECT_EQ(test::ReadFile(dir.File("a.log")), "old");
  EXPECT_EQ(test::ReadFile(dir.File("a-2.log")), "new");

  fs::create_symlink(dir.File("nowhere"), dir.File("link"));
  EXPECT_THROW(AtomicFile{dir.File("link")}, KovaError);
  EXPECT_TRUE(fs::is_symlink(dir.File("link")));
  EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"a.log", "a-2.log", "link"}));
}

TEST(AtomicFile, TheSignalCleanUpRemovesEveryTemporaryFileAndFolder) {
  test::TempDir dir;
  test::WriteFile(dir.File("keep.txt"), "old");
  AtomicFile file(dir.File("keep.txt"));
  file.Write("half");
  TempFolder folder(dir.Dir(), "print");
  test::WriteFile(folder.Path() + "system1.png", "png");
  EXPECT_EQ(Names(dir.Path()).size(), 3u);
  {
    const std::unique_lock<std::mutex> lock = TempRegistry::Lock();
    TempRegistry::RemoveAll(lock);
  }
  EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"keep.txt"});
  EXPECT_EQ(test::ReadFile(dir.File("keep.txt")), "old");
}

}  // namespace
}  // namespace kova
