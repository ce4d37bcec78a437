// Whole-file writes through a temporary file and a rename (or a link), on POSIX.
#include <platform/file_write.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kMaxNewNames = 9999;  // stem_9999.ext: past that something else is wrong

// "dir/.name.<pid>.<n>.tmp": hidden, so patterns such as frame_*.png never match it, and unique
// per process, so two programs writing the same folder never share one.
std::string TemporaryName(const std::string& path, unsigned attempt) {
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char suffix[48];
  std::snprintf(suffix, sizeof(suffix), ".%ld.%u.tmp", static_cast<long>(getpid()), attempt);
  return dir + "." + name + suffix;
}

// Writes the bytes into a new temporary file beside path and closes it; `durable` also syncs
// them to the disk first. Returns 0 with *temporary named, or the errno of the first failure
// with nothing left behind.
int WriteTemporary(const std::string& path, const void* data, size_t size, bool durable, std::string* temporary) {
  int fd = -1;
  // A name left behind by an earlier process with the same id is skipped, never reused.
  for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    *temporary = TemporaryName(path, attempt);
    fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;

  const char* bytes = static_cast<const char*>(data);
  size_t done = 0;
  int error = 0;
  while (done < size) {
    const ssize_t n = write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that takes nothing without an error is a full device all the same.
      error = n < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (error == 0 && durable && fsync(fd) != 0) error = errno;
  // Network file systems report write errors as late as the close.
  if (close(fd) != 0 && error == 0) error = errno;
  if (error != 0) unlink(temporary->c_str());
  return error;
}

bool Fail(int error, std::string* reason) {
  if (reason) *reason = std::strerror(error);
  return false;
}

}  // namespace

namespace platform {

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* reason) {
  if (path.empty() || (!data && size > 0)) return Fail(EINVAL, reason);
  std::string temporary;
  if (const int error = WriteTemporary(path, data, size, false, &temporary)) return Fail(error, reason);
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return Fail(error, reason);
  }
  return true;
}

std::string WriteNewFile(const std::string& directory, const std::string& stem, const std::string& extension,
                         const void* data, size_t size, std::string* reason) {
  if (directory.empty() || stem.empty() || (!data && size > 0)) return Fail(EINVAL, reason), std::string();
  const std::string first = directory + "/" + stem + extension;
  std::string temporary;
  if (const int error = WriteTemporary(first, data, size, true, &temporary)) return Fail(error, reason), std::string();
  // link() fails rather than replace a file, which makes the choice of name safe against another
  // writer, and the name only ever shows a whole file.
  std::string path;
  int error = EEXIST;
  for (int number = 1; path.empty() && error == EEXIST && number <= kMaxNewNames; ++number) {
    const std::string candidate =
        number == 1 ? first : directory + "/" + stem + "_" + std::to_string(number) + extension;
    if (link(temporary.c_str(), candidate.c_str()) == 0)
      path = candidate;
    else
      error = errno;
  }
  unlink(temporary.c_str());
  if (path.empty()) Fail(error, reason);
  return path;
}

}  // namespace platform
