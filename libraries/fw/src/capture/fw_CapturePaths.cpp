// Capture paths, checked before the first frame.
#include "capture/fw_CapturePaths.h"

#include "capture/fw_CaptureNames.h"

#include <platform/file_write.h>

#include <boost/filesystem.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace fs = boost::filesystem;

bool fw_PrepareCapturePaths(const fw_CaptureSettings& settings, std::string* path, std::string* reason) {
  const std::string& folder = settings.directory;
  boost::system::error_code error;
  *path = folder;
  if (fs::exists(folder, error) && !fs::is_directory(folder, error)) {
    *reason = "it is a file, not a folder";
    return false;
  }
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder, error)) {
    *reason = error ? error.message() : std::string("the folder could not be made");
    return false;
  }
  if (!settings.videoFile.empty()) {
    *path = settings.videoFile;
    if (fs::is_directory(settings.videoFile, error)) {
      *reason = "it is a folder, not a file";
      return false;
    }
    const size_t slash = settings.videoFile.find_last_of('/');
    const size_t nameBytes = settings.videoFile.size() - (slash == std::string::npos ? 0 : slash + 1);
    if (nameBytes > fw_kCaptureNameMax) {
      *reason = std::strerror(ENAMETOOLONG);
      return false;
    }
  }
  // A read-only mount, a folder of someone else's: only a write says so for certain (root passes
  // every permission check, but not a read-only file system).
  const std::string check = platform::WriteNewFile(folder, ".dusk-capture-check", "", "", 0, reason);
  if (check.empty()) {
    *path = settings.videoFile.empty() ? folder : settings.videoFile;
    return false;
  }
  std::remove(check.c_str());
  return true;
}
