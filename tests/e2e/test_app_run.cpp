// The real dusk binary: a windowed run quit with Escape, the dialog's Exit, no display at all,
// and a log file that cannot be written.
#include "core_prod.h"
#include "process_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

bool haveDisplay() { return getenv("DISPLAY") && *getenv("DISPLAY"); }

}  // namespace

TEST(AppRun, WindowedRunOpens1280x720AndQuitsOnEscape) {
  ASSERT_TRUE(haveDisplay()) << "run under xvfb-run";
  RunningProcess dusk(DuskBinary(), {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo"},
                      DuskProjectDirectory());
  std::string window = FindXWindow("amber over the hills", 60.0, dusk.pid());
  ASSERT_FALSE(window.empty()) << dusk.output() << "\nthe X server's windows:\n" << DescribeXWindows();
  int width = 0, height = 0;
  ASSERT_TRUE(XWindowSize(window, &width, &height));
  EXPECT_EQ(width, 1280);
  EXPECT_EQ(height, 720);
  // Frames are running: the program is still up a moment later.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(dusk.running()) << dusk.output();
  ASSERT_TRUE(XKey(window, "Escape"));
  ProcessResult result = dusk.wait(120.0);  // generous: a cold shader cache on a busy machine
  EXPECT_EQ(result.exitCode, 0) << result.output;
  auto starting = result.output.find(":  Starting application.");
  auto closing = result.output.find(":  Closing application.");
  EXPECT_NE(starting, std::string::npos) << result.output;
  EXPECT_NE(closing, std::string::npos) << result.output;
  EXPECT_LT(starting, closing);
}

TEST(AppRun, DialogExitEndsWithZeroBeforeAnyWindow) {
  ASSERT_TRUE(haveDisplay()) << "run under xvfb-run";
  RunningProcess dusk(DuskBinary(), {"--mute", "--alerts", "console", "--echo"}, DuskProjectDirectory());
  std::string dialog = FindXWindow("Basalt", 20.0, dusk.pid());
  ASSERT_FALSE(dialog.empty()) << dusk.output();
  ASSERT_TRUE(XKey(dialog, "Escape"));  // Escape is the dialog's Exit
  ProcessResult result = dusk.wait(120.0);  // generous: a cold shader cache on a busy machine
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Starting application."), std::string::npos);
  EXPECT_EQ(result.output.find("Closing application."), std::string::npos);
  EXPECT_TRUE(FindXWindow("amber over the hills", 0.2).empty());
}

TEST(AppRun, WithoutADisplayAlertsGoToTheConsoleAndTheExitIsClean) {
  RunningProcess dusk(DuskBinary(), {"--mute", "--echo"}, DuskProjectDirectory(), {"DISPLAY", "WAYLAND_DISPLAY"});
  ProcessResult result = dusk.wait(120.0);  // generous: a cold shader cache on a busy machine
  EXPECT_EQ(result.exitCode, 20) << result.output;  // failed initialisation: no window
  EXPECT_NE(result.output.find("[dialog] \"Basalt\": no display"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("[message box] amber over the hills: CreateWindow() failed"), std::string::npos)
      << result.output;
}

TEST(AppRun, UnwritableLogFileIsReportedAndLoggingGoesOn) {
  RunningProcess dusk(DuskBinary(), {"--no-dialog", "--alerts", "console", "--echo", "--log", "/nonexistent-dir/dusk.log"},
                      DuskProjectDirectory(), {"DISPLAY", "WAYLAND_DISPLAY"});
  ProcessResult result = dusk.wait(120.0);  // generous: a cold shader cache on a busy machine
  auto alert = result.output.find("Alert: Could not open log file \"/nonexistent-dir/dusk.log\" for writing.");
  auto starting = result.output.find(":  Starting application.");
  EXPECT_NE(alert, std::string::npos) << result.output;
  EXPECT_NE(starting, std::string::npos) << result.output;
  EXPECT_LT(alert, starting);
  EXPECT_NE(result.output.find("amber over the hills: CreateWindow() failed"), std::string::npos) << result.output;
}

TEST(AppRun, BadOptionsAreNamed) {
  // Live mode holds the show's end, so a capture under it would write the last frame for ever.
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--alerts", "loud"}, "--alerts takes box, console or off"},
      {{"--live", "--capture", "/tmp/dusk-never-written", "--frames", "3"}, "--live and --capture do not go together"}};
  for (const auto& [args, message] : cases) {
    RunningProcess dusk(DuskBinary(), args, DuskProjectDirectory(), {"DISPLAY"});
    ProcessResult result = dusk.wait(10.0);
    EXPECT_EQ(result.exitCode, 2) << result.output;
    EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
  }
  EXPECT_FALSE(boost::filesystem::exists("/tmp/dusk-never-written"));
}

// A start-up step that fails ends the program with 20 and one alert; nothing runs on without
// its shaders or its data.
TEST(AppRun, FailedStartupStepsEndWithTwentyAndOneAlert) {
  ASSERT_TRUE(haveDisplay()) << "run under xvfb-run";
  auto count = [](const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  // The effect pool, and the post-effects chain's effect through which every frame is shown: the
  // compiled file it asked for is named (the loader's next guess, ".fxoo", is not), with how it is made.
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"fw_Globals.fxi"}, "Could not create the effect pool"},
      {{"fw_PostEffects.fx", "fw_PostEffects.fxo"},
       "Could not load the post-effects chain's effect: <{root}/src/shaders/fw_PostEffects.fxo> does not exist.  The "
       "build writes it (the effect compiler dusk-effect makes it from fw_PostEffects.fx).\n"}};
  for (const auto& [removed, expected] : cases) {
    core_test::TestProduction production;
    std::string message = expected;
    if (message.find("{root}") != std::string::npos)
      message.replace(message.find("{root}"), 6, production.root.string());
    for (const std::string& name : removed) boost::filesystem::remove(production.root / "src/shaders" / name);
    const auto start = std::chrono::steady_clock::now();
    // With sound: the music player is up before the resources fail, and a machine without a
    // sound card says so in the program's own log line, not in the sound library's.
    core_test::RunResult result = production.Run(
        {"--no-dialog", "--windowed", "--alerts", "console", "--echo", "--render-scale", "0.25"}, 60);
    EXPECT_EQ(result.exitCode, 20) << result.output;
    EXPECT_EQ(result.output.find("ALSA lib"), std::string::npos) << result.output;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(count(result.output, "\namber over the hills: " + message), 1u) << result.output;
    EXPECT_EQ(result.output.find("Finished loading resources."), std::string::npos) << result.output;
  }
  {
    // No echo, file or listener: the log's own alert is the one alert.
    const boost::filesystem::path empty =
        boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("dusk-empty-%%%%%%");
    boost::filesystem::create_directories(empty);
    RunningProcess dusk(DuskBinary(), {"--no-dialog", "--windowed", "--mute", "--alerts", "console"}, empty.string());
    ProcessResult result = dusk.wait(30.0);
    EXPECT_EQ(result.exitCode, 20) << result.output;
    EXPECT_EQ(count(result.output, "Could not find the project root"), 1u) << result.output;
    EXPECT_TRUE(FindXWindow("amber over the hills", 0.2).empty());
    boost::filesystem::remove_all(empty);
  }
}
