// The real program with no display server: without DISPLAY and WAYLAND_DISPLAY, or with a display
// that cannot be opened, a capture of the real show renders offscreen through EGL and writes the
// very bytes that the same capture writes with the test's X display, while the show itself ends
// with its alert and code 20 instead of playing in a window nobody sees.
#include "process_runner.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = boost::filesystem;

const char kOffscreenLine[] = "no display: rendering offscreen through EGL";

// Two stretches of the show in different sections: the build (row 300) and the drop (row 800).
struct Span {
  const char* fromRow;
  int frames;
};
const Span kSpans[] = {{"300", 2}, {"800", 1}};

class HeadlessCapture : public ::testing::Test {
 protected:
  void TearDown() override {
    if (!std::getenv("DUSK_KEEP_CAPTURE")) fs::remove_all(mBase);  // set it to look at the frames
  }

  // Captures every span into out/<row>; env as RunningProcess takes it.
  void CaptureSpans(const fs::path& out, const std::vector<std::string>& env, bool offscreen) {
    for (const Span& span : kSpans) {
      RunningProcess dusk(DuskBinary(),
                          {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--render-scale",
                           "0.25", "--capture", (out / span.fromRow).string(), "--fps", "10", "--from-row",
                           span.fromRow, "--frames", std::to_string(span.frames)},
                          DuskProjectDirectory(), env);
      ProcessResult result = dusk.wait(280.0);  // generous: cold shader caches on a busy machine
      EXPECT_EQ(result.exitCode, 0) << result.output;
      EXPECT_EQ(result.output.find(kOffscreenLine) != std::string::npos, offscreen) << result.output;
    }
  }

  // The frames of a capture folder by name, with their bytes.
  static std::map<std::string, std::string> Frames(const fs::path& out) {
    std::map<std::string, std::string> frames;
    for (const Span& span : kSpans) {
      if (!fs::is_directory(out / span.fromRow)) continue;
      for (const fs::directory_entry& entry : fs::directory_iterator(out / span.fromRow)) {
        if (entry.path().extension() != ".png") continue;
        std::ifstream in(entry.path().string(), std::ios::binary);
        frames[std::string(span.fromRow) + "/" + entry.path().filename().string()] =
            std::string(std::istreambuf_iterator<char>(in), {});
      }
    }
    return frames;
  }

  fs::path mBase = fs::temp_directory_path() / fs::unique_path("headless-capture-%%%%%%");
};

}  // namespace

TEST_F(HeadlessCapture, FramesWithoutADisplayAreTheBytesOfTheCaptureWithOne) {
  ASSERT_TRUE(std::getenv("DISPLAY") && *std::getenv("DISPLAY")) << "run under xvfb-run: the windowed capture needs X";
  CaptureSpans(mBase / "windowed", {}, false);
  CaptureSpans(mBase / "unset", {"DISPLAY", "WAYLAND_DISPLAY"}, true);
  CaptureSpans(mBase / "refused", {"DISPLAY=:4999", "WAYLAND_DISPLAY"}, true);

  const std::map<std::string, std::string> windowed = Frames(mBase / "windowed");
  ASSERT_EQ(windowed.size(), 3u);
  for (const char* offscreen : {"unset", "refused"}) {
    const std::map<std::string, std::string> frames = Frames(mBase / offscreen);
    EXPECT_EQ(frames.size(), windowed.size()) << offscreen;
    for (const auto& [name, bytes] : windowed) {
      ASSERT_TRUE(frames.count(name)) << name << " is missing from the capture without a display (" << offscreen << ")";
      EXPECT_GT(bytes.size(), 1000u) << name;
      EXPECT_TRUE(frames.at(name) == bytes) << name << " differs between the captures with and without a display ("
                                            << offscreen << ")";
    }
  }
  // Different sections, different pictures: a blank or stuck frame on both sides would also agree.
  EXPECT_NE(windowed.begin()->second, windowed.rbegin()->second);
}

TEST(NoDisplay, TheShowWithADisplayThatCannotBeOpenedEndsWithItsAlertAndCode20) {
  RunningProcess dusk(DuskBinary(), {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo"},
                      DuskProjectDirectory(), {"DISPLAY=:4999", "WAYLAND_DISPLAY"});
  ProcessResult result = dusk.wait(120.0);
  EXPECT_EQ(result.exitCode, 20) << result.output;
  EXPECT_NE(result.output.find("no display for windows (the display :4999 cannot be opened)"), std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("amber over the hills: CreateWindow() failed"), std::string::npos) << result.output;
}
