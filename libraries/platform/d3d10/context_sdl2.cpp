// GL 4.5 core contexts on SDL windows, one per device, and the meaning of the driver types:
//   HARDWARE  - the system's default GL driver, refused when its renderer is a software rasteriser;
//   WARP      - Mesa's llvmpipe, forced with LIBGL_ALWAYS_SOFTWARE and GALLIUM_DRIVER (the
//               software module, when given, may name another driver: DuskSoftwareRasterizer());
//   SOFTWARE  - as WARP, but only with a software module, as on the platform;
//   REFERENCE - Mesa's softpipe, the slow reference rasteriser; refused unless the renderer really
//               is softpipe with GL 4.5 (softpipe offers GL 3.3 in current Mesa, so this fails).
// Mesa reads those variables when GL first opens the display, so forcing a driver only works in
// a process that has not made a GL window yet; where the default driver is already loaded, WARP
// accepts whatever GL 4.5 renderer the display gives.
#include "context_p.h"
#include "gl_debug_p.h"

#include <platform/diagnostics.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace d3d10gl {
namespace {

// Sets an environment variable for the length of a scope, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : mName(name) {
    const char* old = getenv(name);
    mHad = old != nullptr;
    if (old) mOld = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (mHad) setenv(mName, mOld.c_str(), 1);
    else unsetenv(mName);
  }

 private:
  const char* mName;
  bool mHad = false;
  std::string mOld;
};

const char* DriverName(D3D10_DRIVER_TYPE type) {
  switch (type) {
    case D3D10_DRIVER_TYPE_HARDWARE: return "hardware";
    case D3D10_DRIVER_TYPE_REFERENCE: return "reference";
    case D3D10_DRIVER_TYPE_WARP: return "WARP";
    case D3D10_DRIVER_TYPE_SOFTWARE: return "software";
    default: return "unknown";
  }
}

// The GL driver a software module names; llvmpipe without one.
std::string SoftwareDriver(HMODULE module) {
  if (module) {
    typedef const char* (*NameFunction)();
    NameFunction name = reinterpret_cast<NameFunction>(GetProcAddress(module, "DuskSoftwareRasterizer"));
    if (name && name() && *name()) return name();
  }
  return "llvmpipe";
}

ContextInfo* MakeOn(SDL_Window* window, D3D10_DRIVER_TYPE type, HMODULE software, HRESULT* hr) {
  *hr = E_FAIL;
  if (type == D3D10_DRIVER_TYPE_NULL) {
    platform::Report(platform::kReportInfo, "D3D10: the null driver type is not offered");
    *hr = E_NOTIMPL;
    return nullptr;
  }
  if (type == D3D10_DRIVER_TYPE_SOFTWARE && !software) {
    *hr = E_INVALIDARG;
    return nullptr;
  }
  bool forceSoftware = type != D3D10_DRIVER_TYPE_HARDWARE;
  std::string driver = type == D3D10_DRIVER_TYPE_REFERENCE ? "softpipe" : SoftwareDriver(software);
  std::unique_ptr<ScopedEnv> always, gallium;
  if (forceSoftware) {
    always = std::make_unique<ScopedEnv>("LIBGL_ALWAYS_SOFTWARE", "1");
    gallium = std::make_unique<ScopedEnv>("GALLIUM_DRIVER", driver.c_str());
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, GlDebugContextFlags());
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  Device::CurrentContextChanged();
  SDL_GLContext gl = SDL_GL_CreateContext(window);
  if (!gl) {
    platform::Report(platform::kReportInfo, "D3D10 %s device: no OpenGL 4.5 core context (%s)", DriverName(type),
                     SDL_GetError());
    return nullptr;
  }
  SDL_GL_MakeCurrent(window, gl);
  InstallGlDebugCallback();
  std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER) ? glGetString(GL_RENDERER) : (const GLubyte*)"");
  std::string vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR) ? glGetString(GL_VENDOR) : (const GLubyte*)"");
  const char* refusal = nullptr;
  if (epoxy_gl_version() < 45) refusal = "OpenGL 4.5 is not offered";
  else if (type == D3D10_DRIVER_TYPE_HARDWARE && IsSoftwareRenderer(renderer)) refusal = "the renderer is a software rasteriser";
  else if (type == D3D10_DRIVER_TYPE_REFERENCE && renderer.find("softpipe") == std::string::npos)
    refusal = "the reference rasteriser (softpipe) is not available";
  if (refusal) {
    platform::Report(platform::kReportInfo, "D3D10 %s device refused: %s (renderer \"%s\")", DriverName(type), refusal,
                     renderer.c_str());
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(gl);
    return nullptr;
  }
  ContextInfo* context = new ContextInfo;
  context->window = window;
  context->gl = gl;
  context->renderer = renderer;
  context->vendor = vendor;
  *hr = S_OK;
  return context;
}

}  // namespace

bool IsSoftwareRenderer(const std::string& renderer) {
  static const char* const kSoftware[] = {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "lavapipe", "SWR"};
  for (const char* name : kSoftware)
    if (renderer.find(name) != std::string::npos) return true;
  return false;
}

ContextInfo* CreateContext(SDL_Window* window, D3D10_DRIVER_TYPE driverType, HMODULE software, HRESULT* hr) {
  if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) {
    platform::Report(platform::kReportWarning, "D3D10: the output window is not an OpenGL window");
    *hr = E_INVALIDARG;
    return nullptr;
  }
  return MakeOn(window, driverType, software, hr);
}

ContextInfo* CreateHiddenContext(D3D10_DRIVER_TYPE driverType, HMODULE software, HRESULT* hr) {
  *hr = E_FAIL;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    platform::Report(platform::kReportWarning, "D3D10: no display for a device (%s)", SDL_GetError());
    return nullptr;
  }
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* window = SDL_CreateWindow("d3d10", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 16, 16,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) {
    platform::Report(platform::kReportWarning, "D3D10: no window for a device (%s)", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  ContextInfo* context = MakeOn(window, driverType, software, hr);
  if (!context) {
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  context->ownsWindow = true;
  context->ownsVideo = true;
  return context;
}

void DestroyContext(ContextInfo* context) {
  if (!context) return;
  Device::CurrentContextChanged();
  SDL_GL_MakeCurrent(context->window, nullptr);
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context->gl));
  if (context->ownsWindow) SDL_DestroyWindow(context->window);
  if (context->ownsVideo) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  delete context;
}

void MakeContextCurrent(ContextInfo* context) {
  SDL_GL_MakeCurrent(context->window, static_cast<SDL_GLContext>(context->gl));
}

}  // namespace d3d10gl
