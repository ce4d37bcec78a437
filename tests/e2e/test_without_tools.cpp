// A show built without the development tools (tests/programs/dusk_without_tools.cpp, linked
// without dusk_tools): it starts as dusk does, refuses the tools' options as unknown with exit
// code 2, and carries none of their code.
#include "process_runner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Program() { return std::string(DUSK_BIN_DIR) + "/dusk_without_tools"; }

}  // namespace

TEST(WithoutTools, TheToolsOptionsAreUnknownAndTheUsageDoesNotOfferThem) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--capture", "/tmp/dusk-never-written", "--frames", "3"}, {"--live"}, {"--no-dialog", "--fps", "30"}}) {
    const ProcessResult result = RunningProcess(Program(), args, DuskProjectDirectory(), {"DISPLAY"}).wait(30.0);
    EXPECT_EQ(result.exitCode, 2) << result.output;
    const std::string option = args[0] == "--no-dialog" ? args[1] : args[0];
    EXPECT_NE(result.output.find("dusk: unknown option \"" + option + "\""), std::string::npos) << result.output;
  }
  const ProcessResult help = RunningProcess(Program(), {"--help"}, DuskProjectDirectory()).wait(30.0);
  EXPECT_EQ(help.exitCode, 0) << help.output;
  EXPECT_NE(help.output.find("usage: dusk [--no-dialog]"), std::string::npos) << help.output;
  for (const char* tool : {"--live", "--capture", "--editor"})
    EXPECT_EQ(help.output.find(tool), std::string::npos) << tool << " offered:\n" << help.output;
  const ProcessResult version = RunningProcess(Program(), {"--version"}, DuskProjectDirectory()).wait(30.0);
  EXPECT_EQ(version.output, "dusk without-tools\n");
}

// Without a display the start-up runs the entry as far as the window, which fails as dusk's does.
TEST(WithoutTools, TheEntryRunsAsTheShowsDoes) {
  const ProcessResult result = RunningProcess(Program(), {"--no-dialog", "--mute", "--alerts", "console", "--echo"},
                                              DuskProjectDirectory(), {"DISPLAY", "WAYLAND_DISPLAY"})
                                   .wait(120.0);
  EXPECT_EQ(result.exitCode, 20) << result.output;
  EXPECT_NE(result.output.find(":  Starting application."), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("amber over the hills: CreateWindow() failed"), std::string::npos) << result.output;
}

// The linker left the tools out: none of their messages is in the program.
TEST(WithoutTools, TheProgramCarriesNoneOfTheToolsCode) {
  std::ifstream in(Program(), std::ios::binary);
  ASSERT_TRUE(in) << Program();
  const std::string binary{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(binary.find("Starting application."), std::string::npos) << "the reading found the show's own texts";
  for (const char* text : {"Capture: writing frames", "Live mode: watching", "Timeline editor: "})
    EXPECT_EQ(binary.find(text), std::string::npos) << text;
}
