// Live mode's screenshots: shots of one row never replace each other or any other file, a
// failed write is an error with the system's reason, and nothing half written is left behind.
#include "diag/fw_Log.h"
#include "live/fw_Screenshot.h"
#include "res/fw_Texture.h"

#include <platform/file_write.h>

#include "core_gpu.h"
#include "core_recording.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = boost::filesystem;

struct Folder {
  Folder() { fs::create_directories(path); }
  ~Folder() { fs::remove_all(path); }
  std::set<std::string> names() const {
    std::set<std::string> found;
    for (fs::directory_iterator it(path), end; it != end; ++it) found.insert(it->path().filename().string());
    return found;
  }
  fs::path path = fs::temp_directory_path() / fs::unique_path("dusk-shots-%%%%%%");
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> Picture(uint8_t red) {
  std::vector<uint8_t> pixels(4 * 3 * 4, 255);
  for (size_t i = 0; i < pixels.size(); i += 4) pixels[i] = red;
  return pixels;
}

}  // namespace

TEST(LiveScreenshot, ShotsOfOneRowKeepEveryPictureAndEveryOtherFile) {
  core_test::RecordingDevice device;
  Folder folder;
  std::ofstream((folder.path / "row_01412_3.png").string()) << "someone's file";
  const std::vector<uint8_t> first = Picture(10), second = Picture(200);
  fw_Texture a(D3D10_BIND_RENDER_TARGET, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 3, 1, first.data());
  fw_Texture b(D3D10_BIND_RENDER_TARGET, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 3, 1, second.data());
  LogCapture log;

  const std::string dir = folder.path.string();
  EXPECT_EQ(fw_SaveScreenshot(a.mTexture2D, dir, 1412), dir + "/row_01412.png");
  EXPECT_EQ(fw_SaveScreenshot(b.mTexture2D, dir, 1412), dir + "/row_01412_2.png");
  EXPECT_EQ(fw_SaveScreenshot(b.mTexture2D, dir, 1412), dir + "/row_01412_4.png");  // _3 is taken
  EXPECT_TRUE(log.contains("Screenshot <" + dir + "/row_01412_2.png> written.", fw_LogPlain));

  EXPECT_EQ(folder.names(), (std::set<std::string>{"row_01412.png", "row_01412_2.png", "row_01412_3.png",
                                                   "row_01412_4.png"}));  // no temporary left
  EXPECT_EQ(ReadAll(folder.path / "row_01412_3.png"), "someone's file");
  std::unique_ptr<fw_Texture> shot(fw_Texture::LoadFromImageFile(dir + "/row_01412.png"));
  ASSERT_NE(shot->mTexture2D, nullptr);
  EXPECT_EQ(core_test::ReadPixels(shot->mTexture2D), first);
  shot.reset(fw_Texture::LoadFromImageFile(dir + "/row_01412_2.png"));
  ASSERT_NE(shot->mTexture2D, nullptr);
  EXPECT_EQ(core_test::ReadPixels(shot->mTexture2D), second);
}

TEST(LiveScreenshot, AFailedWriteIsAnErrorWithTheReasonAndLeavesNothing) {
  Folder folder;
  const std::string dir = folder.path.string();
  const std::string bytes(64 * 1024, 'x');

  // A file size limit fails the write part way, as a full disk does, and works as root too.
  rlimit was{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
  rlimit small = was;
  small.rlim_cur = 1000;
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string reason;
  const std::string path = platform::WriteNewFile(dir, "row_00001", ".png", bytes.data(), bytes.size(), &reason);
  setrlimit(RLIMIT_FSIZE, &was);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(path, "");
  EXPECT_EQ(reason, "File too large");
  EXPECT_TRUE(folder.names().empty());

  // The whole shot, into a folder that cannot be one: logged as an error, with the reason.
  core_test::RecordingDevice device;
  const std::vector<uint8_t> pixels = Picture(0);
  fw_Texture a(D3D10_BIND_RENDER_TARGET, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 3, 1, pixels.data());
  std::ofstream((folder.path / "file").string()) << "not a folder";
  LogCapture log;
  EXPECT_EQ(fw_SaveScreenshot(a.mTexture2D, dir + "/file", 7), "");
  EXPECT_TRUE(log.contains("Screenshot row_00007.png could not be written to <" + dir + "/file>: Not a directory.",
                           fw_LogError));
}
