// The real program on the software device: without --render-scale it times its first frames,
// picks a smaller render size and a number of motion-blur sub-frames, remakes its targets at that
// size and plays on; with the option it leaves the size alone. However it ends (Esc, SIGTERM), the
// log tells the frame times of each section it played.
#include "process_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

namespace {
bool haveDisplay() { return getenv("DISPLAY") && *getenv("DISPLAY"); }

const char* kChosen = "chosen for the software device";

// Escape, then the orderly shutdown: the remade targets are released with the rest.
ProcessResult QuitWithEscape(RunningProcess& dusk) {
  std::string window = FindXWindow("amber over the hills", 30.0, dusk.pid());
  EXPECT_FALSE(window.empty()) << dusk.output();
  if (!window.empty()) {
    EXPECT_TRUE(XKey(window, "Escape"));
  }
  return dusk.wait(120.0);
}
}  // namespace

TEST(AutoRenderScale, SoftwareDeviceChoosesASmallerSizeAndTheOptionOverridesIt) {
  ASSERT_TRUE(haveDisplay()) << "run under xvfb-run";
  const std::vector<std::string> args = {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo"};
  {
    RunningProcess dusk(DuskBinary(), args, DuskProjectDirectory());
    ASSERT_TRUE(dusk.waitForOutput(kChosen, 120.0)) << dusk.output();
    // Frames go on at the new size, and the program still ends in order.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(dusk.running()) << dusk.output();
    ProcessResult result = QuitWithEscape(dusk);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find(":  Closing application."), std::string::npos) << result.output;

    const std::string& out = result.output;
    const size_t line = out.find("Render scale ");
    ASSERT_NE(line, std::string::npos) << out;
    float scale = 0.0f;
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(out.c_str() + line, "Render scale %f (%d x %d,", &scale, &width, &height), 3) << out;
    EXPECT_GE(scale, 0.1f);
    EXPECT_LT(scale, 1.0f);
    // The logged scale has two decimals (a step of 0.05): 0.45 reads back as 0.4499999, whose
    // size truncated would be a pixel short.
    EXPECT_EQ(width, std::lround(1280 * static_cast<double>(scale)));
    EXPECT_EQ(height, std::lround(720 * static_cast<double>(scale)));
    int subFrames = 0;
    ASSERT_EQ(std::sscanf(out.c_str() + line, "Render scale %*f (%*d x %*d, scaled out to the window) and %d motion-blur",
                          &subFrames), 1) << out;
    EXPECT_TRUE(subFrames == 8 || subFrames == 4 || subFrames == 2) << subFrames;
    EXPECT_NE(out.find("a frame took ", line), std::string::npos) << out;
    EXPECT_NE(out.find("--render-scale F and --sub-frames N", line), std::string::npos) << out;
    // The frames it drew, by section: the show starts in its intro.
    EXPECT_NE(out.find("Frame times by section"), std::string::npos) << out;
    EXPECT_NE(out.find("intro (rows 0 to 255): "), std::string::npos) << out;
    // The window's targets were remade at the size the line names, the last size made.
    char made[96];
    std::snprintf(made, sizeof(made), "Creating extra backbuffer of dimensions (%d, %d).", width, height);
    const size_t remade = out.rfind("Creating extra backbuffer of dimensions");
    ASSERT_NE(remade, std::string::npos) << out;
    EXPECT_EQ(out.compare(remade, std::string(made).size(), made), 0) << out;
    EXPECT_EQ(out.find(":  Start loading resources.", out.find(":  Start loading resources.") + 1), std::string::npos)
        << "the show's resources are loaded once";
  }
  {
    std::vector<std::string> given = args;
    given.insert(given.end(), {"--render-scale", "0.25"});
    RunningProcess dusk(DuskBinary(), given, DuskProjectDirectory());
    ASSERT_TRUE(dusk.waitForOutput("Finished loading resources.", 60.0)) << dusk.output();
    // Far more frames at this size than the choice times before it decides.
    std::this_thread::sleep_for(std::chrono::seconds(5));
    ProcessResult result = QuitWithEscape(dusk);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output.find("Render scale "), std::string::npos) << result.output;
    const size_t made = result.output.find("Creating extra backbuffer of dimensions (320, 180).");
    EXPECT_NE(made, std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("Creating extra backbuffer", made + 1), std::string::npos) << result.output;
  }
}

// SIGTERM ends a playing show as Esc does: exit 0, the orderly shutdown, and a line for every
// section of the map, the intro's with the frames drawn at the sub-frames asked for.
TEST(AutoRenderScale, SigtermEndsThePlayingShowInOrderWithItsFrameTimes) {
  ASSERT_TRUE(haveDisplay()) << "run under xvfb-run";
  RunningProcess dusk(DuskBinary(),
                      {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--sub-frames", "2"},
                      DuskProjectDirectory());
  // The choice is made after a dozen drawn frames: by then the show is playing.
  ASSERT_TRUE(dusk.waitForOutput(kChosen, 120.0)) << dusk.output();
  ASSERT_EQ(kill(dusk.pid(), SIGTERM), 0);
  const ProcessResult result = dusk.wait(60.0);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  const std::string& out = result.output;
  EXPECT_NE(out.find("Stopping the show on SIGTERM."), std::string::npos) << out;
  EXPECT_NE(out.find(":  Closing application."), std::string::npos) << out;
  // --sub-frames N leaves the choice the scale alone.
  EXPECT_NE(out.find("and 2 motion-blur sub-frames chosen"), std::string::npos) << out;
  const size_t table = out.find("Frame times by section (");
  ASSERT_NE(table, std::string::npos) << out;
  for (const char* section : {"intro (rows 0 to 255): ", "build (rows 256 to 767): ", "drop (rows 768 to 1279): ",
                              "breakdown (rows 1280 to 1791): ", "second_drop (rows 1792 to 2559): ",
                              "outro (rows 2560 to 2815): "})
    EXPECT_NE(out.find(section, table), std::string::npos) << section << "\n" << out;
  int frames = 0;
  double median = 0.0, p95 = 0.0;
  ASSERT_EQ(std::sscanf(out.c_str() + out.find("intro (rows 0 to 255): ", table),
                        "intro (rows 0 to 255): %d frames, median %lf s (%*f frames a second), 95th percentile %lf s",
                        &frames, &median, &p95), 3) << out;
  EXPECT_GE(frames, 5);
  EXPECT_GT(median, 0.0);
  EXPECT_GE(p95, median);
  EXPECT_NE(out.find("sub-frames", out.find("intro (rows 0 to 255): ", table)), std::string::npos) << out;
}
