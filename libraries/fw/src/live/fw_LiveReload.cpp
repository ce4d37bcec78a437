// Saved images and effects taken into the running show.
#include "live/fw_LiveReload.h"

#include "device/fw_DeviceState.h"
#include "diag/fw_Log.h"
#include "res/fw_Effect.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"

#include <platform/d3d10_live.h>
#include <platform/d3dx10tex.h>

#include <boost/filesystem.hpp>

#include <cctype>
#include <cstdio>
#include <sstream>

namespace {

std::string Extension(const std::string& path) {
  std::string ext = boost::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool SameFile(const std::string& a, const std::string& b) {
  boost::system::error_code error;
  return boost::filesystem::equivalent(a, b, error) && !error;
}

// The line of the compiler's messages that says what is wrong: a stage that does not compile is
// announced on a line of its own ending in ':', with the compiler's own lines below it.
std::string FirstError(const std::string& messages) {
  std::istringstream lines(messages);
  std::string line, first;
  while (std::getline(lines, line)) {
    line.erase(0, line.find_first_not_of(' '));
    if (line.empty()) continue;
    if (first.empty()) first = line;
    if (line.find("error") != std::string::npos && line.back() != ':') return line;
  }
  return first;
}

// The person editing is looking at standard output when the log is a file.
void ReportBuildFailure(const char* what, const std::string& source, const std::string& messages) {
  fw_Log(fw_LogWarning, "%s <%s> did not build; the one in use stays: %s", what, source.c_str(), messages.c_str());
  std::printf("dusk: effect error: %s\n", messages.c_str());
  std::fflush(stdout);
}

// Points the texture at the resource its view now shows.
void TakeResourceOfView(fw_Texture* texture) {
  if (texture->mTexture2D) texture->mTexture2D->Release();
  if (texture->mTexture3D) texture->mTexture3D->Release();
  texture->mTexture2D = nullptr;
  texture->mTexture3D = nullptr;
  ID3D10Resource* resource = nullptr;
  texture->mShaderResourceView->GetResource(&resource);
  if (!resource) return;
  if (FAILED(resource->QueryInterface(__uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&texture->mTexture2D))))
    resource->QueryInterface(__uuidof(ID3D10Texture3D), reinterpret_cast<void**>(&texture->mTexture3D));
  resource->Release();
}

}  // namespace

int fw_LiveReloadImage(const std::string& path) {
  int taken = 0;
  for (const auto& [texture, file] : fw_GetImageTextures()) {
    if (!texture->mShaderResourceView || !SameFile(file, path)) continue;
    ID3D10ShaderResourceView* view = nullptr;
    D3DX10CreateShaderResourceViewFromFileA(fw_GetDevice(), path.c_str(), nullptr, nullptr, &view, nullptr);
    if (!view) {
      fw_Log(fw_LogWarning, "Image <%s> could not be read; the texture keeps its picture.", path.c_str());
      continue;
    }
    // The view everyone holds (effect variables, materials, the table) shows the new picture;
    // the other one now shows the old picture and goes with this release, or with the last
    // holder of a reference to it.
    if (!platform::ExchangeShaderResourceViews(texture->mShaderResourceView, view)) {
      fw_Log(fw_LogWarning, "Image <%s>: the texture in use cannot take the new picture.", path.c_str());
      view->Release();
      continue;
    }
    view->Release();
    TakeResourceOfView(texture);
    // A picture that gains see-through texels must be blended from now on.
    texture->mOpaque = fw_AllTexelsOpaque(texture->mTexture2D);
    fw_Log(fw_LogPlain, "Image <%s> reloaded (%u x %u).", path.c_str(), texture->getWidth(), texture->getHeight());
    ++taken;
  }
  return taken;
}

std::string fw_LiveReloadEffects(const std::string& path) {
  std::string firstError;
  auto failed = [&firstError](const char* what, const std::string& source, const std::string& messages) {
    ReportBuildFailure(what, source, messages);
    if (!firstError.empty()) return;
    firstError = FirstError(messages);
    if (firstError.empty()) firstError = source + ": the effect was not created";
  };

  const bool include = Extension(path) == ".fxi";
  const std::string poolPath = fw_EffectPoolPath();
  if (include && SameFile(path, poolPath)) {
    // The effects are built against the pool: with the old one they would not see the change.
    std::string messages;
    if (!fw_ReloadEffectPool(&messages)) {
      failed("Effect pool", poolPath, messages);
      return firstError;
    }
    fw_Log(fw_LogPlain, "Effect pool <%s> reloaded.", poolPath.c_str());
  }
  for (fw_Effect* effect : fw_GetLoadedEffects()) {
    // A precompiled effect has its includes resolved already: it is rebuilt from the source
    // beside it, which the loader reads as well (the .fxo itself stays as the build left it).
    std::string source = effect->mPath;
    if (Extension(source) == ".fxo" && boost::filesystem::exists(source.substr(0, source.size() - 1)))
      source.pop_back();
    // An include may be used by any effect; rebuilding all of them is cheap next to a save.
    if (!include && !SameFile(source, path)) continue;
    std::string messages;
    if (effect->reload(&messages, source))
      fw_Log(fw_LogPlain, "Effect <%s> reloaded.", source.c_str());
    else
      failed("Effect", source, messages);
  }
  return firstError;
}
