#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "support/TestSupport.h"
#include "tools/AtomicFile.h"
#include "tools/SignalStop.h"
#include "tools/TempFolder.h"
#include "tools/Tools.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

size_t Count(const fs::path& dir) { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }

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
  EXPECT_EQ(Count(dir.Path()), 3u);
}

TEST(AtomicFile, TheSignalCleanUpRemovesEveryTemporaryFileAndFolder) {
  test::TempDir dir;
  test::WriteFile(dir.File("keep.txt"), "old");
  AtomicFile file(dir.File("keep.txt"));
  file.Write("half");
  TempFolder folder(dir.Dir(), "print");
  test::WriteFile(folder.Path() + "system1.png", "png");
  {
    const std::unique_lock<std::mutex> lock = TempRegistry::Lock();
    TempRegistry::RemoveAll(lock);
  }
  EXPECT_EQ(Count(dir.Path()), 1u);
}

}  // namespace
}  // namespace kova
