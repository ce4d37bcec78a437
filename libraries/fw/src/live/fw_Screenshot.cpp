// Screenshots: encoded in memory and written under the first free name, never over a picture.
#include "live/fw_Screenshot.h"

#include "diag/fw_Log.h"

#include <platform/d3dx10tex.h>
#include <platform/file_write.h>

#include <sys/stat.h>

#include <cstdio>

std::string fw_SaveScreenshot(ID3D10Texture2D* texture, const std::string& directory, int row) {
  char stem[32];
  std::snprintf(stem, sizeof(stem), "row_%05d", row);
  mkdir(directory.c_str(), 0777);  // made at start; made again if someone tidied it away since
  ID3D10Blob* png = nullptr;
  std::string path, reason = "the picture could not be read back";
  if (texture && SUCCEEDED(D3DX10SaveTextureToMemory(texture, D3DX10_IFF_PNG, &png, 0)) && png)
    path = platform::WriteNewFile(directory, stem, ".png", png->GetBufferPointer(), png->GetBufferSize(), &reason);
  if (png) png->Release();
  if (path.empty())
    fw_Log(fw_LogError, "Screenshot %s.png could not be written to <%s>: %s.", stem, directory.c_str(), reason.c_str());
  else
    fw_Log(fw_LogPlain, "Screenshot <%s> written.", path.c_str());
  return path;
}
