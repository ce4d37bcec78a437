// The show's choreography as shipped: the committed track files are what the sources in
// projects/dusk/tracks compile to, every track the program reads is there and no misspelt one,
// "GotoRow" ends the show exactly at the soundtrack's last row, and the real program, captured
// near the end, ends by itself with exit code 0 at that row.
#include "core_prod.h"
#include "process_runner.h"
#include "sync/sync_Track.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = boost::filesystem;

const fs::path kProject = fs::path(DUSK_SOURCE_DIR) / "projects/dusk";
const fs::path kSync = kProject / "data/sync";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Track name -> file contents, for every sync_NAME.track in a folder.
std::map<std::string, std::string> TrackFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (fs::directory_iterator it(folder), end; it != end; ++it) {
    const std::string name = it->path().filename().string();
    if (name.size() > 11 && name.compare(0, 5, "sync_") == 0 && fs::extension(it->path()) == ".track")
      files[name.substr(5, name.size() - 11)] = ReadFile(it->path());
  }
  return files;
}

// Every track the frame tick, the orbit camera, the post chain and the Demo scene read.
std::set<std::string> TracksTheProgramReads() {
  std::set<std::string> names{"GotoRow", "Scene",
                              "cam_LookAtX", "cam_LookAtY", "cam_LookAtZ", "cam_Yaw", "cam_Pitch", "cam_Roll",
                              "cam_DistToLookAt", "cam_OffsetX", "cam_OffsetY", "cam_Shake",
                              "Post_Bloom", "Post_BloomCutoff", "Post_Fade", "Post_FadeShake", "Post_RedExp",
                              "Post_GreenExp", "Post_BlueExp", "Post_Scale", "Post_ChromaDistort", "Post_Glitch",
                              "Post_GlitchOffset", "Post_Noise",
                              "3_i", "2_i", "4_i", "timeDelay", "heroX", "heroY", "heroZ", "heroRnd", "bgScroll",
                              "bgHeightFade", "leafsRnd", "leafsScale", "leafsNum",
                              "meshRotation", "meshX", "meshY", "meshZ", "meshShading", "meshLightDir_A",
                              "meshLightDir_B", "meshWireGlitch", "meshWireShow", "meshDistort_scale",
                              "meshDistort_alpha", "meshRandSeed"};
  for (const char* layer : {"1", "2", "3", "4"})
    for (const char* part : {"Drift", "Glitch", "Spread", "Zoom", "DepthMess", "QuadScaleX", "QuadScaleY", "NumQuads"})
      names.insert(std::string(layer) + "_" + part);
  return names;
}

// The soundtrack's sections: name -> (first row, last row).
std::map<std::string, std::pair<int, int>> Sections() {
  std::map<std::string, std::pair<int, int>> sections;
  std::istringstream in(ReadFile(kProject / "data/eventide_palekestrel3.sections"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    int first = -1, last = -1;
    if (fields >> name >> first >> last) sections[name] = {first, last};
  }
  return sections;
}

int LastRowOfTheShow() {
  int last = -1;
  for (const auto& section : Sections()) last = std::max(last, section.second.second);
  return last;
}

sync::Track LoadTrack(const std::string& name) {
  sync::Track track(name);
  track.load(sync::trackFileName((kSync / "sync").string(), name));
  return track;
}

TEST(ShowTracks, CommittedFilesAreWhatTheSourcesCompileTo) {
  const fs::path out = fs::temp_directory_path() / fs::unique_path("show-tracks-%%%%%%");
  fs::create_directories(out);
  std::vector<std::string> args{"compile"};
  for (fs::directory_iterator it(kProject / "tracks"), end; it != end; ++it)
    if (fs::extension(it->path()) == ".txt") args.push_back(it->path().string());
  ASSERT_GT(args.size(), 1u) << "no track sources";
  args.insert(args.end(), {"-o", out.string(), "--prefix", "sync"});
  RunningProcess compile(std::string(DUSK_BIN_DIR) + "/dusk-track", args, kProject.string());
  const ProcessResult result = compile.wait(60);
  ASSERT_EQ(result.exitCode, 0) << result.output;

  const auto compiled = TrackFiles(out);
  const auto committed = TrackFiles(kSync);
  fs::remove_all(out);
  for (const auto& track : compiled) {
    auto it = committed.find(track.first);
    ASSERT_NE(it, committed.end()) << track.first << " is not committed: run projects/dusk/tracks/compile";
    EXPECT_EQ(it->second, track.second) << track.first << " is stale: run projects/dusk/tracks/compile";
  }
  for (const auto& track : committed)
    EXPECT_TRUE(compiled.count(track.first)) << track.first << " has no source any more";
}

TEST(ShowTracks, EveryTrackTheProgramReadsHasKeysAndNoOtherNameIsShipped) {
  const std::set<std::string> read = TracksTheProgramReads();
  const auto committed = TrackFiles(kSync);
  for (const std::string& name : read) {
    EXPECT_TRUE(committed.count(name)) << "no file for " << name;
    EXPECT_FALSE(LoadTrack(name).isEmpty()) << name << " has no keys";
  }
  // A misspelt name would leave the program on its default without a word.
  for (const auto& track : committed) EXPECT_TRUE(read.count(track.first)) << track.first << " is read by nothing";
}

TEST(ShowTracks, GotoRowEndsTheShowAtTheSoundtracksLastRowAndNeverJumps) {
  const int last = LastRowOfTheShow();
  ASSERT_EQ(last, 2815);
  const sync::Track gotoRow = LoadTrack("GotoRow");
  ASSERT_FALSE(gotoRow.isEmpty());
  for (int row = 0; row < last; ++row)
    for (float part : {0.0f, 0.5f, 0.99f}) {
      const float v = gotoRow.getValue(static_cast<float>(row) + part);
      ASSERT_LT(v, 0.0f) << "GotoRow at row " << row + part << " is " << v;
    }
  EXPECT_EQ(gotoRow.getValue(static_cast<float>(last)), 0.0f);
  EXPECT_EQ(gotoRow.getValue(static_cast<float>(last) + 0.5f), 0.0f);
  // Scene 0 all along: the production has one scene.
  const sync::Track scene = LoadTrack("Scene");
  for (int row = 0; row <= last; row += 8) EXPECT_EQ(scene.getValue(static_cast<float>(row)), 0.0f) << row;
}

TEST(ShowTracks, TheShowIsLitFromItsFirstSecondsToItsFadeOut) {
  // Out of black in the intro, lit in every section, dark again at the end: a broken fade would
  // blank whole sections of the show.
  const sync::Track fade = LoadTrack("Post_Fade");
  EXPECT_EQ(fade.getValue(0.0f), 0.0f);
  for (const auto& section : Sections()) {
    const int middle = (section.second.first + section.second.second) / 2;
    EXPECT_GE(fade.getValue(static_cast<float>(middle)), 80.0f) << section.first;
  }
  EXPECT_EQ(fade.getValue(static_cast<float>(LastRowOfTheShow())), 0.0f);
}

TEST(Show, EndsByItselfWithExitCodeZeroAtTheLastRow) {
  const fs::path dir = fs::temp_directory_path() / fs::unique_path("show-end-%%%%%%");
  // 10 frames a second are 1.7333334 rows a frame: from row 2806 the frames are 1619 to 1624 of
  // the show, at rows 2806.1 ... 2814.9 (six of them); the next tick reaches row 2816.7, past the
  // key at 2815, and ends the process before it presents.
  RunningProcess run(DuskBinary(),
                     {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--render-scale",
                      "0.125", "--capture", dir.string(), "--fps", "10", "--from-row", "2806"},
                     DuskProjectDirectory());
  const ProcessResult result = run.wait(240);
  ASSERT_NE(result.exitCode, -1000) << "the show did not end by itself\n" << result.output;
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(core_test::FrameNumbers(dir), (std::vector<int>{1619, 1620, 1621, 1622, 1623, 1624})) << result.output;
  EXPECT_EQ(result.output.find("Closing application."), std::string::npos) << result.output;
  fs::remove_all(dir);
}

}  // namespace
