// Capture mode in a fresh process each run (death-test re-execution): a window, the device, the
// framework's resources, a test scene whose picture follows Time, the frame tick and capture.
// Two runs with the same arguments must write byte-identical frames, and the frames must move.
#include "diag/fw_Alert.h"
#include "capture/fw_Capture.h"
#include "device/fw_Device.h"
#include "device/fw_DeviceState.h"
#include "frame/fw_FrameTick.h"
#include "res/fw_Paths.h"
#include "frame/fw_LoadResources.h"
#include "res/fw_Resources.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"
#include "tools/fw_Tools.h"

#include "core_fill_scene.h"
#include "core_gpu.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <platform/win32.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace fs = boost::filesystem;

namespace {
LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The whole run in this process; exits with 0 after the capture ended by its frame limit, with
// another code at the first thing that does not work.
void RunCapture(const std::string& directory, int frames) {
  fw_SetAlertMode(0);  // alerts on the console: nothing may wait for a click
  fw_UseTools();       // capture on the tick's and the present's hooks
  fw_SetRoots(core_test::FrameworkRoot(), core_test::TestProductionRoot());
  if (!SetCurrentDirectoryA(core_test::TestProductionRoot().c_str())) std::exit(11);

  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = Proc;
  windowClass.lpszClassName = "CaptureTestClass";
  RegisterClassExA(&windowClass);
  HWND window = CreateWindowExA(0, "CaptureTestClass", "capture", 0, 0, 0, 1280, 720, nullptr, nullptr, nullptr, nullptr);
  if (!window) std::exit(12);

  fw_CaptureSettings settings;
  settings.enabled = true;
  settings.directory = directory;
  settings.fps = 30;
  settings.frames = frames;
  if (!fw_CaptureInstall(settings, "")) std::exit(13);

  fw_DeviceSettings device;
  device.window = window;
  device.size.renderScale = 0.25f;  // 320 × 180, scaled out to the 1280 × 720 window
  if (FAILED(fw_CreateDeviceAndSwapChain(device))) std::exit(14);
  fw_StartSync((directory + "/no-tracks").c_str());
  fw_CreateClocks();

  auto owned = std::make_unique<core_test::FillScene>("capture.xml");
  core_test::FillScene& scene = *owned;
  fw_AddScene(std::move(owned));
  fw_GetFrameContext().device = device;
  if (FAILED(fw_LoadResources()) || scene.creates != 1) std::exit(15);

  fw_RestartClocks();
  MSG message{};
  int ticks = 0;
  while (message.message != WM_QUIT && ticks < frames + 10) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&message);
    } else {
      fw_FrameTick();
      ++ticks;
    }
  }
  if (message.message != WM_QUIT || message.wParam != 0) std::exit(16);
  fw_ReleaseDeviceResources(fw_ReleaseFrameworkResources);
  std::exit(scene.releases == 1 && scene.renders == frames ? 0 : 17);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(CaptureDeathTest, TwoRunsWriteIdenticalMovingFramesAndASoundtrack) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The death-test child runs this body again from the top: it finds the parent's directory in
  // the environment instead of making up a new one.
  if (!std::getenv("CORE_CAPTURE_BASE"))
    setenv("CORE_CAPTURE_BASE", (fs::temp_directory_path() / fs::unique_path("core-capture-%%%%%%")).c_str(), 1);
  const fs::path base = std::getenv("CORE_CAPTURE_BASE");
  const int frames = 8;
  EXPECT_EXIT(RunCapture((base / "a").string(), frames), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(RunCapture((base / "b").string(), frames), ::testing::ExitedWithCode(0), "");

  for (int i = 0; i < frames; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), "frame_%06d.png", i);
    const std::string a = ReadFile(base / "a" / name), b = ReadFile(base / "b" / name);
    ASSERT_FALSE(a.empty()) << name;
    EXPECT_EQ(a, b) << name << " differs between runs";
    // IHDR: the render size, not the window's.
    EXPECT_EQ(static_cast<unsigned char>(a[19]), 320 % 256);
    EXPECT_EQ(static_cast<unsigned char>(a[23]), 180);
  }
  EXPECT_FALSE(fs::exists(base / "a" / "frame_000008.png"));
  // Every written frame is drawn (the three warm-up ticks are not written); Time moves the fill.
  EXPECT_NE(ReadFile(base / "a" / "frame_000004.png"), ReadFile(base / "a" / "frame_000005.png"));
  EXPECT_NE(ReadFile(base / "a" / "frame_000000.png"), ReadFile(base / "a" / "frame_000001.png"));
  EXPECT_NE(ReadFile(base / "a" / "frame_000003.png"), ReadFile(base / "a" / "frame_000007.png"));

  // No soundtrack here: a silent WAV of exactly the captured length (8 frames at 30 fps).
  const std::string wav = ReadFile(base / "a" / "soundtrack.wav");
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(wav.size() - 44, static_cast<size_t>(44100 * 8 / 30) * 2 * 2);
  if (!std::getenv("CORE_KEEP_CAPTURE")) fs::remove_all(base);  // set it to look at the frames
}
