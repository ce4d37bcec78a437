// The start-up summary text and the command-line presets.
#include "app/fw_ResourceSummary.h"
#include "app/fw_StartupOptions.h"

#include <gtest/gtest.h>

TEST(ResourceSummary, SingularAndPluralForms) {
  EXPECT_EQ(fw_ResourceSummaryText(1, "/tmp/dusk.log"),
            "WARNING: There were 1 issue found while loading resources, please look in: </tmp/dusk.log>\n"
            "for details about this issue and how to resolve it.");
  EXPECT_EQ(fw_ResourceSummaryText(2, ""),
            "WARNING: There were 2 issues found while loading resources, please look in: <>\n"
            "for details about these issues and how to resolve them.");
  std::string longPath(5000, 'p');
  EXPECT_NE(fw_ResourceSummaryText(3, longPath).find(longPath + ">"), std::string::npos);
}

namespace {
bool parse(std::vector<const char*> args, fw_StartupOptions* options, std::string* error) {
  args.insert(args.begin(), "dusk");
  return fw_ParseStartupOptions(static_cast<int>(args.size()), args.data(), options, error);
}
}  // namespace

TEST(StartupOptions, ReadsEveryPreset) {
  fw_StartupOptions o;
  std::string error;
  ASSERT_TRUE(parse({"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--log", "x.log", "--echo",
                     "--render-scale", "0.5", "--sub-frames", "4", "--gl-debug"},
                    &o, &error))
      << error;
  EXPECT_TRUE(o.noDialog);
  EXPECT_EQ(o.fullscreen, false);
  EXPECT_TRUE(o.mute);
  EXPECT_EQ(o.alertMode, 0);
  EXPECT_EQ(o.logFile, "x.log");
  EXPECT_TRUE(o.echo);
  EXPECT_EQ(o.renderScale, 0.5f);
  EXPECT_EQ(o.subFrames, 4);
  EXPECT_TRUE(o.glDebug);
  fw_StartupOptions p;
  ASSERT_TRUE(parse({"--fullscreen", "--alerts", "off"}, &p, &error));
  EXPECT_EQ(p.fullscreen, true);
  EXPECT_EQ(p.alertMode, 2);
  EXPECT_FALSE(p.noDialog);
  EXPECT_FALSE(p.glDebug);
  // The smallest scale the post chain can draw at, and --check, which only asks.
  fw_StartupOptions c;
  ASSERT_TRUE(parse({"--render-scale", "0.0889", "--check"}, &c, &error)) << error;
  EXPECT_TRUE(c.checkOnly);
  EXPECT_FALSE(p.checkOnly);
}

TEST(StartupOptions, BadInputIsNamed) {
  struct Case {
    std::vector<const char*> args;
    const char* mentions;
  } cases[] = {
      {{"--alerts", "loud"}, "--alerts"},   {{"--alerts"}, "--alerts needs a value"},
      {{"--render-scale", "0"}, "--render-scale"}, {{"--render-scale", "abc"}, "--render-scale"},
      {{"--render-scale", "nan"}, "--render-scale"}, {{"--log", ""}, "--log"},
      {{"--frobnicate"}, "--frobnicate"},
      // Below 64 pixels a side the post chain has no bloom levels to draw to.
      {{"--render-scale", "0.0001"}, "1 x 1; the post effects need at least 64 pixels a side"},
      {{"--render-scale", "0.0888"}, "a scale of at least 0.0889"},
      // A count of sub-frames is a whole number the frame can draw: none, nine, a half or a
      // number past long's range are refused, not clamped.
      {{"--sub-frames", "0"}, "--sub-frames takes a whole number from 1 to 8"}, {{"--sub-frames", "9"}, "not \"9\""},
      {{"--sub-frames", "2.5"}, "--sub-frames"}, {{"--sub-frames", "99999999999999999999"}, "--sub-frames"},
      {{"--sub-frames", ""}, "--sub-frames"}, {{"--sub-frames"}, "--sub-frames needs a value"},
      // The tools' options are theirs to read (tools/fw_ToolOptions.h): the presets do not know them.
      {{"--live"}, "unknown option \"--live\""}, {{"--capture", "x"}, "unknown option \"--capture\""},
  };
  for (auto& c : cases) {
    fw_StartupOptions o;
    std::string error;
    EXPECT_FALSE(parse(c.args, &o, &error)) << c.mentions;
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
  }
}
