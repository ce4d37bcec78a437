// Test support: runs a program (the real dusk binary) with arguments, environment changes and a
// working directory, collects its standard output and error, and drives X windows with xdotool.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
  int exitCode = -1000;  // -1000: did not finish in time (killed)
  std::string output;    // standard output and error together
};

class RunningProcess {
 public:
  // env: "NAME=value" to set, "NAME" alone to remove.
  RunningProcess(const std::string& program, const std::vector<std::string>& args, const std::string& workingDirectory,
                 const std::vector<std::string>& env = {});
  ~RunningProcess();
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;
  // Waits up to timeoutSeconds, then kills the process.
  ProcessResult wait(double timeoutSeconds);
  // The output so far.
  std::string output() const;
  bool running();
  int pid() const { return mPid; }
  // Waits until the output contains text; false on timeout or when the process ends first.
  bool waitForOutput(const std::string& text, double timeoutSeconds);

 private:
  int mPid = -1;
  std::string mOutputPath;
  bool mDone = false;
  int mExitCode = -1000;
};

// xdotool helpers; return empty/false when the tool fails.
std::string RunCommand(const std::string& command, int* exitCode = nullptr);
// Window id of a visible window whose name is exactly `name`, polling up to timeoutSeconds.
// With a process id, only that process's windows count: a window of another program with the
// same title (a message box that has not left the screen yet) is never taken for it.
std::string FindXWindow(const std::string& name, double timeoutSeconds, int pid = 0);
// Inner (client) width and height of the X window.
bool XWindowSize(const std::string& windowId, int* width, int* height);
bool XKey(const std::string& windowId, const std::string& key);
bool XClick(const std::string& windowId, int x, int y);
// The dusk binary and its working directory.
std::string DuskBinary();
std::string DuskProjectDirectory();
