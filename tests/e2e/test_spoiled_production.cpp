// The real program on a copy of the real production in which every kind of file is spoiled: random
// bytes, cut short, empty, or a count of four billion where the format has one. The show must
// still play to the end its own GotoRow track gives it, exit with 0, and say in a warning which
// files it could not use.
#include "core_tracks.h"
#include "process_runner.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = boost::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path.string(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

void PutU32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

enum class Spoil { RandomBytes, CutShort, Empty, HugeCount };

const char* SpoilName(Spoil spoil) {
  switch (spoil) {
    case Spoil::RandomBytes: return "random bytes";
    case Spoil::CutShort: return "cut short";
    case Spoil::Empty: return "empty";
    case Spoil::HugeCount: return "a count of four billion";
  }
  return "";
}

// A copy of the production (data and shaders, with the framework's shaders beside them) in a
// temporary directory, spoiled file by file.
class SpoiledProduction : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path production = fs::path(DUSK_SOURCE_DIR) / "projects/dusk";
    Copy(production / "data", mRoot / "data");
    Copy(production / "src/shaders", mRoot / "src/shaders");
    for (const char* name : {"fw_Globals.fxi", "fw_PostEffects.fx", "fw_PostEffects.fxo"}) {
      const fs::path source = fs::path(DUSK_SOURCE_DIR) / "libraries/fw/src/shaders" / name;
      const fs::path built = fs::path(DUSK_BINARY_DIR) / "libraries/fw/src/shaders" / name;
      if (fs::exists(source)) fs::copy_file(source, mRoot / "src/shaders" / name, fs::copy_options::overwrite_existing);
      else if (fs::exists(built)) fs::copy_file(built, mRoot / "src/shaders" / name, fs::copy_options::overwrite_existing);
    }
  }
  void TearDown() override { fs::remove_all(mRoot); }

  static void Copy(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (fs::recursive_directory_iterator it(from), end; it != end; ++it) {
      const fs::path target = to / fs::relative(it->path(), from);
      const std::string name = it->path().filename().string();
      if (fs::is_directory(it->path())) {
        if (name == "temp" || name == "screenshots") it.disable_recursion_pending();
        else fs::create_directories(target);
      } else if (name != "CMakeLists.txt") {
        fs::copy_file(it->path(), target);
      }
    }
  }

  // Spoils the file; a file the short run is sure to read is remembered for the warning it must get.
  void Spoil(const std::string& relative, enum Spoil spoil, bool read = true) {
    const fs::path path = mRoot / relative;
    ASSERT_TRUE(fs::exists(path)) << relative;
    std::string bytes = ReadAll(path);
    const std::string extension = path.extension().string();
    switch (spoil) {
      case Spoil::RandomBytes: {
        bytes.resize(std::uniform_int_distribution<size_t>(1, 4096)(mRandom));
        for (char& c : bytes) c = char(std::uniform_int_distribution<int>(0, 255)(mRandom));
        break;
      }
      case Spoil::CutShort: bytes.resize(bytes.size() / 2); break;
      case Spoil::Empty: bytes.clear(); break;
      case Spoil::HugeCount:
        if (extension == ".track") {
          ASSERT_GE(bytes.size(), 4u) << relative;
          PutU32(bytes, 0, 0xFFFFFFFFu);  // the count of keys
        } else if (extension == ".png") {
          ASSERT_GE(bytes.size(), 24u) << relative;
          PutU32(bytes, 16, 0xFFFFFFFFu);  // width and height in the header (the CRC is left wrong too)
          PutU32(bytes, 20, 0xFFFFFFFFu);
        } else if (extension == ".obj") {
          bytes += "\nf 4294967295/4294967295/4294967295 4294967294/1/1 1/4294967296/1\n";
        } else {
          FAIL() << relative << " has no count to spoil";
        }
        break;
    }
    WriteAll(path, bytes);
    if (read) mSpoiled.push_back({relative, spoil});
  }

  ProcessResult Play() {
    RunningProcess dusk(std::string(DUSK_BIN_DIR) + "/dusk",
                        {"--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo", "--render-scale",
                         "0.25", "--capture", (mRoot / "frames").string(), "--fps", "30"},
                        mRoot.string());
    return dusk.wait(280.0);
  }

  // Files below a data folder with one of the extensions, by name.
  std::vector<std::string> Files(const std::string& folder, std::initializer_list<const char*> extensions) const {
    std::vector<std::string> files;
    for (fs::recursive_directory_iterator it(mRoot / folder), end; it != end; ++it) {
      const std::string extension = it->path().extension().string();
      if (fs::is_regular_file(it->path()) && std::count(extensions.begin(), extensions.end(), extension))
        files.push_back(fs::relative(it->path(), mRoot).string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("spoiled-prod-%%%%%%");
  std::mt19937 mRandom{20261208};
  struct Spoiled {
    std::string file;
    enum Spoil spoil;
  };
  std::vector<Spoiled> mSpoiled;
};

// The warning lines of a run, one string each.
std::vector<std::string> WarningLines(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);)
    if (line.find("WARNING: ") != std::string::npos) lines.push_back(line);
  return lines;
}

}  // namespace

TEST_F(SpoiledProduction, PlaysToItsEndAndWarnsAboutEveryFileItCouldNotUse) {
  const enum Spoil kinds[] = {Spoil::RandomBytes, Spoil::CutShort, Spoil::Empty, Spoil::HugeCount};
  // Tracks: the framework's own (scene, post chain) and the camera's are read every frame; the
  // others only where their part of the picture is on, which the spoiled values decide.
  size_t n = 0;
  for (const std::string& track : Files("data/sync", {".track"})) {
    const std::string name = fs::path(track).stem().string().substr(5);  // after "sync_"
    if (name == "GotoRow") continue;
    const bool everyFrame = name == "Scene" || name.rfind("Post_", 0) == 0 || name.rfind("cam_", 0) == 0;
    Spoil(track, kinds[n++ % 4], everyFrame);
  }
  // Images: those loaded at start; the mosaic's pictures (bg) load when a layer shows them, and
  // the models' textures only through intact material libraries.
  n = 0;
  for (const std::string& image : Files("data", {".png", ".jpg"})) {
    const bool jpeg = fs::path(image).extension() == ".jpg";
    const enum Spoil spoil = kinds[n++ % (jpeg ? 3 : 4)];
    const bool atStart = image.rfind("data/bg/", 0) != 0 && image.rfind("data/models/", 0) != 0;
    Spoil(image, spoil, atStart || image == "data/models/skallen.png");
  }
  Spoil("data/models/tingen.obj", Spoil::RandomBytes);
  Spoil("data/models/tingen.mtl", Spoil::Empty, false);  // the spoiled OBJ names no library
  Spoil("data/models/skallen.obj", Spoil::HugeCount);
  Spoil("data/models/hjortenfrahorten.obj", Spoil::CutShort, false);  // half a deer is still a mesh
  Spoil("data/models/hjortenfrahorten.mtl", Spoil::RandomBytes);
  Spoil("data/demo.xml", Spoil::CutShort);
  Spoil("data/eventide_palekestrel3.mp3", Spoil::RandomBytes);
  Spoil("data/noise.bin", Spoil::CutShort);
  Spoil("src/shaders/rtype.fx", Spoil::RandomBytes);
  Spoil("src/shaders/leafs.fx", Spoil::CutShort);
  Spoil("src/shaders/mesh.fx", Spoil::Empty);
  Spoil("src/shaders/dusk_Stage.fxi", Spoil::RandomBytes);
  // The show's end: the tick of frame 14 (row 8.09 at 30 frames per second) ends it.
  ASSERT_TRUE(core_test::WriteTrack((mRoot / "data/sync/sync").string(), "GotoRow", {{0, -1.0f, 0}, {8, 0.0f, 0}}));

  const ProcessResult run = Play();
  ASSERT_NE(run.exitCode, -1000) << "did not end in time\n" << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(fs::exists(mRoot / "frames/frame_000013.png")) << run.output;
  EXPECT_NE(run.output.find("the show has ended"), std::string::npos) << run.output;

  const std::vector<std::string> warnings = WarningLines(run.output);
  for (const auto& spoiled : mSpoiled) {
    const std::string name = fs::path(spoiled.file).filename().string();
    const bool warned = std::any_of(warnings.begin(), warnings.end(),
                                    [&](const std::string& line) { return line.find(name) != std::string::npos; });
    EXPECT_TRUE(warned) << spoiled.file << " (" << SpoilName(spoiled.spoil) << ") got no warning naming it";
  }
  if (HasFailure()) ADD_FAILURE() << "the program's output:\n" << run.output;
}
