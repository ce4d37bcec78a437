// Test support: runs a program (the real dusk binary) with arguments, environment changes and a
// working directory, and collects its standard output and error. The X window helpers that drive
// it are in x_windows.h.
#pragma once

#include "x_windows.h"

#include <memory>
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
  // Keeps the display from resetting under the program while it runs.
  std::unique_ptr<XServerHold> mDisplayHold;
  int mPid = -1;
  std::string mOutputPath;
  bool mDone = false;
  int mExitCode = -1000;
};

// Runs a shell command and returns its standard output (its errors are dropped).
std::string RunCommand(const std::string& command, int* exitCode = nullptr);
// The dusk binary and its working directory.
std::string DuskBinary();
std::string DuskProjectDirectory();
