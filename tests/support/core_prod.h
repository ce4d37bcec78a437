// Test support for end-to-end runs of the real program on the test production: a standalone
// copy of it in a temporary directory (its data and shaders, with the framework's shaders beside
// them), and a run of `dusk` there with a time limit, its output and its exit code.
#pragma once

#include "core_tracks.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace core_test {

namespace fs = boost::filesystem;

struct RunResult {
  int exitCode = -1;  // -1 when killed at the time limit or by a signal
  bool timedOut = false;
  std::string output;  // standard output and standard error together
};

class TestProduction {
 public:
  TestProduction() {
    const fs::path source = fs::path(DUSK_SOURCE_DIR) / "tests/data/testprod";
    CopyTree(source, root);
    // Standalone: the framework's shaders sit beside the production's.
    const fs::path shaders = fs::path(DUSK_SOURCE_DIR) / "libraries/fw/src/shaders";
    for (const char* name : {"fw_Globals.fxi", "fw_PostEffects.fx", "fw_PostEffects.fxo"})
      if (fs::exists(shaders / name)) fs::copy_file(shaders / name, root / "src/shaders" / name);
    const fs::path built = fs::path(DUSK_BINARY_DIR) / "libraries/fw/src/shaders/fw_PostEffects.fxo";
    if (!fs::exists(root / "src/shaders/fw_PostEffects.fxo") && fs::exists(built))
      fs::copy_file(built, root / "src/shaders/fw_PostEffects.fxo");
  }
  ~TestProduction() { fs::remove_all(root); }

  bool WriteTrack(const std::string& name, const std::vector<TrackKey>& keys) const {
    return core_test::WriteTrack((root / "data/sync/sync").string(), name, keys);
  }
  void RemoveTrack(const std::string& name) const { fs::remove(root / ("data/sync/sync_" + name + ".track")); }

  // Runs dusk in the production's directory with the given arguments.
  RunResult Run(const std::vector<std::string>& args, int seconds = 120) const {
    RunResult result;
    const fs::path out = root / "run-output.txt";
    std::vector<std::string> all{std::string(DUSK_BIN_DIR) + "/dusk"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string previous = fs::current_path().string();
    fs::current_path(root);
    // A GL error ends the program with a message, so no run passes over one.
    std::vector<std::string> env{"DUSK_GL_DEBUG=1"};
    for (char** e = environ; *e; ++e)
      if (strncmp(*e, "DUSK_GL_DEBUG=", 14) != 0) env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    fs::current_path(previous);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      result.output = "could not start " + all[0];
      return result;
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        result.timedOut = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    std::ifstream in(out.string());
    result.output.assign(std::istreambuf_iterator<char>(in), {});
    return result;
  }

  fs::path root = fs::temp_directory_path() / fs::unique_path("core-prod-%%%%%%");

 private:
  static void CopyTree(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (fs::recursive_directory_iterator it(from), end; it != end; ++it) {
      const fs::path target = to / fs::relative(it->path(), from);
      if (fs::is_directory(it->path()))
        fs::create_directories(target);
      else
        fs::copy_file(it->path(), target);
    }
  }
};

// The real production staged under root for a run: its data linked (the program only reads it,
// but for "sync", "temp" and "screenshots", which the test makes its own), its shaders and the
// framework's copied beside each other, so a test may edit them.
inline void StageProduction(const fs::path& root) {
  const fs::path production = fs::path(DUSK_SOURCE_DIR) / "projects/dusk";
  fs::create_directories(root / "data/sync");
  fs::create_directories(root / "src/shaders");
  for (fs::directory_iterator it(production / "data"), end; it != end; ++it) {
    const std::string name = it->path().filename().string();
    if (name != "sync" && name != "temp" && name != "screenshots") fs::create_symlink(it->path(), root / "data" / name);
  }
  for (const fs::path& dir : {production / "src/shaders", fs::path(DUSK_SOURCE_DIR) / "libraries/fw/src/shaders"})
    for (fs::directory_iterator it(dir), end; it != end; ++it)
      if (fs::is_regular_file(it->path()) && it->path().filename() != "CMakeLists.txt" &&
          it->path().filename() != ".gitignore")
        fs::copy_file(it->path(), root / "src/shaders" / it->path().filename(), fs::copy_options::overwrite_existing);
}

// The frame numbers a capture wrote (frame_NNNNNN.png, named by their number in the show), in order.
inline std::vector<int> FrameNumbers(const fs::path& directory) {
  std::vector<int> numbers;
  if (!fs::is_directory(directory)) return numbers;
  for (fs::directory_iterator it(directory), end; it != end; ++it) {
    int n = 0;
    char tail = 0;
    if (std::sscanf(it->path().filename().c_str(), "frame_%6d.pn%c", &n, &tail) == 2 && tail == 'g') numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

inline int CountFrames(const fs::path& directory) { return static_cast<int>(FrameNumbers(directory).size()); }

inline std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The options every end-to-end run of the program takes: no dialog, a window, no sound, alerts
// and the log on the console, a quarter of the render size.
inline const std::vector<std::string> kQuietArgs = {"--no-dialog", "--windowed", "--mute", "--alerts", "console",
                                                    "--echo", "--render-scale", "0.25"};

inline std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Waits for a state, with a deadline that a loaded machine never meets by accident.
inline bool WaitFor(const std::function<bool()>& state, double seconds = 90.0) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (state()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return state();
}

}  // namespace core_test
