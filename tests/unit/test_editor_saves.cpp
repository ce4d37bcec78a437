// The timeline editor's saves through its requests (no sockets), on real files: a text editor
// saving the same source in a loop never loses a save to an edit; a source keeps its mode and
// owner, a read-only one is refused and a linked one is written through to its target; an undo
// or a key moved back gives the file its bytes back; a value the source parser would refuse is
// refused with its reason; a track is never added where another source defines it; and sources
// named with spaces or letters of any script are listed and edited.
#include "editor/fw_EditorRequest.h"
#include "editor/fw_EditorSave.h"
#include "editor/fw_EditorTracks.h"
#include "log_capture.h"
#include "sync/sync_TrackSource.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <boost/filesystem.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

namespace {

namespace fs = boost::filesystem;
using nlohmann::json;

const std::string kToken = "0123456789abcdef0123456789abcdef";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::string& text) { std::ofstream(path.string(), std::ios::binary) << text; }

// Saved as text editors do: written beside the file, then renamed over it.
void SaveByRename(const fs::path& path, const std::string& text) {
  const fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".swp");
  WriteAll(temporary, text);
  fs::rename(temporary, path);
}

unsigned ModeOf(const fs::path& path) {
  struct stat status {};
  stat(path.c_str(), &status);
  return status.st_mode & 07777;
}

class EditorSaves : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(mRoot / "tracks");
    mSite.token = kToken;
    mSite.port = 7411;
    mSite.tracksDir = (mRoot / "tracks").string();
    mSite.pageDir = (mRoot / "editor").string();
  }
  void TearDown() override {
    fs::permissions(mRoot / "tracks", fs::owner_all);
    fs::remove_all(mRoot);
  }

  fw_EditorResponse Call(const std::string& method, const std::string& target, const std::string& body = "") {
    fw_EditorRequest request;
    request.method = method;
    request.target = target;
    request.host = "127.0.0.1:7411";
    request.tokenHeader = kToken;
    request.body = body;
    return fw_HandleEditorRequest(request, mSite);
  }
  // One edit of tracks/NAME.txt made on the file as it is now.
  fw_EditorResponse Edit(const std::string& name, const json& ops) {
    const std::string version = fw_EditorVersion(ReadAll(Source(name)));
    return Call("POST", "/api/edit", json{{"file", name}, {"version", version}, {"ops", ops}}.dump());
  }
  fs::path Source(const std::string& name) const { return mRoot / "tracks" / (name + ".txt"); }
  // The folder holds only these names (no temporary left behind).
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (fs::directory_iterator it(mRoot / "tracks"), end; it != end; ++it) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("editor-saves-%%%%%%");
  fw_EditorSite mSite;
};

json Key(uint32_t row, double value, const char* kind) { return json{{"row", row}, {"value", value}, {"kind", kind}}; }
json Set(const char* track, uint32_t row, const json& key) {
  return json{{"op", "set"}, {"track", track}, {"row", row}, {"key", key}};
}
json Add(const char* track, const json& key) { return json{{"op", "add"}, {"track", track}, {"key", key}}; }
json Delete(const char* track, uint32_t row) { return json{{"op", "delete"}, {"track", track}, {"row", row}}; }

}  // namespace

// A text editor saves by rename as fast as it can while the page edits the same file. Before each
// save it looks at what its last save left: a text made from an older save means that save was
// overwritten. An edit may show such a text for an instant, between its swap and the swap back,
// so a doubtful look is taken again with no edit under way.
TEST_F(EditorSaves, ATextEditorSavingInALoopNeverLosesASaveToAnEdit) {
  const fs::path file = Source("camera");
  const auto saved = [](int n) { return "# save " + std::to_string(n) + "\ntrack cam_Yaw\n0 1 linear\n64 2\n"; };
  const auto saveOf = [](const std::string& text) { return text.rfind("# save ", 0) == 0 ? std::atoi(text.c_str() + 7) : -1; };
  WriteAll(file, saved(0));

  constexpr int kSaves = 1000;
  std::mutex editing;  // held by the page over each whole edit
  std::atomic<bool> saving{true}, looking{false};
  int lost = 0;
  std::thread editor([&] {
    for (int n = 1; n <= kSaves; ++n) {
      if (saveOf(ReadAll(file)) < n - 1) {
        looking = true;  // the page lets go of the lock for it
        std::lock_guard<std::mutex> lock(editing);
        looking = false;
        if (saveOf(ReadAll(file)) < n - 1) ++lost;
      }
      SaveByRename(file, saved(n));
      // A few saves a millisecond, as an editor saving on every key would.
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    saving = false;
  });
  int written = 0, refused = 0, other = 0;
  for (int i = 0; saving; ++i) {
    while (looking) std::this_thread::yield();
    std::lock_guard<std::mutex> lock(editing);
    const fw_EditorResponse response = Edit("camera", json::array({Set("cam_Yaw", 64, Key(64, i, "linear"))}));
    if (response.status == 200) ++written;
    else if (response.status == 409) ++refused;
    else ++other;
  }
  editor.join();
  std::printf("%d saves by rename, %d edits written, %d refused as stale, %d saves lost\n", kSaves, written, refused,
              lost);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(other, 0);
  EXPECT_GT(written + refused, 0);
  EXPECT_EQ(Entries(), std::vector<std::string>{"camera.txt"});
}

TEST_F(EditorSaves, ASourceKeepsItsModeAndOwnerAndAReadOnlyOneIsRefused) {
  const std::string text = "track a\n0 1\n";
  const json add = json::array({Add("a", Key(8, 2, "step"))});
  WriteAll(Source("private"), text);
  fs::permissions(Source("private"), fs::owner_read | fs::owner_write);
  if (getuid() == 0) {
    ASSERT_EQ(chown(Source("private").c_str(), 4321, 4322), 0);
  }
  ASSERT_EQ(Edit("private", add).status, 200);
  EXPECT_EQ(ReadAll(Source("private")), "track a\n0 1\n8 2\n");
  EXPECT_EQ(ModeOf(Source("private")), 0600u);
  if (getuid() == 0) {
    struct stat status {};
    stat(Source("private").c_str(), &status);
    EXPECT_EQ(status.st_uid, 4321u);
    EXPECT_EQ(status.st_gid, 4322u);
  }

  // Read-only, whoever the process is: refused with the reason, and the file stays as it was.
  WriteAll(Source("fixed"), text);
  fs::permissions(Source("fixed"), fs::owner_read | fs::group_read | fs::others_read);
  const fw_EditorResponse refused = Edit("fixed", add);
  EXPECT_EQ(refused.status, 403) << refused.body;
  EXPECT_EQ(json::parse(refused.body)["error"], "tracks/fixed.txt is not edited here: it is read-only (mode 0444); nothing was written");
  EXPECT_EQ(ReadAll(Source("fixed")), text);
  EXPECT_EQ(ModeOf(Source("fixed")), 0444u);

  // A folder the edit cannot write in: a clear failure, nothing changes.
  if (getuid() != 0) {
    fs::permissions(mRoot / "tracks", fs::owner_read | fs::owner_exe);
    const fw_EditorResponse failed = Edit("private", add);
    EXPECT_EQ(failed.status, 500);
    EXPECT_NE(json::parse(failed.body)["error"].get<std::string>().find("its folder cannot be written"), std::string::npos);
  }
}

TEST_F(EditorSaves, ALinkedSourceIsWrittenThroughToItsTarget) {
  fs::create_directories(mRoot / "shared");
  WriteAll(mRoot / "shared/common.txt", "track a\n0 1  # kept\n");
  fs::create_symlink("../shared/common.txt", Source("common"));
  ASSERT_EQ(Edit("common", json::array({Set("a", 0, Key(0, 5, "step"))})).status, 200);
  EXPECT_TRUE(fs::is_symlink(Source("common")));
  EXPECT_EQ(ReadAll(mRoot / "shared/common.txt"), "track a\n0 5  # kept\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"common.txt"});
  int shared = 0;
  for (fs::directory_iterator it(mRoot / "shared"), end; it != end; ++it) ++shared;
  EXPECT_EQ(shared, 1);
}

// Where the file system cannot swap, the check comes just before a plain rename; the rest holds.
TEST_F(EditorSaves, WithoutTheSwapTheCheckComesJustBeforeTheRename) {
  const fs::path file = Source("plain");
  WriteAll(file, "one");
  fs::permissions(file, fs::owner_read | fs::owner_write);
  EXPECT_EQ(fw_SaveEditorSource(file.string(), "one", "two", false).status, fw_SourceSave::Status::Saved);
  EXPECT_EQ(ReadAll(file), "two");
  EXPECT_EQ(ModeOf(file), 0600u);
  const fw_SourceSave stale = fw_SaveEditorSource(file.string(), "one", "three", false);
  EXPECT_EQ(stale.status, fw_SourceSave::Status::Changed);
  EXPECT_EQ(stale.current, "two");
  EXPECT_EQ(ReadAll(file), "two");
  EXPECT_EQ(fw_SaveEditorSource((mRoot / "tracks/none.txt").string(), "", "x").status, fw_SourceSave::Status::Gone);
  EXPECT_EQ(Entries(), std::vector<std::string>{"plain.txt"});
}

// Undo sends the inverse edit; the bytes the edit replaced come back, comments and final newline
// included. A key dragged away and back is the same. Only over the editor's own bytes: a file
// changed meanwhile is edited key by key.
TEST_F(EditorSaves, UndoAndAKeyMovedBackGiveTheFileItsBytesBack) {
  const std::string text =
      "track a\n"
      "0    1   linear\n"
      "# the climb\n"
      "10   2   linear   # ten\n"
      "20   3";
  WriteAll(Source("undo"), text);
  ASSERT_EQ(Edit("undo", json::array({Delete("a", 10)})).status, 200);
  EXPECT_EQ(ReadAll(Source("undo")), "track a\n0    1   linear\n# the climb\n20   3");
  ASSERT_EQ(Edit("undo", json::array({Add("a", Key(10, 2, "linear"))})).status, 200);
  EXPECT_EQ(ReadAll(Source("undo")), text);
  // Redo, and undo again.
  ASSERT_EQ(Edit("undo", json::array({Delete("a", 10)})).status, 200);
  ASSERT_EQ(Edit("undo", json::array({Add("a", Key(10, 2, "linear"))})).status, 200);
  EXPECT_EQ(ReadAll(Source("undo")), text);

  // Moved past the last key and back.
  ASSERT_EQ(Edit("undo", json::array({Set("a", 10, Key(30, 2, "linear"))})).status, 200);
  ASSERT_EQ(Edit("undo", json::array({Set("a", 30, Key(10, 2, "linear"))})).status, 200);
  EXPECT_EQ(ReadAll(Source("undo")), text);

  // The last line, with no line ending, deleted and restored.
  ASSERT_EQ(Edit("undo", json::array({Delete("a", 20)})).status, 200);
  ASSERT_EQ(Edit("undo", json::array({Add("a", Key(20, 3, "step"))})).status, 200);
  EXPECT_EQ(ReadAll(Source("undo")), text);

  // Two steps back in turn.
  ASSERT_EQ(Edit("undo", json::array({Delete("a", 10)})).status, 200);
  ASSERT_EQ(Edit("undo", json::array({Set("a", 0, Key(0, 4, "step"))})).status, 200);
  ASSERT_EQ(Edit("undo", json::array({Set("a", 0, Key(0, 1, "linear"))})).status, 200);
  ASSERT_EQ(Edit("undo", json::array({Add("a", Key(10, 2, "linear"))})).status, 200);
  EXPECT_EQ(ReadAll(Source("undo")), text);

  // Someone else's comment written meanwhile stays; the key comes back as a line of its own.
  ASSERT_EQ(Edit("undo", json::array({Delete("a", 10)})).status, 200);
  SaveByRename(Source("undo"), "# mine\n" + ReadAll(Source("undo")));
  ASSERT_EQ(Edit("undo", json::array({Add("a", Key(10, 2, "linear"))})).status, 200);
  EXPECT_EQ(ReadAll(Source("undo")), "# mine\ntrack a\n0    1   linear\n10   2   linear\n# the climb\n20   3");
}

// One rule for a key's value: what the parser refuses in a file, the API refuses with a 400 and
// the same reason, and logs no error; what one takes, the other writes and reads back.
TEST_F(EditorSaves, AValueIsTakenOrRefusedAlikeByTheAPIAndTheParser) {
  const std::string text = "track a\n0 1\n";
  WriteAll(Source("values"), text);
  LogCapture log;
  struct Case {
    const char* written;
    double number;
    const char* reason;  // nullptr: taken
  };
  const Case cases[] = {
      {"1e-40", 1e-40, "too close to 0: a value is 0 or at least 1.17549435e-38 in size"},
      {"-1e-45", -1e-45, "too close to 0: a value is 0 or at least 1.17549435e-38 in size"},
      {"1e-300", 1e-300, "too close to 0: a value is 0 or at least 1.17549435e-38 in size"},
      {"3.5e38", 3.5e38, "too large: a value is at most 3.40282347e+38 in size"},
      {"1.17549435e-38", 1.17549435e-38, nullptr},
      {"-3.40282347e38", -3.40282347e38, nullptr},
      {"3.4028235e38", 3.4028235e38, nullptr},  // the page's shortest form of the largest float
      {"3.40282357e38", 3.40282357e38, "too large: a value is at most 3.40282347e+38 in size"},
      {"0", 0.0, nullptr},
  };
  for (const Case& c : cases) {
    std::vector<std::string> errors;
    sync::parseSource(std::string("track a\n0 ") + c.written + "\n", "values.txt", errors);
    const fw_EditorResponse response = Edit("values", json::array({Add("a", Key(8, c.number, "step"))}));
    if (c.reason) {
      ASSERT_EQ(errors.size(), 1u) << c.written;
      EXPECT_EQ(errors[0], std::string("values.txt:2: bad value '") + c.written + "' (" + c.reason + ")");
      EXPECT_EQ(response.status, 400) << c.written << ": " << response.body;
      EXPECT_NE(response.body.find(c.reason), std::string::npos) << response.body;
      EXPECT_EQ(ReadAll(Source("values")), text);
    } else {
      EXPECT_TRUE(errors.empty()) << c.written << ": " << errors[0];
      ASSERT_EQ(response.status, 200) << c.written << ": " << response.body;
      WriteAll(Source("values"), text);
    }
  }
  EXPECT_FALSE(log.contains("", 2)) << "no error is logged";
}

TEST_F(EditorSaves, ATrackDefinedInAnotherSourceIsNotAdded) {
  WriteAll(Source("camera"), "# the camera\ntrack cam_Yaw\n0 1\n");
  WriteAll(Source("post"), "track Post_Fade\n0 1\n");
  const fw_EditorResponse response = Edit("post", json::array({json{{"op", "addTrack"}, {"track", "cam_Yaw"}}}));
  EXPECT_EQ(response.status, 400);
  EXPECT_EQ(json::parse(response.body)["error"], "track cam_Yaw is already defined at camera.txt:2; nothing was written");
  EXPECT_EQ(ReadAll(Source("post")), "track Post_Fade\n0 1\n");
  EXPECT_EQ(Edit("post", json::array({json{{"op", "addTrack"}, {"track", "cam_Pitch"}}})).status, 200);
}

// Names hold spaces and letters of any script: listed and edited. A name that is not UTF-8 (or
// holds a control character) is listed nowhere, as live mode and the track tool refuse it too.
TEST_F(EditorSaves, SourcesNamedWithSpacesOrAnyScriptAreListedAndEdited) {
  for (const std::string name : {"intro scene", "caf\xc3\xa9", "\xe6\x98\xa0\xe5\x83\x8f"})
    WriteAll(Source(name), "track t\n0 1\n");
  WriteAll(Source("caf\xe9"), "track u\n0 1\n");
  WriteAll(Source("tab\there"), "track v\n0 1\n");
  const json files = json::parse(Call("GET", "/api/tracks").body)["files"];
  std::vector<std::string> names;
  for (const json& file : files) names.push_back(file["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"caf\xc3\xa9", "intro scene", "\xe6\x98\xa0\xe5\x83\x8f"}));
  ASSERT_EQ(Edit("intro scene", json::array({Add("t", Key(4, 2, "step"))})).status, 200);
  EXPECT_EQ(ReadAll(Source("intro scene")), "track t\n0 1\n4 2\n");
  EXPECT_EQ(Edit("caf\xc3\xa9", json::array({Add("t", Key(4, 2, "step"))})).status, 200);
  EXPECT_FALSE(fw_IsEditorSourceName("caf\xe9"));
  EXPECT_FALSE(fw_IsEditorSourceName("tab\there"));
}
