// Directory watches on inotify.
#include <platform/diagnostics.h>
#include <platform/file_watch.h>

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {

namespace {

// A file counts once its writer closes it or it is renamed in: an in-place save is seen whole,
// and a save through a temporary file is seen at the rename, never half written. The directory's
// own removal or move ends its watch, which is then set up again on the path.
constexpr uint32_t kMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

void Add(std::vector<std::string>& saved, std::string path) {
  if (std::find(saved.begin(), saved.end(), path) == saved.end()) saved.push_back(std::move(path));
}

}  // namespace

DirectoryWatch::DirectoryWatch() : mHandle(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

DirectoryWatch::~DirectoryWatch() {
  if (mHandle >= 0) close(mHandle);
}

bool DirectoryWatch::add(const std::string& directory) {
  if (mHandle < 0) return false;
  const int id = inotify_add_watch(mHandle, directory.c_str(), kMask);
  if (id < 0) return false;
  for (const Directory& entry : mDirectories) {
    if (entry.id == id) return true;  // the same directory under another spelling
  }
  mDirectories.push_back(Directory{directory, id, {}});
  look(mDirectories.back(), nullptr);
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
      handle(*event, saved);
    }
  }
  const bool lost = std::any_of(mDirectories.begin(), mDirectories.end(), [](const Directory& d) { return d.id < 0; });
  if (mOverflowed || lost) rescan(mOverflowed, saved);
  mOverflowed = false;
  return saved;
}

void DirectoryWatch::handle(const inotify_event& event, std::vector<std::string>& saved) {
  if (event.mask & IN_Q_OVERFLOW) {
    // Events were dropped, saves among them perhaps: only a look at every file can tell.
    if (!mOverflowed)
      Report(kReportWarning, "File watch: the system's event queue overflowed; looking at every watched file again.");
    mOverflowed = true;
    return;
  }
  const auto directory = std::find_if(mDirectories.begin(), mDirectories.end(),
                                      [&](const Directory& entry) { return entry.id >= 0 && entry.id == event.wd; });
  if (directory == mDirectories.end()) return;
  if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
    // A directory moved away would still be watched where it went: the watch is for the path.
    if (event.mask & IN_MOVE_SELF) inotify_rm_watch(mHandle, directory->id);
    lose(*directory);
    return;
  }
  if (event.len == 0 || (event.mask & IN_ISDIR)) return;
  remember(*directory, event.name);
  Add(saved, directory->path + "/" + event.name);
}

void DirectoryWatch::lose(Directory& directory) {
  directory.id = -1;
  Report(kReportInfo, "File watch: <%s> was removed or moved; it is watched again when it is back.",
         directory.path.c_str());
}

void DirectoryWatch::rescan(bool all, std::vector<std::string>& saved) {
  for (Directory& directory : mDirectories) {
    if (directory.id >= 0 && !all) continue;
    // Watching a directory that is already watched gives its id back; after an overflow that
    // may have swallowed its removal, a directory made again gets a new one.
    const int id = inotify_add_watch(mHandle, directory.path.c_str(), kMask);
    if (id < 0) {
      if (directory.id >= 0) lose(directory);
      continue;
    }
    if (directory.id < 0)
      Report(kReportInfo, "File watch: <%s> is back and watched again.", directory.path.c_str());
    directory.id = id;
    look(directory, &saved);
  }
}

void DirectoryWatch::look(Directory& directory, std::vector<std::string>* saved) {
  DIR* listing = opendir(directory.path.c_str());
  if (!listing) return;
  std::map<std::string, Seen> now;
  while (const dirent* entry = readdir(listing)) {
    const std::string path = directory.path + "/" + entry->d_name;
    Seen file;
    if (!seen(path, file)) continue;
    const auto before = directory.files.find(entry->d_name);
    if (saved && (before == directory.files.end() || !(before->second == file))) Add(*saved, path);
    now.emplace(entry->d_name, file);
  }
  closedir(listing);
  // Files gone are forgotten, so that they count as saved when they come back.
  directory.files = std::move(now);
}

void DirectoryWatch::remember(Directory& directory, const std::string& name) {
  Seen file;
  if (seen(directory.path + "/" + name, file))
    directory.files[name] = file;
  else
    directory.files.erase(name);
}

bool DirectoryWatch::seen(const std::string& path, Seen& out) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  out = Seen{info.st_size, info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec, static_cast<int64_t>(info.st_ino)};
  return true;
}

}  // namespace platform
