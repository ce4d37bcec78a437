// Directory watches on inotify.
#include <platform/file_watch.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {

DirectoryWatch::DirectoryWatch() : mHandle(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

DirectoryWatch::~DirectoryWatch() {
  if (mHandle >= 0) close(mHandle);
}

bool DirectoryWatch::add(const std::string& directory) {
  if (mHandle < 0) return false;
  // A file counts once its writer closes it or it is renamed in: an in-place save is seen whole,
  // and a save through a temporary file is seen at the rename, never half written.
  const int id = inotify_add_watch(mHandle, directory.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR);
  if (id < 0) return false;
  for (auto& entry : mDirectories) {
    if (entry.first == id) return true;  // the same directory under another spelling
  }
  mDirectories.emplace_back(id, directory);
  return true;
}

std::vector<std::string> DirectoryWatch::poll() {
  std::vector<std::string> saved;
  if (mHandle < 0) return saved;
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t got = read(mHandle, buffer, sizeof(buffer));
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      break;  // EAGAIN: nothing more waiting
    }
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->len == 0 || (event->mask & IN_ISDIR)) continue;
      const auto directory = std::find_if(mDirectories.begin(), mDirectories.end(),
                                          [&](const auto& entry) { return entry.first == event->wd; });
      if (directory == mDirectories.end()) continue;
      std::string path = directory->second + "/" + event->name;
      if (std::find(saved.begin(), saved.end(), path) == saved.end()) saved.push_back(std::move(path));
    }
  }
  return saved;
}

}  // namespace platform
