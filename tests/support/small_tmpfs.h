// Test support: a small tmpfs mounted on a fresh folder for the length of a test, so that a real
// file system fills up under the program. Mounting needs root (CI runs as root); where it is not
// allowed, mounted() is false and reason() says why, for the test's skip message.
#pragma once

#include <boost/filesystem.hpp>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace core_test {

class SmallTmpfs {
 public:
  explicit SmallTmpfs(unsigned kilobytes) {
    boost::filesystem::create_directories(mPath);
    const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0755";
    if (mount("tmpfs", mPath.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0)
      mMounted = true;
    else
      mReason = std::string("cannot mount a tmpfs (") + std::strerror(errno) + "); this test needs root";
  }
  // Unmounted in every case; lazily when something still holds it, so the folder always goes.
  ~SmallTmpfs() {
    if (mMounted && umount(mPath.c_str()) != 0) umount2(mPath.c_str(), MNT_DETACH);
    boost::system::error_code error;
    boost::filesystem::remove_all(mPath, error);
  }
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;

  bool mounted() const { return mMounted; }
  const std::string& reason() const { return mReason; }
  const boost::filesystem::path& path() const { return mPath; }

 private:
  boost::filesystem::path mPath =
      boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("dusk-tmpfs-%%%%%%");
  bool mMounted = false;
  std::string mReason;
};

}  // namespace core_test
