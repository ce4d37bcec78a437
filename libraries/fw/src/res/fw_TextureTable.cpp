// Texture table and owned set.
#include "res/fw_TextureTable.h"

#include "res/fw_Texture.h"

#include <set>

namespace {
// Never destroyed: the show may end in the middle of a frame, without the release, and what the
// table holds then stays with it until the process is gone.
std::map<std::string, fw_Texture*>& Table() {
  static auto* table = new std::map<std::string, fw_Texture*>;
  return *table;
}
std::set<fw_Texture*>& Owned() {
  static auto* owned = new std::set<fw_Texture*>;
  return *owned;
}
}  // namespace

fw_Texture* fw_FindTexture(const std::string& name) {
  auto it = Table().find(name);
  return it == Table().end() ? nullptr : it->second;
}

fw_Texture* fw_FindOrCreateTexture(const std::string& name) {
  if (fw_Texture* found = fw_FindTexture(name)) return found;
  fw_Texture* texture = fw_Texture::LoadFromImageFile(name);
  fw_EnterOwnedTexture(name, texture);
  return texture;
}

fw_Texture* fw_FindOrCreateTexture(const std::string& name, const fw_TextureFactory& factory) {
  if (fw_Texture* found = fw_FindTexture(name)) return found;
  if (!factory) return nullptr;
  fw_Texture* texture = factory();
  if (!texture) return nullptr;
  fw_EnterOwnedTexture(name, texture);
  return texture;
}

void fw_EnterOwnedTexture(const std::string& name, fw_Texture* texture) {
  if (!texture) return;
  Table()[name] = texture;
  Owned().insert(texture);
}

void fw_DestroyOwnedTexture(const std::string& name) {
  auto entry = Table().find(name);
  if (entry == Table().end()) return;
  fw_Texture* texture = entry->second;
  Table().erase(entry);
  if (Owned().erase(texture) == 0) return;
  // A texture entered under a second name must not stay findable once it is deleted.
  for (auto it = Table().begin(); it != Table().end();) it = it->second == texture ? Table().erase(it) : std::next(it);
  texture->release();
  delete texture;
}

void fw_DestroyOwnedTextures() {
  for (fw_Texture* texture : Owned()) {
    texture->release();
    delete texture;
  }
  Owned().clear();
  Table().clear();
}

const std::map<std::string, fw_Texture*>& fw_GetTextureTable() { return Table(); }
size_t fw_GetOwnedTextureCount() { return Owned().size(); }
