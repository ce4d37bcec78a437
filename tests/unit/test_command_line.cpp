// The program's command line as fw_Main reads it with the development tools added: their options
// beside the start-up presets, the modes they set, what is refused and with which message, and
// the usage text, which is the program's own words.
#include "app/fw_ReadCommandLine.h"
#include "capture/fw_CaptureOptions.h"
#include "tools/fw_ToolOptions.h"
#include "tools/fw_Tools.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Reads the arguments as a fresh process would: empty records, the tools added.
fw_CommandLineAction Read(std::vector<const char*> args, std::string* error) {
  fw_UseTools();
  fw_GetStartupOptions() = fw_StartupOptions{};
  fw_GetCaptureSettings() = fw_CaptureSettings{};
  fw_GetToolOptions() = fw_ToolOptions{};
  args.insert(args.begin(), "dusk");
  return fw_ReadCommandLine(static_cast<int>(args.size()), args.data(), error);
}

}  // namespace

TEST(CommandLine, ToolOptionsAreReadBesideThePresetsAndSetTheFrameworksModes) {
  std::string error;
  ASSERT_EQ(Read({"--no-dialog", "--capture", "/tmp/out", "--fps", "30", "--mute", "--frames", "5"}, &error),
            fw_CommandLineAction::Run)
      << error;
  EXPECT_TRUE(fw_GetStartupOptions().noDialog);
  EXPECT_TRUE(fw_GetStartupOptions().mute);
  EXPECT_TRUE(fw_GetStartupOptions().offline) << "a capture renders for files";
  EXPECT_FALSE(fw_GetStartupOptions().live);
  EXPECT_EQ(fw_GetCaptureSettings().directory, "/tmp/out");
  EXPECT_EQ(fw_GetCaptureSettings().fps, 30);
  EXPECT_EQ(fw_GetCaptureSettings().frames, 5);

  // --editor's port is optional: a following option is not taken for it.
  ASSERT_EQ(Read({"--live", "--editor", "--mute", "--from-row", "64"}, &error), fw_CommandLineAction::Run) << error;
  EXPECT_TRUE(fw_GetStartupOptions().live);
  EXPECT_FALSE(fw_GetStartupOptions().offline);
  EXPECT_TRUE(fw_GetStartupOptions().mute);
  EXPECT_EQ(fw_GetToolOptions().editorPort, kFwEditorDefaultPort);
  EXPECT_EQ(fw_GetCaptureSettings().fromRow, 64.0f);
  ASSERT_EQ(Read({"--editor", "0", "--live"}, &error), fw_CommandLineAction::Run) << error;
  EXPECT_EQ(fw_GetToolOptions().editorPort, 0);

  ASSERT_EQ(Read({}, &error), fw_CommandLineAction::Run) << error;
  EXPECT_FALSE(fw_GetStartupOptions().offline);
  EXPECT_FALSE(fw_GetToolOptions().editorPort);
}

TEST(CommandLine, RefusalsNameTheOption) {
  struct Case {
    std::vector<const char*> args;
    const char* message;
  } cases[] = {
      {{"--frobnicate"}, "unknown option \"--frobnicate\""},
      {{"--alerts", "loud"}, "--alerts takes box, console or off"},
      {{"--editor"}, "--editor edits the running show's tracks and needs --live"},
      {{"--live", "--editor", "65536"}, "--editor takes a port from 0 to 65535"},
      {{"--live", "--editor", "80x"}, "--editor takes a port"},
      {{"--live", "--capture", "/tmp/out", "--frames", "3"}, "--live and --capture do not go together"},
      {{"--fps", "0"}, "--fps"},
      {{"--capture"}, "--capture"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(Read(c.args, &error), fw_CommandLineAction::Refused) << c.message;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(CommandLine, HelpAndVersionAnswerUnlessAnOptionBeforeThemWasRefused) {
  std::string error;
  EXPECT_EQ(Read({"--mute", "--help"}, &error), fw_CommandLineAction::Help);
  EXPECT_EQ(Read({"-h", "--frobnicate"}, &error), fw_CommandLineAction::Help);
  EXPECT_EQ(Read({"--version", "--help"}, &error), fw_CommandLineAction::Version);
  EXPECT_EQ(Read({"--live", "--editor", "--version"}, &error), fw_CommandLineAction::Version)
      << "--version is no port";
  EXPECT_EQ(Read({"--fps", "x", "--help"}, &error), fw_CommandLineAction::Refused);
  EXPECT_NE(error.find("--fps"), std::string::npos) << error;
}

TEST(CommandLine, TheUsageIsThePrograms) {
  fw_UseTools();
  EXPECT_EQ(fw_StartupUsage("dusk"),
            "usage: dusk [--no-dialog] [--windowed | --fullscreen] [--mute] [--alerts box|console|off]\n"
            "            [--log FILE] [--echo] [--render-scale F] [--sub-frames N] [--gl-debug]\n"
            "            [--live [--from-row R] [--editor [PORT]]]\n"
            "            [--capture DIR | --capture-video FILE.mkv] [--fps N] [--from-row R] [--to-row R] [--frames N]\n"
            "            (a capture also takes --from-frame K instead of --from-row; --capture takes --frames-only)\n"
            "       dusk --help | --version\n"
            "       (--check with any of these: check them and end, 0 when a run would start)\n");
  // Another show's name, with the lines under it indented to match.
  const std::string other = fw_StartupUsage("my_show");
  EXPECT_EQ(other.rfind("usage: my_show [--no-dialog]", 0), 0u) << other;
  EXPECT_NE(other.find("\n               [--log FILE]"), std::string::npos) << other;
  EXPECT_NE(other.find("\n       my_show --help | --version\n"), std::string::npos) << other;
}
