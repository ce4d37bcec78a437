// Working directory, directory creation and file status on POSIX.
#include <platform/win32.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  char path[4096];
  if (!getcwd(path, sizeof(path))) return 0;
  DWORD needed = static_cast<DWORD>(strlen(path));
  if (!buffer || size <= needed) return needed + 1;  // the platform reports the size it needs
  memcpy(buffer, path, needed + 1);
  return needed;
}

BOOL SetCurrentDirectoryA(LPCSTR path) { return path && chdir(path) == 0 ? TRUE : FALSE; }

BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES*) { return path && mkdir(path, 0777) == 0 ? TRUE : FALSE; }

DWORD GetFileAttributesA(LPCSTR path) {
  struct stat st{};
  if (!path || stat(path, &st) != 0) return INVALID_FILE_ATTRIBUTES;
  return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) {
  if (!path) return 0;
  std::string full;
  if (path[0] == '/') {
    full = path;
  } else {
    char cwd[4096];
    if (!getcwd(cwd, sizeof(cwd))) return 0;
    full = std::string(cwd) + "/" + path;
  }
  if (!buffer || size <= full.size()) return static_cast<DWORD>(full.size() + 1);
  memcpy(buffer, full.c_str(), full.size() + 1);
  if (filePart) {
    char* slash = strrchr(buffer, '/');
    *filePart = slash ? slash + 1 : buffer;
  }
  return static_cast<DWORD>(full.size());
}

// Standard handles carry their descriptor number; they are no kernel objects to wait on or close.
HANDLE GetStdHandle(DWORD which) {
  const intptr_t fd = which == STD_INPUT_HANDLE ? 0 : which == STD_OUTPUT_HANDLE ? 1 : which == STD_ERROR_HANDLE ? 2 : -1;
  return fd < 0 ? nullptr : reinterpret_cast<HANDLE>(fd + 1);
}

DWORD GetFileType(HANDLE file) {
  const intptr_t fd = reinterpret_cast<intptr_t>(file) - 1;
  if (fd < 0 || fd > 2) return FILE_TYPE_UNKNOWN;
  if (isatty(static_cast<int>(fd))) return FILE_TYPE_CHAR;
  struct stat st{};
  if (fstat(static_cast<int>(fd), &st) != 0) return FILE_TYPE_UNKNOWN;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
  return S_ISREG(st.st_mode) || S_ISBLK(st.st_mode) ? FILE_TYPE_DISK : FILE_TYPE_CHAR;
}
