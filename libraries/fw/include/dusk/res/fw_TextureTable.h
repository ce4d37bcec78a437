// The framework's texture table (name → fw_Texture, ordered by name) and its owned set (the
// textures it destroys at release). Render targets are entered under their names, image
// textures under their file names; FindOrCreateTexture is the way in for everyone else.
#pragma once

#include <boost/function.hpp>

#include <map>
#include <string>

class fw_Texture;

typedef boost::function<fw_Texture*()> fw_TextureFactory;

// The entry of that name, or null.
fw_Texture* fw_FindTexture(const std::string& name);
// The entry of that name; when absent, loads the image file of that name (data-path rule, with
// the fallback image) and enters it.
fw_Texture* fw_FindOrCreateTexture(const std::string& name);
// The entry of that name; when absent, enters what the factory makes. A missing factory, or one
// that returns null, enters nothing and gives null.
fw_Texture* fw_FindOrCreateTexture(const std::string& name, const fw_TextureFactory& factory);

// Enters a texture the framework made under a name and takes ownership of it. A texture already
// entered under that name stays owned (destroyed at release) but is no longer found by name.
void fw_EnterOwnedTexture(const std::string& name, fw_Texture* texture);
// Takes the entry of that name out of the table and, when the set owns it, releases and deletes
// it; for textures remade while the show runs (render targets at a new size). Absent: nothing.
void fw_DestroyOwnedTexture(const std::string& name);
// Releases and deletes every owned texture and empties the table and the set.
void fw_DestroyOwnedTextures();

const std::map<std::string, fw_Texture*>& fw_GetTextureTable();
size_t fw_GetOwnedTextureCount();
