// Module cache over LoadLibraryA.
#include "audio/fw_ModuleCache.h"

#include "diag/fw_Alert.h"
#include "diag/fw_Exit.h"

#include <cstdio>
#include <map>
#include <string>

namespace {

// Never destroyed: the music player may release its library from a static destructor at exit.
std::map<std::string, HMODULE>& modules() {
  static auto* table = new std::map<std::string, HMODULE>;
  return *table;
}

}  // namespace

HMODULE fw_LoadModule(const char* fileName) {
  const std::string name = fileName ? fileName : "";
  auto& table = modules();
  auto it = table.find(name);
  if (it != table.end()) return it->second;

  HMODULE module = LoadLibraryA(name.c_str());
  if (!module) {
    static char message[16256];
    std::snprintf(message, sizeof(message), "Could not load %s", name.c_str());
    fw_Alert("%s", message);
    fw_ExitProcess(20, "a library could not be loaded");
  }
  table.emplace(name, module);
  return module;
}

void fw_ReleaseModule(const char* fileName) {
  auto& table = modules();
  auto it = table.find(fileName ? fileName : "");
  if (it == table.end()) return;
  FreeLibrary(it->second);
  table.erase(it);
}

bool fw_IsModuleLoaded(const char* fileName) { return modules().count(fileName ? fileName : "") != 0; }
