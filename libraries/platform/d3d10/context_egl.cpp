// GL 4.5 core contexts with no display server: EGL on Mesa's surfaceless platform, with the same
// context attributes as on a window (version, core profile, the debug flag when GL errors are
// checked) and the same driver types (context_driver_p.h), so the same GL driver renders the
// same pictures. There is no default framebuffer; the device draws only into its own
// framebuffers, and the swap chain's back buffer is one of those textures either way.
#include "context_p.h"
#include "context_driver_p.h"
#include "gl_debug_p.h"

#include <platform/d3d10_debug.h>
#include <platform/diagnostics.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>

namespace d3d10gl {
namespace {

bool HasExtension(const char* list, const char* name) {
  if (!list) return false;
  const size_t n = strlen(name);
  for (const char* at = strstr(list, name); at; at = strstr(at + n, name))
    if ((at == list || at[-1] == ' ') && (at[n] == ' ' || at[n] == '\0')) return true;
  return false;
}

const char* EglErrorName(EGLint error) {
  switch (error) {
    case EGL_SUCCESS: return "EGL_SUCCESS";
    case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
    case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
    case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
    case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
    case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
    case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
    default: return "an EGL error";
  }
}

// The surfaceless display, initialised; EGL_NO_DISPLAY (reported) when EGL cannot give one. Every
// offscreen context lives on this one display, which stays initialised for the rest of the
// process, as an X display's GL driver does: terminating it unloads the driver (with LLVM), which
// cannot reliably be loaded again in the same process. As on a window, the forcing variables
// therefore count only for the first context made.
EGLDisplay OpenSurfacelessDisplay() {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    platform::Report(platform::kReportWarning, "EGL: the surfaceless platform is not offered (Mesa's EGL is needed)");
    return EGL_NO_DISPLAY;
  }
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  EGLDisplay display =
      getPlatformDisplay ? getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr) : EGL_NO_DISPLAY;
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
    platform::Report(platform::kReportWarning, "EGL: the surfaceless display cannot be initialised (%s)",
                     EglErrorName(eglGetError()));
    return EGL_NO_DISPLAY;
  }
  return display;
}

// A config for desktop GL when the display cannot make contexts without one.
bool ChooseConfig(EGLDisplay display, EGLConfig* config) {
  if (HasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_no_config_context")) {
    *config = EGL_NO_CONFIG_KHR;
    return true;
  }
  const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0, EGL_RED_SIZE, 8,
                               EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_NONE};
  EGLint count = 0;
  return eglChooseConfig(display, attributes, config, 1, &count) && count > 0;
}

}  // namespace

ContextInfo* CreateOffscreenContext(int width, int height, D3D10_DRIVER_TYPE type, HMODULE software, HRESULT* hr) {
  *hr = E_FAIL;
  if (!DriverTypeOffered(type, software, hr)) return nullptr;
  ForcedDriver forced(type, software);
  EGLDisplay display = OpenSurfacelessDisplay();
  if (display == EGL_NO_DISPLAY) return nullptr;
  const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
  EGLConfig config = nullptr;
  if (!HasExtension(extensions, "EGL_KHR_surfaceless_context") || !HasExtension(extensions, "EGL_KHR_create_context") ||
      !eglBindAPI(EGL_OPENGL_API) || !ChooseConfig(display, &config)) {
    platform::Report(platform::kReportInfo, "D3D10 %s device: EGL offers no desktop OpenGL context without a surface",
                     DriverName(type));
    return nullptr;
  }
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION_KHR, 4,
                               EGL_CONTEXT_MINOR_VERSION_KHR, 5,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK_KHR, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT_KHR,
                               EGL_CONTEXT_FLAGS_KHR, platform::GlDebugEnabled() ? EGL_CONTEXT_OPENGL_DEBUG_BIT_KHR : 0,
                               EGL_NONE};
  Device::CurrentContextChanged();
  EGLContext gl = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
  if (gl == EGL_NO_CONTEXT) {
    platform::Report(platform::kReportInfo, "D3D10 %s device: no OpenGL 4.5 core context through EGL (%s)",
                     DriverName(type), EglErrorName(eglGetError()));
    return nullptr;
  }
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, gl)) {
    platform::Report(platform::kReportInfo, "D3D10 %s device: the EGL context cannot be made current (%s)",
                     DriverName(type), EglErrorName(eglGetError()));
    eglDestroyContext(display, gl);
    return nullptr;
  }
  InstallGlDebugCallback();
  std::string renderer = CurrentGlString(GL_RENDERER);
  std::string vendor = CurrentGlString(GL_VENDOR);
  if (RefuseContext(type, renderer)) {
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, gl);
    return nullptr;
  }
  platform::Report(platform::kReportInfo, "no display: rendering offscreen through EGL (%s device, renderer \"%s\")",
                   DriverName(type), renderer.c_str());
  ContextInfo* context = new ContextInfo;
  context->gl = gl;
  context->eglDisplay = display;
  context->offscreenWidth = width;
  context->offscreenHeight = height;
  context->renderer = renderer;
  context->vendor = vendor;
  *hr = S_OK;
  return context;
}

void DestroyOffscreenContext(ContextInfo* context) {
  Device::CurrentContextChanged();
  EGLDisplay display = static_cast<EGLDisplay>(context->eglDisplay);
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(display, static_cast<EGLContext>(context->gl));
  delete context;
}

void MakeOffscreenContextCurrent(ContextInfo* context) {
  eglMakeCurrent(static_cast<EGLDisplay>(context->eglDisplay), EGL_NO_SURFACE, EGL_NO_SURFACE,
                 static_cast<EGLContext>(context->gl));
}

}  // namespace d3d10gl
