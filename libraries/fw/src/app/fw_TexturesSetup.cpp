// The framework's texture table and owned set live with the framework object.
#include "app/fw_FrameworkServices.h"
#include "res/fw_TextureTable.h"

// The table exists (empty) from the start of the program; nothing to build here.
void fw_CreateTextureTable() { fw_DestroyOwnedTextures(); }

void fw_DestroyTextureTable() { fw_DestroyOwnedTextures(); }
