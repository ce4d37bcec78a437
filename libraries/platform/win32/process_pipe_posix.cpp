// A child fed through a pipe: posix_spawn with the pipe's reading end as its standard input.
#include <platform/process_pipe.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

extern char** environ;

namespace platform {

namespace {
// A write into a pipe whose reader is gone raises SIGPIPE, which would end the whole program
// without a word. It is held back for this thread while writing, and a pending one taken.
class SigpipeHeld {
 public:
  SigpipeHeld() {
    sigemptyset(&mPipe);
    sigaddset(&mPipe, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    mWasPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &mPipe, &mOld);
  }
  // After a write that failed with EPIPE: the signal it raised is taken, unless one was already
  // pending before (then it belongs to someone else).
  void takeRaised() {
    if (mWasPending) return;
    const timespec none{0, 0};
    while (sigtimedwait(&mPipe, nullptr, &none) < 0 && errno == EINTR) {
    }
  }
  ~SigpipeHeld() { pthread_sigmask(SIG_SETMASK, &mOld, nullptr); }

 private:
  sigset_t mPipe, mOld;
  bool mWasPending = false;
};

using Clock = std::chrono::steady_clock;

// The longest a wait sleeps before it asks the stop check again.
constexpr int kStopCheckMilliseconds = 100;

std::string DurationText(int milliseconds) {
  char text[32];
  if (milliseconds % 1000 == 0)
    std::snprintf(text, sizeof(text), "%d s", milliseconds / 1000);
  else
    std::snprintf(text, sizeof(text), "%.1f s", milliseconds / 1000.0);
  return text;
}

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}
}  // namespace

PipedProcess::~PipedProcess() { finish(); }

bool PipedProcess::start(const std::vector<std::string>& args, std::string* reason) {
  if (running() || args.empty()) {
    *reason = running() ? "a program is already running" : "no program to start";
    return false;
  }
  int ends[2];
  // Close-on-exec: the child gets the reading end as its input alone, so the pipe closes when
  // this process closes its writing end.
  if (pipe2(ends, O_CLOEXEC) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[0], 0);
  std::vector<std::string> copies = args;
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[0]);
  if (failed != 0) {
    close(ends[1]);
    *reason = args[0] + ": " + std::strerror(failed);
    return false;
  }
  // Writes never block: a reader that stops taking bytes is waited for in poll(), with a limit.
  fcntl(ends[1], F_SETFL, fcntl(ends[1], F_GETFL) | O_NONBLOCK);
  mPid = pid;
  mInput = ends[1];
  return true;
}

bool PipedProcess::write(const void* data, size_t size, std::string* reason) {
  if (mInput < 0) {
    *reason = "the program is not running";
    return false;
  }
  SigpipeHeld held;
  const char* at = static_cast<const char*>(data);
  // The limit counts from the last byte the program took, so a slow reader is never cut off.
  auto deadline = Clock::now() + std::chrono::milliseconds(mStallMilliseconds);
  while (size > 0) {
    const ssize_t wrote = ::write(mInput, at, size);
    if (wrote > 0) {
      at += wrote;
      size -= static_cast<size_t>(wrote);
      deadline = Clock::now() + std::chrono::milliseconds(mStallMilliseconds);
      continue;
    }
    const int error = wrote < 0 ? errno : EIO;
    if (error == EINTR || error == EAGAIN || error == EWOULDBLOCK) {
      // Either way the program is ended here: one that took nothing may be stopped, and
      // would never end by itself.
      if (mStop && mStop()) {
        *reason = "stopped before the program took it";
        kill();
        return false;
      }
      int wait = kStopCheckMilliseconds;
      if (mStallMilliseconds > 0) {
        const int left = MillisecondsUntil(deadline);
        if (left == 0) {
          *reason = "the program took nothing for " + DurationText(mStallMilliseconds);
          kill();
          return false;
        }
        wait = std::min(wait, left);
      }
      if (error != EINTR) {
        pollfd ready{mInput, POLLOUT, 0};
        poll(&ready, 1, wait);  // a signal or an error shows in the next write
      }
      continue;
    }
    if (error == EPIPE) {
      held.takeRaised();
      *reason = "the program reading it ended";
    } else {
      *reason = std::strerror(error);
    }
    return false;
  }
  return true;
}

bool PipedProcess::waitForEnd(int* status, std::string* reason) {
  auto deadline = Clock::now() + std::chrono::milliseconds(mStallMilliseconds);
  int sleep = 1;
  for (;;) {
    const pid_t got = waitpid(mPid, status, WNOHANG);
    if (got == mPid) return true;
    if (got < 0 && errno != EINTR) {
      if (reason) *reason = std::strerror(errno);
      return false;
    }
    if (mStop && mStop()) {
      if (reason) *reason = "stopped before the program ended";
      return false;
    }
    if (mProgress && mProgress()) deadline = Clock::now() + std::chrono::milliseconds(mStallMilliseconds);
    if (mStallMilliseconds > 0 && MillisecondsUntil(deadline) == 0) {
      if (reason)
        *reason = mProgress ? "the program made no progress for " + DurationText(mStallMilliseconds)
                            : "the program did not end within " + DurationText(mStallMilliseconds) + " of its input's end";
      return false;
    }
    // Short sleeps first: a program that ends at once is seen at once.
    const timespec pause{0, static_cast<long>(sleep) * 1000000L};
    nanosleep(&pause, nullptr);
    sleep = std::min(sleep * 2, 20);
  }
}

int PipedProcess::finish(std::string* reason) {
  if (mInput >= 0) close(mInput);
  mInput = -1;
  if (mPid <= 0) return -1;
  int status = 0;
  if (mStallMilliseconds > 0 || mStop) {
    if (!waitForEnd(&status, reason)) {
      kill();
      return -1;
    }
  } else {
    pid_t got;
    do {
      got = waitpid(mPid, &status, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
      mPid = -1;
      if (reason) *reason = std::strerror(errno);
      return -1;
    }
  }
  mPid = -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

void PipedProcess::kill() {
  if (mInput >= 0) close(mInput);
  mInput = -1;
  if (mPid <= 0) return;
  // SIGKILL ends a stopped program too, where anything it could catch would wait for SIGCONT.
  ::kill(mPid, SIGKILL);
  while (waitpid(mPid, nullptr, 0) < 0 && errno == EINTR) {
  }
  mPid = -1;
}

}  // namespace platform
