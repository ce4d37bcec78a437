// Live mode compiles the show's real track sources as the track tool does: a save that defines a
// track twice (a text editor appending `track cam_Yaw` to post.txt) is refused with the tool's
// words, writes nothing, and says why in the log and the title; the next good save writes every
// track file whose bytes the sources no longer match, whichever source was saved.
#include "diag/fw_Alert.h"
#include "live/fw_Live.h"
#include "log_capture.h"
#include "res/fw_Paths.h"
#include "sync/fw_Sync.h"
#include "sync/sync_Compile.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fstream>
#include <iterator>
#include <map>

namespace {

namespace fs = boost::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void SaveByRename(const fs::path& path, const std::string& text) {
  const fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".swp");
  std::ofstream(temporary.string(), std::ios::binary) << text;
  fs::rename(temporary, path);
}

std::map<std::string, std::string> Files(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (fs::directory_iterator it(folder), end; it != end; ++it) files[it->path().filename().string()] = ReadAll(it->path());
  return files;
}

class LiveCompile : public ::testing::Test {
protected:
  // The production's own sources, compiled into data/sync as tracks/compile does.
  void SetUp() override {
    fs::create_directories(mRoot / "tracks");
    fs::create_directories(mRoot / "data/sync");
    for (fs::directory_iterator it(fs::path(DUSK_SOURCE_DIR) / "projects/dusk/tracks"), end; it != end; ++it)
      if (it->path().extension() == ".txt") fs::copy_file(it->path(), mRoot / "tracks" / it->path().filename());
    std::vector<std::string> errors;
    mCompiled = sync::compileSources(sync::readSources((mRoot / "tracks").string(), "tracks", errors), errors);
    ASSERT_TRUE(errors.empty()) << errors[0];
    for (const sync::SourceTrack& track : mCompiled)
      ASSERT_TRUE(sync::writeTrackFile(sync::trackFileName(Base(), track.name), track.track));
    fw_SetAlertMode(0);
    fw_SetRoots(mRoot.string(), mRoot.string());
    fw_StartSync(Base().c_str(), true);
    ASSERT_TRUE(fw_LiveStart(nullptr, "show", ""));
  }
  void TearDown() override {
    fw_LiveStop();
    fw_StopSync();
    fs::remove_all(mRoot);
  }
  std::string Base() const { return (mRoot / "data/sync/sync").string(); }
  void Save(const std::string& name, const std::string& text) {
    SaveByRename(mRoot / "tracks" / name, text);
    fw_LiveFileSaved((mRoot / "tracks" / name).string());
  }

  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("live-compile-%%%%%%");
  std::vector<sync::SourceTrack> mCompiled;
};

}  // namespace

TEST_F(LiveCompile, ATrackDefinedTwiceIsRefusedAsTheToolRefusesItAndTheNextGoodSaveWritesEveryTrack) {
  const fs::path yawFile = sync::trackFileName(Base(), "cam_Yaw");
  const std::map<std::string, std::string> compiled = Files(mRoot / "data/sync");
  ASSERT_GT(fs::file_size(yawFile), 13u);
  const float yaw = fw_SyncValueAt("cam_Yaw", -1.0f, 1500.0f);
  const std::string post = ReadAll(mRoot / "tracks/post.txt");

  LogCapture log;
  Save("post.txt", post + "\ntrack cam_Yaw\n0 1\n");
  const std::string refusal = fw_LiveSourceError();
  EXPECT_NE(refusal.find("tracks/post.txt:"), std::string::npos) << refusal;
  EXPECT_NE(refusal.find(": track cam_Yaw is already defined at tracks/camera.txt:"), std::string::npos) << refusal;
  EXPECT_NE(refusal.find("nothing written"), std::string::npos) << refusal;
  EXPECT_TRUE(log.contains("track cam_Yaw is already defined at tracks/camera.txt:", 1));
  EXPECT_EQ(Files(mRoot / "data/sync"), compiled);
  EXPECT_EQ(fw_SyncValueAt("cam_Yaw", -1.0f, 1500.0f), yaw);

  // As an earlier build's live mode left it: cut to the duplicate's one key. The duplicate goes,
  // and the save of post.txt puts back camera.txt's track too.
  std::ofstream(yawFile.string(), std::ios::binary) << std::string("\x01\0\0\0\0\0\0\0\0\0\x80\x3f\0", 13);
  Save("post.txt", post);
  EXPECT_EQ(fw_LiveSourceError(), "");
  EXPECT_EQ(Files(mRoot / "data/sync"), compiled);
  EXPECT_TRUE(log.contains("tracks/post.txt: " + std::to_string(mCompiled.size()) + " tracks compiled, 1 track file written."));
  EXPECT_EQ(fw_SyncValueAt("cam_Yaw", -1.0f, 1500.0f), yaw);
}

// A source whose name is not UTF-8 is not compiled (the page could not name it back), and says so.
TEST_F(LiveCompile, ASourceWhoseNameIsNotUtf8IsNotTaken) {
  const std::map<std::string, std::string> compiled = Files(mRoot / "data/sync");
  LogCapture log;
  Save("caf\xe9.txt", "track Post_Fade\n0 0\n");
  EXPECT_TRUE(log.contains("tracks/caf\xef\xbf\xbd.txt is not taken", 1));
  EXPECT_EQ(Files(mRoot / "data/sync"), compiled);
  // Nor when another source is saved: every tool leaves it out alike.
  Save("post.txt", ReadAll(mRoot / "tracks/post.txt"));
  EXPECT_EQ(fw_LiveSourceError(), "");
  EXPECT_EQ(Files(mRoot / "data/sync"), compiled);
}
