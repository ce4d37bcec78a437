// Directory watches: the saves an editor makes are seen, under the name the file is saved as.
#include <platform/file_watch.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct ScratchDirectory {
  ScratchDirectory() {
    char pattern[] = "/tmp/dusk_watch_XXXXXX";
    path = mkdtemp(pattern);
  }
  ~ScratchDirectory() { fs::remove_all(path); }
  std::string path;
};

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool Contains(const std::vector<std::string>& saved, const std::string& path) {
  return std::find(saved.begin(), saved.end(), path) != saved.end();
}

}  // namespace

TEST(DirectoryWatch, SaveThroughATemporaryFileIsSeenUnderItsOwnName) {
  ScratchDirectory dir;
  const std::string target = dir.path + "/show.txt";
  Write(target, "old");
  platform::DirectoryWatch watch;
  ASSERT_TRUE(watch.add(dir.path));
  EXPECT_TRUE(watch.poll().empty());

  // Written beside it, then renamed over it: the file's inode changes, the name stays watched.
  for (int save = 0; save < 2; ++save) {
    Write(dir.path + "/.show.txt.swp", "new");
    fs::rename(dir.path + "/.show.txt.swp", target);
    const auto saved = watch.poll();
    EXPECT_TRUE(Contains(saved, target)) << "save " << save;
    EXPECT_EQ(std::count(saved.begin(), saved.end(), target), 1);
  }
  // Written in place counts too, and nothing is reported twice.
  Write(target, "again");
  EXPECT_EQ(watch.poll(), std::vector<std::string>{target});
  EXPECT_TRUE(watch.poll().empty());
}

TEST(DirectoryWatch, AFileThatDisappearsIsSeenWhenItComesBack) {
  ScratchDirectory dir;
  const std::string target = dir.path + "/a.track";
  Write(target, "1");
  platform::DirectoryWatch watch;
  ASSERT_TRUE(watch.add(dir.path));

  fs::remove(target);
  EXPECT_TRUE(watch.poll().empty());  // a vanished file is no save: its last contents stay in use
  Write(target, "2");
  EXPECT_EQ(watch.poll(), std::vector<std::string>{target});

  // A directory that cannot be watched is refused, and does not spoil the others.
  EXPECT_FALSE(watch.add(dir.path + "/missing"));
  Write(target, "3");
  EXPECT_EQ(watch.poll(), std::vector<std::string>{target});
}
