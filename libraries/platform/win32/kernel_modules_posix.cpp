// Dynamic libraries over dlopen: "name.dll" is looked for as "libname.so" beside the executable,
// then on the system's library path.
#include <platform/win32.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

thread_local DWORD gLastError = 0;

std::string executableDirectory() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return ".";
  path[n] = '\0';
  std::string s(path);
  auto slash = s.rfind('/');
  return slash == std::string::npos ? "." : s.substr(0, slash);
}

// "bass.dll" -> "libbass.so"; a name with a path or another extension is kept as it is.
std::string sharedObjectName(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  std::string base = name;
  if (base.size() > 4 && strcasecmp(base.c_str() + base.size() - 4, ".dll") == 0) {
    base.resize(base.size() - 4);
    return "lib" + base + ".so";
  }
  return base;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (!fileName || !*fileName) {
    gLastError = 87;  // ERROR_INVALID_PARAMETER
    return nullptr;
  }
  std::string so = sharedObjectName(fileName);
  void* handle = nullptr;
  if (so.find('/') == std::string::npos) handle = dlopen((executableDirectory() + "/" + so).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) handle = dlopen(so.c_str(), RTLD_NOW | RTLD_LOCAL);
  gLastError = handle ? 0 : 126;  // ERROR_MOD_NOT_FOUND
  return reinterpret_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (!module || !procName) return nullptr;
  void* symbol = dlsym(reinterpret_cast<void*>(module), procName);
  gLastError = symbol ? 0 : 127;  // ERROR_PROC_NOT_FOUND
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  if (!module) return FALSE;
  return dlclose(reinterpret_cast<void*>(module)) == 0 ? TRUE : FALSE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (!fileName || size == 0) return 0;
  std::string path;
  if (!module) {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) return 0;
    path.assign(buffer, static_cast<size_t>(n));
  } else {
    return 0;  // only the executable's own path is ever asked for
  }
  size_t n = path.size() < size - 1 ? path.size() : size - 1;
  memcpy(fileName, path.data(), n);
  fileName[n] = '\0';
  return static_cast<DWORD>(n);
}

DWORD GetLastError() { return gLastError; }
