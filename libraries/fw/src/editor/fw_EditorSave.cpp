// Saving a source by an atomic swap. Sections: small file helpers · writing the new text · the
// swap and the swap back · the save.
#include "editor/fw_EditorSave.h"

#include "diag/fw_Log.h"
#include "editor/fw_EditorLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Status = fw_SourceSave::Status;

// A text editor that saves every few milliseconds may slip a save into each swap; past this many
// the swap gives up and says where the save it holds is.
constexpr int kMaxSwapsBack = 64;

// ---- small file helpers ----

fw_SourceSave Answer(Status status, std::string reason = "", std::string current = "") {
  fw_SourceSave save;
  save.status = status;
  save.reason = std::move(reason);
  save.current = std::move(current);
  return save;
}

bool ReadAll(int fd, std::string* bytes) {
  bytes->clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes->append(buffer, static_cast<size_t>(n));
  }
}

bool ReadPath(const std::string& path, std::string* bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ReadAll(fd, bytes);
  close(fd);
  return ok;
}

// Open descriptors of the files the swap moves about: an open file keeps its inode number, so a
// number compared later can never belong to a file made since under a reused number.
class HeldFiles {
public:
  ~HeldFiles() {
    for (int fd : mFds) close(fd);
  }
  // Opens the file now at path; its inode number, or 0 when it cannot be opened. *bytes (when
  // given) receives its bytes, and *whole whether it is a regular file that could be read.
  ino_t hold(const std::string& path, std::string* bytes = nullptr, bool* whole = nullptr) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 0;
    mFds.push_back(fd);
    struct stat status {};
    if (fstat(fd, &status) != 0) return 0;
    if (bytes) {
      const bool read = S_ISREG(status.st_mode) && ReadAll(fd, bytes);
      if (whole) *whole = read;
    }
    return status.st_ino;
  }

private:
  std::vector<int> mFds;
};

// ---- writing the new text ----

// The new text in a hidden file beside the target, with the target's mode and, where the process
// may give it, its owner; on the disk before it is swapped in. Returns the open descriptor (the
// file is held until the save ends) or -1 with *reason set.
int WriteBeside(const std::string& target, const struct stat& like, const std::string& text, std::string* temporary,
                std::string* reason) {
  const size_t slash = target.find_last_of('/');
  // Short enough for any file system's 255 bytes whatever the target's name.
  *temporary = target.substr(0, slash + 1) + "." + target.substr(slash + 1, 200) + ".edit-XXXXXX";
  const int fd = mkostemp(temporary->data(), O_CLOEXEC);
  if (fd < 0) {
    *reason = std::string("its folder cannot be written (") + std::strerror(errno) + ")";
    return -1;
  }
  // Owner first: a change of owner may clear mode bits that fchmod then sets. Not permitted as
  // another user: the group alone may still be ours to give.
  [[maybe_unused]] const bool owned =
      fchown(fd, like.st_uid, like.st_gid) == 0 || fchown(fd, static_cast<uid_t>(-1), like.st_gid) == 0;
  int error = fchmod(fd, like.st_mode & 07777) == 0 ? 0 : errno;
  for (size_t done = 0; error == 0 && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) error = n < 0 ? errno : ENOSPC;
    else done += static_cast<size_t>(n);
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (error != 0) {
    *reason = std::strerror(error);
    close(fd);
    unlink(temporary->c_str());
    return -1;
  }
  return fd;
}

// ---- the swap and the swap back ----

bool Swap(const std::string& a, const std::string& b) {
  return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

// The target holds our text (inode `ours`) and the temporary what came out of it, which was not
// the version the edit was made from: that save goes back. A save that lands on the target
// between two swaps comes out at the next one and goes back in its turn, the newest last.
fw_SourceSave SwapBack(const std::string& target, const std::string& temporary, ino_t ours, HeldFiles& held) {
  ino_t atTarget = ours;
  ino_t toPlace = held.hold(temporary);
  for (int swaps = 0; swaps < kMaxSwapsBack; ++swaps) {
    if (!Swap(temporary, target)) break;
    const ino_t cameOut = held.hold(temporary);
    if (cameOut == atTarget) {
      // Nothing landed between the swaps: what came out is ours (or an older save) and goes.
      unlink(temporary.c_str());
      std::string current;
      ReadPath(target, &current);
      return Answer(Status::Changed, "", current);
    }
    atTarget = toPlace;
    toPlace = cameOut;
  }
  fw_EditorLog(fw_LogError, "Timeline editor: a save of <%s> that came in during an edit is kept as <%s>.", target.c_str(),
         temporary.c_str());
  return Answer(Status::Failed, "it changed on disk during the edit; the save that came in is kept as " + temporary);
}

}  // namespace

// ---- the save ----

fw_SourceSave fw_SaveEditorSource(const std::string& path, const std::string& base, const std::string& text,
                                  bool exchange) {
  // A link is followed: its target is the source, written in its own folder.
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return errno == ENOENT ? Answer(Status::Gone) : Answer(Status::Failed, std::strerror(errno));
  const std::string target = resolved;
  std::free(resolved);
  struct stat status {};
  if (stat(target.c_str(), &status) != 0) return errno == ENOENT ? Answer(Status::Gone) : Answer(Status::Failed, std::strerror(errno));
  if (!S_ISREG(status.st_mode)) return Answer(Status::Failed, "it is not a regular file");
  // The mode bits first: the superuser may write a file whose owner made it read-only.
  if ((status.st_mode & 0222) == 0) {
    char mode[16];
    std::snprintf(mode, sizeof(mode), "%04o", static_cast<unsigned>(status.st_mode & 07777));
    return Answer(Status::ReadOnly, std::string("it is read-only (mode ") + mode + ")");
  }
  if (access(target.c_str(), W_OK) != 0)
    return Answer(Status::ReadOnly, std::string("it cannot be written (") + std::strerror(errno) + ")");

  HeldFiles held;
  std::string temporary, reason;
  const int fd = WriteBeside(target, status, text, &temporary, &reason);
  if (fd < 0) return Answer(Status::Failed, reason);
  const ino_t ours = held.hold(temporary);
  close(fd);

  if (exchange && Swap(temporary, target)) {
    std::string cameOut;
    bool whole = false;
    held.hold(temporary, &cameOut, &whole);
    if (whole && cameOut == base) {
      unlink(temporary.c_str());
      return Answer(Status::Saved);
    }
    return SwapBack(target, temporary, ours, held);
  }
  if (exchange && errno == ENOENT) {
    unlink(temporary.c_str());
    return Answer(Status::Gone);
  }
  if (exchange && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
    reason = std::strerror(errno);
    unlink(temporary.c_str());
    return Answer(Status::Failed, reason);
  }
  if (exchange) {
    static std::atomic<bool> warned{false};
    if (!warned.exchange(true))
      fw_EditorLog(fw_LogWarning,
             "Timeline editor: the file system of <%s> cannot swap files; an edit is checked just before it is "
             "written, and a text editor's save in that instant may be overwritten.",
             target.c_str());
  }
  // Without the swap: the check as late as it can be, then the rename.
  std::string current;
  if (!ReadPath(target, &current)) {
    unlink(temporary.c_str());
    return Answer(Status::Gone);
  }
  if (current != base) {
    unlink(temporary.c_str());
    return Answer(Status::Changed, "", current);
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    reason = std::strerror(errno);
    unlink(temporary.c_str());
    return Answer(Status::Failed, reason);
  }
  return Answer(Status::Saved);
}
