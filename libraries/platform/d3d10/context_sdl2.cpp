// GL 4.5 core contexts on SDL windows, one per device; the driver types mean what
// context_driver_p.h says. Mesa reads the forcing variables when GL first opens the display, so
// forcing a driver only works in a process that has not made a GL window yet; where the default
// driver is already loaded, WARP accepts whatever GL 4.5 renderer the display gives.
#include "context_p.h"
#include "context_driver_p.h"
#include "gl_debug_p.h"

#include <platform/diagnostics.h>

#include <SDL.h>

namespace d3d10gl {
namespace {

ContextInfo* MakeOn(SDL_Window* window, D3D10_DRIVER_TYPE type, HMODULE software, HRESULT* hr) {
  *hr = E_FAIL;
  if (!DriverTypeOffered(type, software, hr)) return nullptr;
  ForcedDriver forced(type, software);
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
  std::string renderer = CurrentGlString(GL_RENDERER);
  std::string vendor = CurrentGlString(GL_VENDOR);
  if (RefuseContext(type, renderer)) {
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
  if (!context->window) return DestroyOffscreenContext(context);
  Device::CurrentContextChanged();
  SDL_GL_MakeCurrent(context->window, nullptr);
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context->gl));
  if (context->ownsWindow) SDL_DestroyWindow(context->window);
  if (context->ownsVideo) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  delete context;
}

void MakeContextCurrent(ContextInfo* context) {
  if (!context->window) return MakeOffscreenContextCurrent(context);
  SDL_GL_MakeCurrent(context->window, static_cast<SDL_GLContext>(context->gl));
}

}  // namespace d3d10gl
