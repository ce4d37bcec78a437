// Screenshots: encoded in memory, written to a temporary file, checked, then linked under the
// first free name. link() fails rather than replace a file, which makes the choice of name safe
// against another writer, and the name only ever shows a whole file.
#include "live/fw_Screenshot.h"

#include "diag/fw_Log.h"

#include <platform/d3dx10tex.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kMaxNames = 9999;  // row_01412_9999.png: past that something else is wrong

std::string Reason(int error) { return std::strerror(error); }

// Writes every byte and makes it durable; false with errno set.
bool WriteAll(int fd, const unsigned char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t wrote = write(fd, bytes, size);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += wrote;
    size -= static_cast<size_t>(wrote);
  }
  return fsync(fd) == 0;
}

}  // namespace

std::string fw_WriteNewFile(const std::string& directory, const std::string& stem, const std::string& extension,
                            const void* bytes, size_t size, std::string* reason) {
  // The temporary name is hidden and claimed with O_EXCL, so no other file is touched either.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = directory + "/." + stem + extension + "." + std::to_string(getpid()) + "." + std::to_string(attempt);
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *reason = Reason(errno);
    return "";
  }
  int error = WriteAll(fd, static_cast<const unsigned char*>(bytes), size) ? 0 : errno;
  if (close(fd) != 0 && error == 0) error = errno;
  std::string path;
  for (int number = 1; error == 0 && number <= kMaxNames; ++number) {
    const std::string candidate =
        directory + "/" + stem + (number == 1 ? "" : "_" + std::to_string(number)) + extension;
    if (link(temporary.c_str(), candidate.c_str()) == 0) {
      path = candidate;
      break;
    }
    if (errno != EEXIST) error = errno;
  }
  if (error == 0 && path.empty()) error = EEXIST;
  unlink(temporary.c_str());
  if (error != 0) *reason = Reason(error);
  return path;
}

std::string fw_SaveScreenshot(ID3D10Texture2D* texture, const std::string& directory, int row) {
  char stem[32];
  std::snprintf(stem, sizeof(stem), "row_%05d", row);
  mkdir(directory.c_str(), 0777);  // made at start; made again if someone tidied it away since
  ID3D10Blob* png = nullptr;
  std::string path, reason = "the picture could not be read back";
  if (texture && SUCCEEDED(D3DX10SaveTextureToMemory(texture, D3DX10_IFF_PNG, &png, 0)) && png)
    path = fw_WriteNewFile(directory, stem, ".png", png->GetBufferPointer(), png->GetBufferSize(), &reason);
  if (png) png->Release();
  if (path.empty())
    fw_Log(fw_LogError, "Screenshot %s.png could not be written to <%s>: %s.", stem, directory.c_str(), reason.c_str());
  else
    fw_Log(fw_LogPlain, "Screenshot <%s> written.", path.c_str());
  return path;
}
