// Processes on posix_spawn: start with the platform's command-line splitting, wait, exit code;
// the calling process's CPU times; the PATH search.
#include "kernel_handles_p.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

struct ProcessHandle final : platform::KernelObject {
  pid_t pid = -1;
  std::mutex mutex;
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;

  // Reaps the child once; true when it has ended.
  bool poll(bool block) {
    std::lock_guard<std::mutex> lock(mutex);
    if (ended) return true;
    int status = 0;
    pid_t got;
    do {
      got = waitpid(pid, &status, block ? 0 : WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0) return false;
    ended = true;
    if (got < 0) exitCode = 0xFFFFFFFFu;  // not our child any more: nothing to wait for
    else if (WIFEXITED(status)) exitCode = static_cast<DWORD>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status)) exitCode = 128u + static_cast<DWORD>(WTERMSIG(status));
    return true;
  }

  DWORD wait(DWORD milliseconds) override {
    if (milliseconds == INFINITE) {
      poll(true);
      return WAIT_OBJECT_0;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!poll(false)) {
      if (std::chrono::steady_clock::now() >= end) return WAIT_TIMEOUT;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WAIT_OBJECT_0;
  }

  // A child whose handle is closed runs on; it is reaped by nobody, as a detached process is.
};

// The process's own pseudo handle: not a kernel object, never waited on or deleted.
HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

// The runtime's rules: arguments are separated by blanks; "..." groups; 2n backslashes before a
// quote give n backslashes and a quote that groups, 2n+1 give n and a literal quote; other
// backslashes are literal.
std::vector<std::string> SplitCommandLine(const char* text) {
  std::vector<std::string> args;
  const char* p = text;
  while (*p) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) break;
    std::string arg;
    bool quoted = false;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
      if (*p == '\\') {
        size_t slashes = 0;
        while (p[slashes] == '\\') ++slashes;
        if (p[slashes] == '"') {
          arg.append(slashes / 2, '\\');
          p += slashes;
          if (slashes % 2) {
            arg += '"';
            continue;
          }
          quoted = !quoted;
          continue;
        }
        arg.append(slashes, '\\');
        p += slashes - 1;
      } else if (*p == '"') {
        quoted = !quoted;
      } else {
        arg += *p;
      }
    }
    args.push_back(arg);
  }
  return args;
}

uint64_t ToHundredNanoseconds(const timeval& t) {
  return static_cast<uint64_t>(t.tv_sec) * 10000000u + static_cast<uint64_t>(t.tv_usec) * 10u;
}

void SetFileTime(FILETIME* out, uint64_t value) {
  if (!out) return;
  out->dwLowDateTime = static_cast<DWORD>(value);
  out->dwHighDateTime = static_cast<DWORD>(value >> 32);
}

bool IsRegularFile(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL,
                    DWORD, LPVOID, LPCSTR currentDirectory, STARTUPINFOA*, PROCESS_INFORMATION* information) {
  if (!information) return FALSE;
  std::vector<std::string> args = SplitCommandLine(commandLine ? commandLine : "");
  if (args.empty() && !applicationName) return FALSE;
  const std::string program = applicationName ? applicationName : args[0];
  if (args.empty()) args.push_back(program);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (currentDirectory) {
    // The child changes to the directory before it runs the program.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
    posix_spawn_file_actions_addchdir_np(&actions, currentDirectory);
#endif
  }
  pid_t pid = -1;
  const int failed = applicationName ? posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                                     : posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return FALSE;
  auto* process = new ProcessHandle;
  process->pid = pid;
  information->hProcess = static_cast<platform::KernelObject*>(process);
  information->hThread = nullptr;
  information->dwProcessId = static_cast<DWORD>(pid);
  information->dwThreadId = 0;
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE h, DWORD* exitCode) {
  auto* process = dynamic_cast<ProcessHandle*>(static_cast<platform::KernelObject*>(h));
  if (!process || !exitCode) return FALSE;
  process->poll(false);
  std::lock_guard<std::mutex> lock(process->mutex);
  *exitCode = process->exitCode;
  return TRUE;
}

HANDLE GetCurrentProcess() { return kCurrentProcess; }

BOOL GetProcessTimes(HANDLE process, FILETIME* creationTime, FILETIME* exitTime, FILETIME* kernelTime,
                     FILETIME* userTime) {
  if (process != kCurrentProcess) return FALSE;
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return FALSE;
  SetFileTime(creationTime, 0);
  SetFileTime(exitTime, 0);
  SetFileTime(kernelTime, ToHundredNanoseconds(usage.ru_stime));
  SetFileTime(userTime, ToHundredNanoseconds(usage.ru_utime));
  return TRUE;
}

DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
  if (!fileName || !*fileName) return 0;
  std::string name = fileName;
  if (extension && name.find('.', name.find_last_of('/') + 1) == std::string::npos) name += extension;
  std::vector<std::string> directories;
  if (name.find('/') != std::string::npos) {
    directories.push_back("");
  } else {
    const char* list = path ? path : std::getenv("PATH");
    const char separator = path ? ';' : ':';
    std::string all = list ? list : "";
    for (size_t start = 0; start <= all.size();) {
      size_t end = all.find(separator, start);
      if (end == std::string::npos) end = all.size();
      if (end > start) directories.push_back(all.substr(start, end - start) + "/");
      start = end + 1;
    }
  }
  for (const std::string& directory : directories) {
    const std::string candidate = directory + name;
    if (!IsRegularFile(candidate)) continue;
    const DWORD length = static_cast<DWORD>(candidate.size());
    if (!buffer || bufferLength <= length) return length + 1;
    std::memcpy(buffer, candidate.c_str(), length + 1);
    if (filePart) *filePart = buffer + candidate.find_last_of('/') + 1;
    return length;
  }
  return 0;
}
