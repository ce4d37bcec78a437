// Instance handles over the program's resource tables; icons and the stock cursor and brush.
#include "resources_p.h"

#include <mutex>
#include <vector>

namespace {

std::mutex gMutex;
std::vector<const platform::ResourceTable*> gModules;  // handle = index + 1
std::vector<const platform::IconResource*> gIcons;      // handle = index + 1

const platform::ResourceTable* tableFor(HINSTANCE instance) {
  uintptr_t index = reinterpret_cast<uintptr_t>(instance);
  if (index == 0 || index > gModules.size()) return nullptr;
  return gModules[index - 1];
}

}  // namespace

namespace platform {

HINSTANCE RegisterModuleResources(const ResourceTable* table) {
  std::lock_guard<std::mutex> lock(gMutex);
  gModules.push_back(table);
  return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(gModules.size()));
}

namespace resources {

const DialogResource* FindDialog(HINSTANCE instance, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;  // only numbered dialogs exist
  int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
  std::lock_guard<std::mutex> lock(gMutex);
  const ResourceTable* table = tableFor(instance);
  if (!table) return nullptr;
  for (int i = 0; i < table->dialogCount; ++i)
    if (table->dialogs[i].id == id) return &table->dialogs[i];
  return nullptr;
}

const IconResource* FindIcon(HICON icon) {
  uintptr_t index = reinterpret_cast<uintptr_t>(icon);
  std::lock_guard<std::mutex> lock(gMutex);
  if (index == 0 || index > gIcons.size()) return nullptr;
  return gIcons[index - 1];
}

}  // namespace resources
}  // namespace platform

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName) return nullptr;  // only the program itself is known by handle
  std::lock_guard<std::mutex> lock(gMutex);
  return gModules.empty() ? nullptr : reinterpret_cast<HMODULE>(static_cast<uintptr_t>(1));
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
  std::lock_guard<std::mutex> lock(gMutex);
  const platform::ResourceTable* table = tableFor(instance);
  if (!table) return nullptr;  // stock icons: the window manager's default is used
  for (int i = 0; i < table->iconCount; ++i) {
    if (table->icons[i].id != id) continue;
    for (size_t k = 0; k < gIcons.size(); ++k)
      if (gIcons[k] == &table->icons[i]) return reinterpret_cast<HICON>(k + 1);
    gIcons.push_back(&table->icons[i]);
    return reinterpret_cast<HICON>(static_cast<uintptr_t>(gIcons.size()));
  }
  return nullptr;
}

// The arrow is SDL's default cursor and brushes have nothing to paint on; both are tokens.
HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) { return reinterpret_cast<HCURSOR>(const_cast<LPSTR>(name)); }
HBRUSH GetSysColorBrush(int index) { return reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(index + 1)); }
