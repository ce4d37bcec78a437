// A program started with its standard input fed from this process through a pipe, as an encoder
// is fed raw frames. Every write is checked whole: a reader that went away (the program ended or
// crashed) is a failed write with its reason, never a signal that ends this process.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

class PipedProcess {
 public:
  PipedProcess() = default;
  PipedProcess(const PipedProcess&) = delete;
  PipedProcess& operator=(const PipedProcess&) = delete;
  // Closes the pipe and waits for the program, as finish() does.
  ~PipedProcess();

  // Starts args[0], looked up on PATH, with args; its standard output and error are this
  // process's. False with the system's reason when it cannot start.
  bool start(const std::vector<std::string>& args, std::string* reason);
  bool running() const { return mPid > 0; }
  // Writes every byte; false with the reason on the first failed or short write.
  bool write(const void* data, size_t size, std::string* reason);
  // Closes the pipe (the program's end of input) and waits for it to end: its exit code, 128 +
  // the signal's number when a signal ended it, -1 when none was started.
  int finish();

 private:
  int mPid = -1;
  int mInput = -1;  // the pipe's writing end
};

}  // namespace platform
