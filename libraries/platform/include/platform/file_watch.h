// Watching directories for files that were saved: a file written and closed, or renamed into
// the directory (how most editors save), counts; a file removed does not until it comes back.
// Directories are watched rather than files, so a file replaced by a rename stays watched.
// Never blocks. Offers platform::DirectoryWatch; the framework's live mode uses it.
#pragma once

#include <string>
#include <vector>

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
  int mHandle = -1;
  std::vector<std::pair<int, std::string>> mDirectories;  // watch id, directory
};

}  // namespace platform
