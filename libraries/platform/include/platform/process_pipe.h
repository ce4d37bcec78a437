// A program started with its standard input fed from this process through a pipe, as an encoder
// is fed raw frames. Every write is checked whole: a reader that went away (the program ended or
// crashed) is a failed write with its reason, never a signal that ends this process. A reader
// that stops taking bytes (stopped, stuck) fails the write after a set time instead of holding
// this process for ever, and a stop check lets the caller cut any wait short.
#pragma once

#include <cstddef>
#include <functional>
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

  // How long the program may take no byte of a write, or go on after its input ended, before it
  // counts as stuck; 0 or less: no limit (the default).
  void setStallLimit(int milliseconds) { mStallMilliseconds = milliseconds; }
  // Asked at least every tenth of a second while a write or finish() waits; true ends the wait
  // (and the program, in finish()).
  void setStopCheck(std::function<bool()> stop) { mStop = std::move(stop); }
  // For a program that reads no input of ours (a muxer reading files): asked while finish() waits,
  // true when it made progress (its output grew), which starts the stall limit again. With it,
  // the limit counts from the last progress, not from the input's end.
  void setProgressCheck(std::function<bool()> moved) { mProgress = std::move(moved); }

  // Starts args[0], looked up on PATH, with args; its standard output and error are this
  // process's. False with the system's reason when it cannot start.
  bool start(const std::vector<std::string>& args, std::string* reason);
  bool running() const { return mPid > 0; }
  // Writes every byte; false with the reason on the first failed or short write, when the
  // program took nothing for the stall limit, or when the stop check asked to stop (in the last
  // two cases the program is killed, as kill() does).
  bool write(const void* data, size_t size, std::string* reason);
  // Closes the pipe (the program's end of input) and waits for it to end: its exit code, 128 +
  // the signal's number when a signal ended it, -1 when none was started. A program still
  // running after the stall limit, or when the stop check asks, is killed: -1, with the reason.
  int finish(std::string* reason = nullptr);
  // Ends the program at once (it may be stopped and deaf to anything else) and waits for it.
  void kill();

 private:
  // Waits up to the stall limit for the program to end; true with its status when it did.
  bool waitForEnd(int* status, std::string* reason);

  int mPid = -1;
  int mInput = -1;  // the pipe's writing end, non-blocking
  int mStallMilliseconds = 0;
  std::function<bool()> mStop;
  std::function<bool()> mProgress;
};

}  // namespace platform
