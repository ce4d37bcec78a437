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
