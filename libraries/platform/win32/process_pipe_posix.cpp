// A child fed through a pipe: posix_spawn with the pipe's reading end as its standard input.
#include <platform/process_pipe.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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
  while (size > 0) {
    const ssize_t wrote = ::write(mInput, at, size);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      const int error = wrote < 0 ? errno : EIO;
      if (error == EPIPE) {
        held.takeRaised();
        *reason = "the program reading it ended";
      } else {
        *reason = std::strerror(error);
      }
      return false;
    }
    at += wrote;
    size -= static_cast<size_t>(wrote);
  }
  return true;
}

int PipedProcess::finish() {
  if (mInput >= 0) close(mInput);
  mInput = -1;
  if (mPid <= 0) return -1;
  int status = 0;
  pid_t got;
  do {
    got = waitpid(mPid, &status, 0);
  } while (got < 0 && errno == EINTR);
  mPid = -1;
  if (got < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace platform
