// Platform-internal: what a driver type means on Mesa, shared by the contexts made on SDL windows
// and those made offscreen through EGL, so both end at the same GL driver:
//   HARDWARE  - the system's default GL driver, refused when its renderer is a software rasteriser;
//   WARP      - Mesa's llvmpipe, forced with LIBGL_ALWAYS_SOFTWARE and GALLIUM_DRIVER (the
//               software module, when given, may name another driver: DuskSoftwareRasterizer());
//   SOFTWARE  - as WARP, but only with a software module, as on the platform;
//   REFERENCE - Mesa's softpipe, the slow reference rasteriser; refused unless the renderer really
//               is softpipe with GL 4.5 (softpipe offers GL 3.3 in current Mesa, so this fails).
#pragma once

#include <platform/d3d10.h>

#include <memory>
#include <string>

namespace d3d10gl {

const char* DriverName(D3D10_DRIVER_TYPE type);

// False, with *hr set and a report where it helps, for a driver type no context is made for.
bool DriverTypeOffered(D3D10_DRIVER_TYPE type, HMODULE software, HRESULT* hr);

// Sets the variables that make Mesa load the type's software driver for as long as it lives
// (nothing for HARDWARE), then restores them. Mesa reads them when it first opens a display.
class ForcedDriver {
 public:
  ForcedDriver(D3D10_DRIVER_TYPE type, HMODULE software);
  ~ForcedDriver();
  ForcedDriver(const ForcedDriver&) = delete;
  ForcedDriver& operator=(const ForcedDriver&) = delete;

 private:
  class ScopedEnv;
  std::unique_ptr<ScopedEnv> mAlways, mGallium;
};

// With the new context current: null when it is what the type asks for (GL 4.5 and the right
// kind of renderer), otherwise why not, already reported.
const char* RefuseContext(D3D10_DRIVER_TYPE type, const std::string& renderer);

// The current context's GL_RENDERER and GL_VENDOR strings ("" when GL gives none).
std::string CurrentGlString(unsigned name);

}  // namespace d3d10gl
