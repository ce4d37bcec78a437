// Whole-file writes through a temporary file and a rename, on POSIX.
#include <platform/file_write.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

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

bool Fail(int error, const std::string& temporary, std::string* reason) {
  if (!temporary.empty()) unlink(temporary.c_str());
  if (reason) *reason = std::strerror(error);
  return false;
}

}  // namespace

namespace platform {

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* reason) {
  if (path.empty() || (!data && size > 0)) return Fail(EINVAL, std::string(), reason);
  std::string temporary;
  int fd = -1;
  // A name left behind by an earlier process with the same id is skipped, never reused.
  for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = TemporaryName(path, attempt);
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return Fail(errno, std::string(), reason);
  }
  if (fd < 0) return Fail(EEXIST, std::string(), reason);

  const char* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that takes nothing without an error is a full device all the same.
      const int error = n < 0 ? errno : ENOSPC;
      close(fd);
      return Fail(error, temporary, reason);
    }
    done += static_cast<size_t>(n);
  }
  // Network file systems report write errors as late as the close.
  if (close(fd) != 0) return Fail(errno, temporary, reason);
  if (rename(temporary.c_str(), path.c_str()) != 0) return Fail(errno, temporary, reason);
  return true;
}

}  // namespace platform
