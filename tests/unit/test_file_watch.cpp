// Directory watches: the saves an editor makes are seen, under the name the file is saved as.
#include <platform/diagnostics.h>
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

TEST(DirectoryWatch, AFolderRemovedAndMadeAgainIsWatchedAgain) {
  ScratchDirectory dir;
  const std::string folder = dir.path + "/tracks";
  fs::create_directory(folder);
  Write(folder + "/show.txt", "1");
  platform::DirectoryWatch watch;
  ASSERT_TRUE(watch.add(folder));

  // As `git checkout` or a sync tool may do: the folder goes, and comes back with the file.
  fs::remove_all(folder);
  EXPECT_TRUE(watch.poll().empty());
  fs::create_directory(folder);
  Write(folder + "/show.txt", "22");
  Write(folder + "/post.txt", "3");
  auto saved = watch.poll();
  std::sort(saved.begin(), saved.end());
  EXPECT_EQ(saved, (std::vector<std::string>{folder + "/post.txt", folder + "/show.txt"}));  // seen by looking

  // From then on the new folder's saves arrive as events, once each.
  Write(folder + "/show.txt", "333");
  EXPECT_EQ(watch.poll(), std::vector<std::string>{folder + "/show.txt"});
  EXPECT_TRUE(watch.poll().empty());

  // A folder moved away and another put in its place: the path is what is watched.
  fs::rename(folder, dir.path + "/tracks.old");
  fs::create_directory(folder);
  Write(folder + "/show.txt", "4444");
  EXPECT_EQ(watch.poll(), std::vector<std::string>{folder + "/show.txt"});
  Write(dir.path + "/tracks.old/show.txt", "5");
  Write(folder + "/post.txt", "55555");
  EXPECT_EQ(watch.poll(), std::vector<std::string>{folder + "/post.txt"});
}

// The system's queue holds fs.inotify.max_queued_events events; saves past it are dropped and an
// overflow is announced instead. Two files written in turn make as many distinct events.
TEST(DirectoryWatch, AfterAQueueOverflowEveryChangedFileIsSeenAndNoOther) {
  long limit = 0;
  std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> limit;
  if (limit <= 0 || limit > 1000000) GTEST_SKIP() << "fs.inotify.max_queued_events is " << limit << ": too many events to flood";
  ScratchDirectory dir;
  const std::string unchanged = dir.path + "/unchanged.png", changed = dir.path + "/changed.fx";
  Write(unchanged, "same");
  Write(changed, "before");
  platform::DirectoryWatch watch;
  ASSERT_TRUE(watch.add(dir.path));

  for (long i = 0; i <= limit / 2 + 1; ++i) {
    std::ofstream(dir.path + "/a");
    std::ofstream(dir.path + "/b");
  }
  Write(changed, "after, longer");  // its event no longer fits in the queue
  std::string reports;
  platform::SetReportSink([&](int, const char* message) { reports += message; });
  auto saved = watch.poll();
  platform::SetReportSink({});
  EXPECT_NE(reports.find("overflowed"), std::string::npos) << "the flood did not overflow the queue";
  std::sort(saved.begin(), saved.end());
  EXPECT_EQ(saved, (std::vector<std::string>{dir.path + "/a", dir.path + "/b", changed}));
  EXPECT_TRUE(watch.poll().empty());  // the look happens once
}
