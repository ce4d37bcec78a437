// Texture table and owned set.
#include "res/fw_TextureTable.h"

#include "res/fw_Texture.h"

#include <set>

namespace {
std::map<std::string, fw_Texture*>& Table() {
  static std::map<std::string, fw_Texture*> table;
  return table;
}
std::set<fw_Texture*>& Owned() {
  static std::set<fw_Texture*> owned;
  return owned;
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
