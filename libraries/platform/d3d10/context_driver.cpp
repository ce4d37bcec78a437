// Driver types on Mesa (see context_driver_p.h): the forcing variables and the renderer check
// that every kind of context goes through.
#include "context_driver_p.h"
#include "context_p.h"

#include <platform/diagnostics.h>

#include <cstdlib>

namespace d3d10gl {

class ForcedDriver::ScopedEnv {
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

namespace {

// The GL driver a software module names; llvmpipe without one.
std::string SoftwareDriver(HMODULE module) {
  if (module) {
    typedef const char* (*NameFunction)();
    NameFunction name = reinterpret_cast<NameFunction>(GetProcAddress(module, "DuskSoftwareRasterizer"));
    if (name && name() && *name()) return name();
  }
  return "llvmpipe";
}

}  // namespace

const char* DriverName(D3D10_DRIVER_TYPE type) {
  switch (type) {
    case D3D10_DRIVER_TYPE_HARDWARE: return "hardware";
    case D3D10_DRIVER_TYPE_REFERENCE: return "reference";
    case D3D10_DRIVER_TYPE_WARP: return "WARP";
    case D3D10_DRIVER_TYPE_SOFTWARE: return "software";
    default: return "unknown";
  }
}

bool DriverTypeOffered(D3D10_DRIVER_TYPE type, HMODULE software, HRESULT* hr) {
  if (type == D3D10_DRIVER_TYPE_NULL) {
    platform::Report(platform::kReportInfo, "D3D10: the null driver type is not offered");
    *hr = E_NOTIMPL;
    return false;
  }
  if (type == D3D10_DRIVER_TYPE_SOFTWARE && !software) {
    *hr = E_INVALIDARG;
    return false;
  }
  return true;
}

ForcedDriver::ForcedDriver(D3D10_DRIVER_TYPE type, HMODULE software) {
  if (type == D3D10_DRIVER_TYPE_HARDWARE) return;
  std::string driver = type == D3D10_DRIVER_TYPE_REFERENCE ? "softpipe" : SoftwareDriver(software);
  mAlways = std::make_unique<ScopedEnv>("LIBGL_ALWAYS_SOFTWARE", "1");
  mGallium = std::make_unique<ScopedEnv>("GALLIUM_DRIVER", driver.c_str());
}

ForcedDriver::~ForcedDriver() = default;

const char* RefuseContext(D3D10_DRIVER_TYPE type, const std::string& renderer) {
  const char* refusal = nullptr;
  if (epoxy_gl_version() < 45) refusal = "OpenGL 4.5 is not offered";
  else if (type == D3D10_DRIVER_TYPE_HARDWARE && IsSoftwareRenderer(renderer)) refusal = "the renderer is a software rasteriser";
  else if (type == D3D10_DRIVER_TYPE_REFERENCE && renderer.find("softpipe") == std::string::npos)
    refusal = "the reference rasteriser (softpipe) is not available";
  if (refusal)
    platform::Report(platform::kReportInfo, "D3D10 %s device refused: %s (renderer \"%s\")", DriverName(type), refusal,
                     renderer.c_str());
  return refusal;
}

std::string CurrentGlString(unsigned name) {
  const GLubyte* text = glGetString(GLenum(name));
  return text ? reinterpret_cast<const char*>(text) : "";
}

bool IsSoftwareRenderer(const std::string& renderer) {
  static const char* const kSoftware[] = {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "lavapipe", "SWR"};
  for (const char* name : kSoftware)
    if (renderer.find(name) != std::string::npos) return true;
  return false;
}

}  // namespace d3d10gl
