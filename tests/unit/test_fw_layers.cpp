// The framework's shape, read from its sources and its build: its module folders include each other
// without a circle, the frame core includes none of the development tools (they join it through
// hooks, in a library of their own) and links no server, nothing in it includes a system library
// the platform layer wraps, and the process is ended and programs are started only where that is
// meant to happen.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = boost::filesystem;

namespace {

struct SourceFile {
  std::string module;  // the folder below libraries/fw/src or libraries/fw/include/dusk
  std::string path;    // relative to that
  std::string text;
};

std::vector<SourceFile> FrameworkSources() {
  // The private code and headers, and the public headers beside them in the same folders.
  std::vector<SourceFile> files;
  for (const char* top : {"libraries/fw/src", "libraries/fw/include/dusk"}) {
    const fs::path root = fs::path(DUSK_SOURCE_DIR) / top;
    for (fs::recursive_directory_iterator it(root), end; it != end; ++it) {
      const std::string ext = it->path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      const fs::path relative = fs::relative(it->path(), root);
      std::ifstream in(it->path().string());
      std::stringstream text;
      text << in.rdbuf();
      files.push_back({relative.begin()->string(), relative.generic_string(), text.str()});
    }
  }
  return files;
}

// Module -> the modules its files include with "module/...".
std::map<std::string, std::set<std::string>> IncludeGraph(const std::vector<SourceFile>& files) {
  static const std::regex include(R"re(^\s*#\s*include\s*"([A-Za-z0-9_]+)/[^"]+")re");
  std::map<std::string, std::set<std::string>> graph;
  for (const SourceFile& file : files) {
    graph[file.module];
    std::istringstream lines(file.text);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line))
      if (std::regex_search(line, match, include) && match[1] != file.module) graph[file.module].insert(match[1]);
  }
  return graph;
}

// One circle as "a -> b -> a", or empty when the graph has none.
std::string FindCircle(const std::map<std::string, std::set<std::string>>& graph) {
  std::map<std::string, int> state;  // 0 unseen, 1 on the path, 2 done
  std::vector<std::string> path;
  std::string circle;
  std::function<bool(const std::string&)> visit = [&](const std::string& node) {
    state[node] = 1;
    path.push_back(node);
    auto edges = graph.find(node);
    if (edges != graph.end()) {
      for (const std::string& next : edges->second) {
        if (state[next] == 1) {
          auto from = std::find(path.begin(), path.end(), next);
          for (auto it = from; it != path.end(); ++it) circle += *it + " -> ";
          circle += next;
          return true;
        }
        if (state[next] == 0 && visit(next)) return true;
      }
    }
    path.pop_back();
    state[node] = 2;
    return false;
  };
  for (const auto& entry : graph)
    if (state[entry.first] == 0 && visit(entry.first)) break;
  return circle;
}

// The files of one folder -> the files of the same folder they include, a header and its source
// counting as one ("frame/fw_Present").
std::map<std::string, std::set<std::string>> FileGraph(const std::vector<SourceFile>& files,
                                                       const std::string& module) {
  static const std::regex include(R"re(^\s*#\s*include\s*"([A-Za-z0-9_]+/[^"]+)\.h")re");
  std::map<std::string, std::set<std::string>> graph;
  for (const SourceFile& file : files) {
    if (file.module != module) continue;
    const std::string unit = file.path.substr(0, file.path.rfind('.'));
    graph[unit];
    std::istringstream lines(file.text);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line))
      if (std::regex_search(line, match, include) && match[1] != unit && match[1].str().rfind(module + "/", 0) == 0)
        graph[unit].insert(match[1]);
  }
  return graph;
}

}  // namespace

TEST(FrameworkLayers, ModuleFoldersIncludeEachOtherWithoutACircle) {
  const auto graph = IncludeGraph(FrameworkSources());
  ASSERT_GE(graph.size(), 8u);  // the reading found the folders
  EXPECT_EQ(FindCircle(graph), "");

  // The reader itself finds a circle when there is one.
  std::map<std::string, std::set<std::string>> looped = graph;
  looped["diag"].insert("app");
  EXPECT_NE(FindCircle(looped), "");
}

// Inside a folder too: a loop there (a device whose release reaches up through the resource
// loading to the scenes that hold the device settings) is as hard to follow as one between
// folders. The folders named in pairsLeft still hold a pair of files that include each other.
TEST(FrameworkLayers, FilesInsideAFolderIncludeEachOtherWithoutACircle) {
  const std::vector<SourceFile> files = FrameworkSources();
  const std::set<std::string> pairsLeft = {"app", "editor", "post"};
  std::set<std::string> modules;
  for (const SourceFile& file : files) modules.insert(file.module);
  ASSERT_TRUE(modules.count("frame") && modules.count("device"));
  for (const std::string& module : modules) {
    if (pairsLeft.count(module)) continue;
    EXPECT_EQ(FindCircle(FileGraph(files, module)), "") << "in " << module << "/";
  }
  // The reading sees a folder's own includes.
  EXPECT_TRUE(FileGraph(files, "frame")["frame/fw_FrameTick"].count("frame/fw_FrameContext"));
}

// The folders of the library dusk_tools (libraries/fw/CMakeLists.txt); every other folder is the core.
const std::set<std::string> kToolFolders = {"capture", "editor", "live", "tools"};

TEST(FrameworkLayers, TheCoreIncludesNoToolAndNoServer) {
  const std::vector<SourceFile> files = FrameworkSources();
  const auto graph = IncludeGraph(files);
  for (const std::string& tool : kToolFolders) EXPECT_TRUE(graph.count(tool)) << "no folder " << tool;
  for (const auto& [module, includes] : graph) {
    if (kToolFolders.count(module)) continue;
    for (const std::string& included : includes)
      EXPECT_FALSE(kToolFolders.count(included)) << module << "/ includes " << included << "/";
  }
  static const std::regex server(R"re(#\s*include\s*<(boost/beast|boost/asio|nlohmann/))re");
  for (const SourceFile& file : files) {
    if (kToolFolders.count(file.module)) continue;
    EXPECT_FALSE(std::regex_search(file.text, server)) << file.path << " includes the server's libraries";
  }
}

// What the build links the core library with, written at configure time (tests/CMakeLists.txt).
TEST(FrameworkLayers, TheCoreLibraryLinksNeitherTheToolsNorTheServersLibraries) {
  std::ifstream in(DUSK_FW_LINKS);
  ASSERT_TRUE(in) << DUSK_FW_LINKS;
  std::stringstream links;
  links << in.rdbuf();
  EXPECT_NE(links.str().find("dusk_sync"), std::string::npos) << "the reading found the links: " << links.str();
  for (const char* library : {"dusk_tools", "nlohmann", "beast", "asio"})
    EXPECT_EQ(links.str().find(library), std::string::npos) << library << " in " << links.str();
}

TEST(FrameworkLayers, SystemLibrariesProcessesAndExitsStayWhereTheyBelong) {
  static const std::regex systemHeader(R"re(#\s*include\s*<(SDL2?/|GL/|epoxy/|gtk/|gdk/|glib|mpg123|spawn\.h|sys/wait\.h))re");
  static const std::regex processCall(R"re(\b(posix_spawnp?|fork|execv[pe]?|system|popen)\s*\()re");
  static const std::regex exitCall(R"re((^|[^_A-Za-z])(std::)?(exit|_exit|_Exit|quick_exit)\s*\()re");
  for (const SourceFile& file : FrameworkSources()) {
    EXPECT_FALSE(std::regex_search(file.text, systemHeader)) << file.path << " includes a wrapped system library";
    EXPECT_FALSE(std::regex_search(file.text, processCall)) << file.path << " starts a process itself";
    if (file.path != "diag/fw_Exit.cpp") {
      EXPECT_FALSE(std::regex_search(file.text, exitCall)) << file.path << " ends the process outside fw_ExitProcess";
    }
  }
}
