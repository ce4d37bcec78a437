// GL error checking through KHR_debug: a synchronous callback on each device's context, enabled
// by EnableGlDebug() or DUSK_GL_DEBUG, that names the D3D10/D3DX10 call in progress (GlCall
// labels) and reports the error; under DUSK_GL_DEBUG=1 without a handler it ends the process, so
// a test that runs the program cannot miss it. Also the live GL object counts.
#include "gl_debug_p.h"

#include <platform/d3d10_debug.h>
#include <platform/diagnostics.h>

#include <SDL.h>
#include <epoxy/gl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace d3d10gl {

struct GlCallChain {
  static const GlCall* Outer(const GlCall* call) { return call->mOuter; }
  static const char* Name(const GlCall* call) { return call->mName; }
};

namespace {

thread_local const GlCall* tInnermostCall = nullptr;
thread_local int tProbes = 0;

std::atomic<bool> sEnabled{false};
std::atomic<unsigned long long> sErrors{0};
std::atomic<long> sLiveObjects[kGlKinds];

// Behind functions: a test installs its handler from a static initialiser in another file.
std::mutex& HandlerMutex() {
  static std::mutex mutex;
  return mutex;
}
std::function<void(const char*)>& Handler() {
  static std::function<void(const char*)> handler;
  return handler;
}

// Past this many, errors in a playing show are counted but no longer each written to the log.
constexpr unsigned long long kReportedErrors = 100;

bool FatalFromEnvironment() {
  const char* value = getenv("DUSK_GL_DEBUG");
  return value && *value && strcmp(value, "0") != 0;
}

// Release is labelled with its template's signature; "ID3D10Texture2D::Release" reads better.
std::string CallName(const char* name) {
  const char* with = strstr(name, "[with Base = ");
  if (!with) return name;
  std::string base(with + strlen("[with Base = "));
  size_t end = base.find_first_of(";]");
  if (end != std::string::npos) base.resize(end);
  const char* open = strchr(name, '(');
  std::string method = open ? std::string(name, open) : std::string(name);
  size_t colons = method.rfind("::");
  return base + (colons == std::string::npos ? "::?" : method.substr(colons));
}

const char* TypeName(GLenum type) {
  return type == GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR ? "GL undefined behaviour" : "GL error";
}

void GLAPIENTRY OnDebugMessage(GLenum source, GLenum type, GLuint id, GLenum, GLsizei length, const GLchar* text,
                               const void*) {
  if (type != GL_DEBUG_TYPE_ERROR && type != GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR) return;
  // A shader that does not compile is a bad effect file, reported by the effect loader.
  if (source == GL_DEBUG_SOURCE_SHADER_COMPILER || tProbes > 0) return;
  unsigned long long count = ++sErrors;
  std::string calls;
  const GlCall* chain[16];
  int depth = 0;
  for (const GlCall* c = tInnermostCall; c && depth < 16; c = GlCallChain::Outer(c)) chain[depth++] = c;
  for (int i = depth - 1; i >= 0; --i) {
    if (!calls.empty()) calls += " > ";
    calls += CallName(GlCallChain::Name(chain[i]));
  }
  if (calls.empty()) calls = "no D3D10 call (GL used directly)";
  std::string message = std::string(TypeName(type)) + " during " + calls + ": " +
                         std::string(text, length >= 0 ? size_t(length) : strlen(text)) + " (GL message " +
                         std::to_string(id) + ")";
  std::function<void(const char*)> handler;
  {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    handler = Handler();
  }
  if (count <= kReportedErrors || handler || FatalFromEnvironment())
    platform::Report(platform::kReportError, "%s", message.c_str());
  if (count == kReportedErrors && !handler)
    platform::Report(platform::kReportError, "GL debug: further GL errors are counted but not reported");
  if (handler) {
    handler(message.c_str());
  } else if (FatalFromEnvironment()) {
    fprintf(stderr, "DUSK_GL_DEBUG: ending the process at the first GL error: %s\n", message.c_str());
    fflush(nullptr);
    abort();
  }
}

}  // namespace

GlCall::GlCall(const char* name) : mName(name), mOuter(tInnermostCall) { tInnermostCall = this; }
GlCall::~GlCall() { tInnermostCall = mOuter; }

GlProbe::GlProbe() { ++tProbes; }
GlProbe::~GlProbe() { --tProbes; }

int GlDebugContextFlags() { return platform::GlDebugEnabled() ? SDL_GL_CONTEXT_DEBUG_FLAG : 0; }

void InstallGlDebugCallback() {
  if (!platform::GlDebugEnabled()) return;
  if (epoxy_gl_version() < 43 && !epoxy_has_gl_extension("GL_KHR_debug")) {
    platform::Report(platform::kReportWarning, "GL debug: the context offers no KHR_debug; GL errors go unseen");
    return;
  }
  glEnable(GL_DEBUG_OUTPUT);
  // Synchronous, so the callback runs inside the GL call and the labelled D3D10 call is still on.
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  glDebugMessageCallback(OnDebugMessage, nullptr);
  glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_FALSE);
  glDebugMessageControl(GL_DONT_CARE, GL_DEBUG_TYPE_ERROR, GL_DONT_CARE, 0, nullptr, GL_TRUE);
  glDebugMessageControl(GL_DONT_CARE, GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR, GL_DONT_CARE, 0, nullptr, GL_TRUE);
}

void CountGlObjects(GlObjectKind kind, int delta) { sLiveObjects[kind] += delta; }

}  // namespace d3d10gl

namespace platform {

void EnableGlDebug() { d3d10gl::sEnabled = true; }

bool GlDebugEnabled() { return d3d10gl::sEnabled || d3d10gl::FatalFromEnvironment(); }

unsigned long long GlErrorCount() { return d3d10gl::sErrors; }

void SetGlErrorHandler(std::function<void(const char* message)> handler) {
  std::lock_guard<std::mutex> lock(d3d10gl::HandlerMutex());
  d3d10gl::Handler() = std::move(handler);
}

GlObjectCounts LiveGlObjects() {
  using namespace d3d10gl;
  GlObjectCounts counts;
  counts.textures = sLiveObjects[kGlTexture];
  counts.buffers = sLiveObjects[kGlBuffer];
  counts.framebuffers = sLiveObjects[kGlFramebuffer];
  counts.programs = sLiveObjects[kGlProgram];
  counts.shaders = sLiveObjects[kGlShader];
  counts.vertexArrays = sLiveObjects[kGlVertexArray];
  counts.samplers = sLiveObjects[kGlSampler];
  return counts;
}

}  // namespace platform
