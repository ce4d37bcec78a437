// Watching directories for files that were saved: a file written and closed, or renamed into
// the directory (how most editors save), counts; a file removed does not until it comes back.
// Directories are watched rather than files, so a file replaced by a rename stays watched.
// When the system may have lost saves (its event queue overflowed, or a watched directory was
// removed and made again), the directories are looked at again and every file that differs from
// what the watch last saw (its size, time or inode) counts as saved, so nothing is missed and
// nothing unchanged is reported. Never blocks. Offers platform::DirectoryWatch; the framework's
// live mode uses it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct inotify_event;

namespace platform {

class DirectoryWatch {
public:
  DirectoryWatch();
  ~DirectoryWatch();
  DirectoryWatch(const DirectoryWatch&) = delete;
  DirectoryWatch& operator=(const DirectoryWatch&) = delete;

  // Starts watching a directory (not its subdirectories); false when it cannot be watched.
  bool add(const std::string& directory);
  // The files saved since the last call, as "directory/name" with the directory as given to add,
  // each once, in the order they were first saved.
  std::vector<std::string> poll();
  // Whether the watch could be set up at all.
  bool valid() const { return mHandle >= 0; }

private:
  // What the watch last saw of a file: a change of any of these is a save.
  struct Seen {
    int64_t size = -1, mtime = 0, inode = 0;
    bool operator==(const Seen&) const = default;
  };
  struct Directory {
    std::string path;
    int id = -1;  // -1: removed, to be watched again when it is back
    std::map<std::string, Seen> files;
  };

  // What is at the path now; false when it is no regular file.
  static bool seen(const std::string& path, Seen& out);
  void handle(const inotify_event& event, std::vector<std::string>& saved);
  void lose(Directory& directory);
  // Watches the directory again where it needs it and reports the files that differ from what
  // was last seen; with `all`, every directory is looked at (after an overflow).
  void rescan(bool all, std::vector<std::string>& saved);
  // Compares the directory's files with what was last seen; those that differ are remembered and,
  // given a list, reported.
  void look(Directory& directory, std::vector<std::string>* saved);
  void remember(Directory& directory, const std::string& name);

  int mHandle = -1;
  std::vector<Directory> mDirectories;
  bool mOverflowed = false;
};

}  // namespace platform
