#include "process_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

RunningProcess::RunningProcess(const std::string& program, const std::vector<std::string>& args,
                               const std::string& workingDirectory, const std::vector<std::string>& env)
    : mDisplayHold(std::make_unique<XServerHold>()) {
  char path[] = "/tmp/dusk_test_outputXXXXXX";
  int fd = mkstemp(path);
  mOutputPath = path;
  mPid = fork();
  if (mPid == 0) {
    dup2(fd, 1);
    dup2(fd, 2);
    if (chdir(workingDirectory.c_str()) != 0) _exit(127);
    // A GL error ends the program under test with a message, so no test passes over one; a test
    // may still remove the variable through env.
    setenv("DUSK_GL_DEBUG", "1", 1);
    for (auto& e : env) {
      auto eq = e.find('=');
      if (eq == std::string::npos) unsetenv(e.c_str());
      else setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(fd);
}

RunningProcess::~RunningProcess() {
  if (mPid > 0 && !mDone) {
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
  }
  unlink(mOutputPath.c_str());
}

bool RunningProcess::running() {
  if (mDone || mPid <= 0) return false;
  int status = 0;
  if (waitpid(mPid, &status, WNOHANG) == mPid) {
    mDone = true;
    mExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

ProcessResult RunningProcess::wait(double timeoutSeconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (running() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (running()) {
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
    mDone = true;
    mExitCode = -1000;
  }
  return {mExitCode, output()};
}

std::string RunningProcess::output() const {
  std::ifstream in(mOutputPath);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool RunningProcess::waitForOutput(const std::string& text, double timeoutSeconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (std::chrono::steady_clock::now() < end) {
    if (output().find(text) != std::string::npos) return true;
    if (!running()) return output().find(text) != std::string::npos;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

std::string RunCommand(const std::string& command, int* exitCode) {
  std::string out;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buffer[512];
  while (fgets(buffer, sizeof(buffer), pipe)) out += buffer;
  int status = pclose(pipe);
  if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::string DuskBinary() { return std::string(DUSK_BIN_DIR) + "/dusk"; }
std::string DuskProjectDirectory() { return std::string(DUSK_SOURCE_DIR) + "/projects/dusk"; }
