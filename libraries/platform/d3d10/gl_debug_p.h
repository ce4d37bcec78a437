// Platform-internal: labels for the GL calls the stand-in makes on behalf of a D3D10 or D3DX10
// call, the KHR_debug callback that turns GL errors into reports naming that call, and the
// counts of live GL objects (see <platform/d3d10_debug.h>).
#pragma once

namespace d3d10gl {

// Names the platform call in progress on this thread for as long as it lives; nests, so an
// error inside Apply's draw-state binding reads "ID3D10EffectPass::Apply > ...".
class GlCall {
 public:
  explicit GlCall(const char* name);
  ~GlCall();
  GlCall(const GlCall&) = delete;
  GlCall& operator=(const GlCall&) = delete;

 private:
  friend struct GlCallChain;
  const char* mName;
  const GlCall* mOuter;
};

// GL errors made while one lives are the caller's own to handle: it reads glGetError and turns
// them into a failed creation (a texture view of an incompatible format, storage GL cannot give).
class GlProbe {
 public:
  GlProbe();
  ~GlProbe();
  GlProbe(const GlProbe&) = delete;
  GlProbe& operator=(const GlProbe&) = delete;
};

// Installs the debug callback on the current context when checking is on; call right after the
// context is made current. Returns the SDL context flags a new context should ask for.
int GlDebugContextFlags();
void InstallGlDebugCallback();

enum GlObjectKind { kGlTexture, kGlBuffer, kGlFramebuffer, kGlProgram, kGlShader, kGlVertexArray, kGlSampler, kGlKinds };
// Every glCreate*/glGen* and glDelete* of the stand-in goes with one of these (names not zero).
void CountGlObjects(GlObjectKind kind, int delta);

}  // namespace d3d10gl
