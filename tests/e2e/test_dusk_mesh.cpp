// The mesh tool end to end: the built dusk-mesh binary on the fixture models.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

struct ToolRun {
  int exitCode = -1;
  std::string out, err;
  std::map<std::string, std::string> values;  // "name: value" lines of standard output
};

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

ToolRun RunTool(const std::string& arguments) {
  const std::filesystem::path tool = std::filesystem::path(DUSK_BIN_DIR) / "dusk-mesh";
  EXPECT_TRUE(std::filesystem::exists(tool)) << tool << " is not built";
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("dusk_mesh_e2e_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " + tool.string() + " " + arguments + " >" +
                              (dir / "out").string() + " 2>" + (dir / "err").string();
  ToolRun run;
  const int status = std::system(command.c_str());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = Slurp(dir / "out");
  run.err = Slurp(dir / "err");
  std::filesystem::remove_all(dir);
  std::istringstream lines(run.out);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t colon = line.find(": ");
    if (colon != std::string::npos) run.values[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return run;
}

const std::string kMeshes = std::string(DUSK_SOURCE_DIR) + "/tests/data/meshes/";

}  // namespace

TEST(DuskMesh, InfoReportsTheWeldedAndOptimisedCube) {
  ToolRun run = RunTool("info " + kMeshes + "cube.obj");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(run.out.rfind("vertices: 24\ntriangles: 12\nmaterials: 2\nsubsets: 2\n", 0) == 0) << run.out;
  EXPECT_EQ(run.values["subset_0"], "material=amber triangles=8 vertices=16");
  EXPECT_EQ(run.values["subset_1"], "material=slate triangles=4 vertices=8");
  EXPECT_EQ(run.values["material_0"], "name=amber in_library=yes textures=amber.png");
  EXPECT_EQ(run.values["material_1"], "name=slate in_library=yes textures=-");
  EXPECT_EQ(run.values["bounds_min"], "0 0 0");
  EXPECT_EQ(run.values["bounds_max"], "1 1 1");
  EXPECT_EQ(run.values["warnings"], "0");
  EXPECT_LE(std::stod(run.values["acmr_after"]), std::stod(run.values["acmr_before"]));
  EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST(DuskMesh, AMissingOrBrokenModelIsReportedAndFails) {
  ToolRun missing = RunTool("info " + kMeshes + "no_such_model.obj");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.values["vertices"], "0");
  EXPECT_EQ(missing.values["triangles"], "0");
  EXPECT_NE(missing.err.find("no_such_model.obj"), std::string::npos) << missing.err;

  ToolRun notObj = RunTool("info " + std::string(DUSK_SOURCE_DIR) + "/tests/data/images/rows.png");
  EXPECT_EQ(notObj.exitCode, 1);
  EXPECT_NE(notObj.err.find("no triangles"), std::string::npos) << notObj.err;
}

TEST(DuskMesh, WrongArgumentsPrintUsage) {
  ToolRun run = RunTool("");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("usage: dusk-mesh info FILE.obj"), std::string::npos);
  EXPECT_EQ(RunTool("dump " + kMeshes + "cube.obj").exitCode, 2);
}
