// Live mode in the real program: it starts at --from-row; files saved while the show runs change
// what it draws (track files, track sources, effects), bad ones (a track defined twice among the
// sources too) are named and leave the show running as it was; the transport keys move the row the title shows, the show's end holds instead
// of ending, and screenshots of one row keep every picture.
#include "core_prod.h"
#include "process_runner.h"
#include "sync/sync_Track.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = boost::filesystem;

// Saved as editors do: written beside the file, then renamed over it.
void Save(const fs::path& path, const std::string& text) {
  const fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".swp");
  std::ofstream(temporary.string(), std::ios::binary) << text;
  fs::rename(temporary, path);
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

double MeanOf(const fs::path& png) {
  int width = 0, height = 0, channels = 0;
  unsigned char* pixels = stbi_load(png.string().c_str(), &width, &height, &channels, 3);
  if (!pixels) return -1.0;
  double sum = 0;
  for (size_t i = 0; i < size_t(width) * height * 3; ++i) sum += pixels[i];
  stbi_image_free(pixels);
  return sum / (double(width) * height * 3);
}

// The production's data (linked) and shaders (copied, so the test may edit them), with a sync
// folder and a track-source folder of the test's own.
class LiveShow : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::StageProduction(mRoot);
    fs::create_directories(mRoot / "tracks");
  }
  void TearDown() override { fs::remove_all(mRoot); }

  // A screenshot (F12) of a frame drawn after whatever was just seen in the log: files are taken
  // at the start of a frame, the key at its end. The file is read as the log names it.
  double MeanOfNextScreenshot(RunningProcess& dusk, const std::string& window) {
    static const std::regex written("Screenshot <([^>]*)> written\\.");
    auto count = [&] {
      const std::string out = dusk.output();
      return std::distance(std::sregex_iterator(out.begin(), out.end(), written), std::sregex_iterator());
    };
    const auto before = count();
    if (!XKey(window, "F12")) return -1.0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (count() == before && dusk.running() && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string out = dusk.output();
    std::string path;
    for (std::sregex_iterator it(out.begin(), out.end(), written), stop; it != stop; ++it) path = (*it)[1];
    return count() > before ? MeanOf(path) : -1.0;
  }

  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("live-show-%%%%%%");
};

}  // namespace

TEST_F(LiveShow, StartsAtItsRowAndSavedTracksSourcesAndEffectsChangeTheShowAndBadOnesAreNamed) {
  RunningProcess dusk(std::string(DUSK_BIN_DIR) + "/dusk",
                      {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--render-scale", "0.25",
                       "--live", "--from-row", "800"},
                      mRoot.string());
  ASSERT_TRUE(dusk.waitForOutput("Live mode: starting at row 800.", 120.0)) << dusk.output();
  const std::string window = FindXWindow("amber over the hills.*", 60.0, dusk.pid());
  ASSERT_FALSE(window.empty()) << dusk.output();
  // Held in the drop, where it started (row 768 on, 28 seconds of it): every screenshot then
  // shows what the saved files make of the same picture.
  ASSERT_TRUE(XKey(window, "space"));
  std::string title;
  ASSERT_TRUE(WaitForXWindowName(window, "paused", 30, &title)) << title;
  std::smatch row;
  ASSERT_TRUE(std::regex_search(title, row, std::regex("row ([0-9]+) .* drop "))) << title;
  EXPECT_GE(std::stoi(row[1]), 800) << title;
  EXPECT_GT(MeanOfNextScreenshot(dusk, window), 25.0) << "a lit picture to begin with";

  // A track file: the fade goes to black.
  Save(mRoot / "data/sync/sync_Post_Fade.track", std::string("\x01\0\0\0\0\0\0\0\0\0\0\0\0", 13));
  ASSERT_TRUE(dusk.waitForOutput("Track Post_Fade reloaded", 60.0)) << dusk.output();
  EXPECT_LT(MeanOfNextScreenshot(dusk, window), 3.0);

  // A track source: compiled, taken, and its track file written for the next start.
  Save(mRoot / "tracks/post.txt", "track Post_Fade\n0 100 step\n");
  ASSERT_TRUE(dusk.waitForOutput("tracks/post.txt: 1 tracks compiled, 1 track file written.", 60.0)) << dusk.output();
  EXPECT_GT(MeanOfNextScreenshot(dusk, window), 25.0);
  sync::Track written;
  ASSERT_TRUE(written.load((mRoot / "data/sync/sync_Post_Fade.track").string()));
  EXPECT_EQ(written.getValue(0.0f), 100.0f);

  // A source with an error changes nothing and says where.
  Save(mRoot / "tracks/post.txt", "track Post_Fade\n0 zero\n");
  ASSERT_TRUE(dusk.waitForOutput("tracks/post.txt:2: ", 60.0)) << dusk.output();
  EXPECT_GT(MeanOfNextScreenshot(dusk, window), 25.0);
  // Nor does a track defined in a second source, as the track tool refuses it; the title says so
  // until the sources compile.
  Save(mRoot / "tracks/post.txt", "track Post_Fade\n0 100 step\n");
  Save(mRoot / "tracks/more.txt", "track Post_Fade\n0 0\n");
  // Named as the track tool names it: the first definition in name order is the one kept.
  ASSERT_TRUE(dusk.waitForOutput("tracks/post.txt:1: track Post_Fade is already defined at tracks/more.txt:1", 60.0))
      << dusk.output();
  EXPECT_TRUE(WaitForXWindowName(window, "already defined at tracks/more.txt:1 (nothing written)", 30, &title)) << title;
  EXPECT_EQ(fs::file_size(mRoot / "data/sync/sync_Post_Fade.track"), 13u);
  ASSERT_TRUE(written.load((mRoot / "data/sync/sync_Post_Fade.track").string()));
  EXPECT_EQ(written.getValue(0.0f), 100.0f);
  Save(mRoot / "tracks/more.txt", "track Post_Glow\n0 0\n");
  ASSERT_TRUE(dusk.waitForOutput("tracks/more.txt: 2 tracks compiled, 1 track file written.", 60.0)) << dusk.output();

  // An effect that does not compile: named with its line, the old one keeps drawing.
  const fs::path quads = mRoot / "src/shaders/mosaicQuads.fx";
  const std::string original = ReadAll(quads);
  const std::string line = "    return color;";  // the end of every pass's tile colour
  ASSERT_NE(original.find(line), std::string::npos);
  std::string broken = original, black = original;
  broken.replace(broken.find(line), line.size(), "    return noSuchValue;");
  black.replace(black.find(line), line.size(), "    return vec4(0.0, 0.0, 0.0, 1.0);");
  Save(quads, broken);
  ASSERT_TRUE(dusk.waitForOutput("did not build", 60.0)) << dusk.output();
  EXPECT_TRUE(std::regex_search(dusk.output(), std::regex("mosaicQuads\\.fx:[0-9]+: error"))) << dusk.output();
  EXPECT_TRUE(WaitForXWindowName(window, "noSuchValue", 30, &title)) << title;
  EXPECT_GT(MeanOfNextScreenshot(dusk, window), 25.0);
  EXPECT_TRUE(dusk.running());

  // Fixed, it is taken, and draws with the values its variables were given before: the mosaic's
  // tiles, which make the whole picture here, now come out black.
  Save(quads, black);
  ASSERT_TRUE(dusk.waitForOutput("mosaicQuads.fx> reloaded.", 60.0)) << dusk.output();
  EXPECT_LT(MeanOfNextScreenshot(dusk, window), 3.0);
  EXPECT_TRUE(dusk.running());
}

// With the timeline editor too, and a section map with a Latin-1 name past the show's end: the
// name is warned about and the editor starts.
TEST(LiveKeys, TheShowHoldsAtItsEndAndKeysMoveTheRowTheTitleShows) {
  core_test::TestProduction prod;
  const std::string sections =
      ReadAll(fs::path(DUSK_SOURCE_DIR) / "projects/dusk/data/eventide_palekestrel3.sections");
  std::ofstream((prod.root / "data/eventide_palekestrel3.sections").string(), std::ios::binary)
      << sections << "outr\xe9 100000 100100\n";
  ASSERT_TRUE(prod.WriteTrack("GotoRow", {{0, -1.0f, 0}, {12, 0.0f, 0}}));  // the end, 0.7 s in
  RunningProcess dusk(DuskBinary(),
                      {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--render-scale", "0.25",
                       "--live", "--editor", "0"},
                      prod.root.string());
  const std::string window = FindXWindow("amber over the hills.*", 60.0, dusk.pid());
  ASSERT_FALSE(window.empty()) << dusk.output();
  EXPECT_TRUE(dusk.waitForOutput("Timeline editor: http://127.0.0.1:", 60.0)) << dusk.output();
  EXPECT_NE(dusk.output().find(":" + std::to_string(std::count(sections.begin(), sections.end(), '\n') + 1) +
                               ": the section's name is not UTF-8; it is shown as \"outr\xef\xbf\xbd\"."),
            std::string::npos)
      << dusk.output();
  std::string title;

  // Held on the end's row, not ended.
  EXPECT_TRUE(WaitForXWindowName(
      window, "amber over the hills \xc2\xb7 row 12 \xc2\xb7 bar 1.2 \xc2\xb7 intro \xc2\xb7 ", 30, &title))
      << title;
  // The render scale and the motion-blur sub-frames the frames are drawn at follow the rate.
  EXPECT_TRUE(WaitForXWindowName(window, " fps \xc2\xb7 0.25 \xc3\x97 8 \xc2\xb7 paused", 30, &title)) << title;
  EXPECT_TRUE(dusk.running());

  struct Step {
    const char* key;
    const char* shows;
  };
  for (const Step& step : {Step{"Next", "row 256 \xc2\xb7 bar 9.1 \xc2\xb7 build"}, Step{"Right", "row 264 "},
                           Step{"shift+Right", "row 296 \xc2\xb7 bar 10.2 "}, Step{"Left", "row 288 "},
                           Step{"Prior", "row 256 "}, Step{"Prior", "row 0 "}, Step{"Next", "row 256 "},
                           Step{"Home", "row 0 \xc2\xb7 bar 1.1"}}) {
    ASSERT_TRUE(XKey(window, step.key));
    EXPECT_TRUE(WaitForXWindowName(window, step.shows, 30, &title)) << step.key << ": " << title;
  }
  // Space plays from row 0 up to the end again, where it holds.
  ASSERT_TRUE(XKey(window, "space"));
  EXPECT_TRUE(WaitForXWindowName(window, "row 12 ", 30, &title)) << title;
  EXPECT_TRUE(WaitForXWindowName(window, "paused", 30, &title)) << title;

  // Two shots of the held row keep both pictures.
  const fs::path shots = prod.root / "data/screenshots";
  ASSERT_TRUE(XKey(window, "F12"));
  ASSERT_TRUE(dusk.waitForOutput("row_00012.png> written.", 30.0)) << dusk.output();
  ASSERT_TRUE(XKey(window, "F12"));
  ASSERT_TRUE(dusk.waitForOutput("row_00012_2.png> written.", 30.0)) << dusk.output();
  EXPECT_GT(fs::file_size(shots / "row_00012.png"), 0u);
  EXPECT_GT(fs::file_size(shots / "row_00012_2.png"), 0u);

  ASSERT_TRUE(XKey(window, "Escape"));
  const ProcessResult result = dusk.wait(30.0);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("held at row 12"), std::string::npos) << result.output;
}
