// Per-draw CPU cost of the Direct3D 10 stand-in against the same draws made on raw OpenGL, in
// one run on one GL context: a full-screen quad into a 16x16 target with one uniform that changes
// every draw and one texture. The layer's draw is what the framework's quad draw does (input
// layout, vertex and index buffers, topology, technique description, pass Apply, DrawIndexed);
// the raw draw is the least a GL program can do (the uniform and the draw, everything else bound
// once).
// Only submission is timed (CPU time of the submitting thread); the rasteriser is drained between batches. Run under Xvfb:
//   xvfb-run -a ./bench_d3d10_draw
// BM_LayerVersusRawGl alternates batches of both and reports the median nanoseconds per draw of
// each and their ratio.
#include <platform/d3dx10effect.h>

#include "../libraries/platform/d3d10/device_p.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* kVertex = R"(layout(location = 0) in vec3 POSITION;
layout(location = 0) out vec2 vUV;
void main() { gl_Position = vec4(POSITION, 1.0); vUV = POSITION.xy * 0.5 + 0.5; }
)";
const char* kFragment = R"(layout(location = 0) in vec2 vUV;
layout(location = 0) out vec4 oColor;
void main() { oColor = texture(gTexture, vUV) * gScale; }
)";
const char* kCommon = "uniform float gScale = 1.0;\nuniform sampler2D gTexture;\n";

const float kVertices[] = {-1, 1, 0, 1, 1, 0, 1, -1, 0, -1, -1, 0};
const uint32_t kIndices[] = {0, 1, 2, 0, 2, 3};

// Everything both paths draw with, made once.
struct Scene {
  ID3D10Device* device = nullptr;
  // Layer side
  ID3D10Effect* effect = nullptr;
  ID3D10EffectTechnique* technique = nullptr;
  ID3D10EffectScalarVariable* scale = nullptr;
  ID3D10Buffer* vertices = nullptr;
  ID3D10Buffer* indices = nullptr;
  ID3D10InputLayout* layout = nullptr;
  ID3D10Texture2D* target = nullptr;
  ID3D10RenderTargetView* targetView = nullptr;
  ID3D10Texture2D* texture = nullptr;
  ID3D10ShaderResourceView* textureView = nullptr;
  // Raw GL side, on the device's context with objects of its own
  GLuint program = 0, vao = 0, vbo = 0, ibo = 0, fbo = 0, rawTarget = 0, rawTexture = 0, sampler = 0;
  GLint scaleLocation = -1;
  bool ok = false;
};

GLuint Compile(GLenum type, const std::string& text) {
  GLuint shader = glCreateShader(type);
  const char* source = text.c_str();
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

Scene& TheScene() {
  static Scene s;
  static bool made = false;
  if (made) return s;
  made = true;
  if (FAILED(D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &s.device))) return s;
  std::string fx = std::string("-- common\n") + kCommon + "-- vertex VS\n" + kVertex + "-- fragment PS\n" + kFragment +
                   "-- technique Quad\npass p0 vertex=VS fragment=PS blend=add depth=off cull=none\n";
  D3DX10CreateEffectFromMemory(fx.data(), fx.size(), "bench.fx", nullptr, nullptr, "fx_4_0", 0, 0, s.device, nullptr,
                               nullptr, &s.effect, nullptr, nullptr);
  if (!s.effect) return s;
  s.technique = s.effect->GetTechniqueByName("Quad");
  s.scale = s.effect->GetVariableByName("gScale")->AsScalar();
  D3D10_BUFFER_DESC vb{sizeof(kVertices), D3D10_USAGE_DEFAULT, D3D10_BIND_VERTEX_BUFFER, 0, 0};
  D3D10_SUBRESOURCE_DATA vbData{kVertices, 0, 0};
  s.device->CreateBuffer(&vb, &vbData, &s.vertices);
  D3D10_BUFFER_DESC ib{sizeof(kIndices), D3D10_USAGE_DEFAULT, D3D10_BIND_INDEX_BUFFER, 0, 0};
  D3D10_SUBRESOURCE_DATA ibData{kIndices, 0, 0};
  s.device->CreateBuffer(&ib, &ibData, &s.indices);
  D3D10_PASS_DESC pass;
  s.technique->GetPassByIndex(0)->GetDesc(&pass);
  D3D10_INPUT_ELEMENT_DESC element{"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0};
  s.device->CreateInputLayout(&element, 1, pass.pIAInputSignature, pass.IAInputSignatureSize, &s.layout);
  D3D10_TEXTURE2D_DESC td{16, 16, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                          D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, 0, 0};
  s.device->CreateTexture2D(&td, nullptr, &s.target);
  s.device->CreateRenderTargetView(s.target, nullptr, &s.targetView);
  s.device->CreateTexture2D(&td, nullptr, &s.texture);
  s.device->CreateShaderResourceView(s.texture, nullptr, &s.textureView);
  s.effect->GetVariableByName("gTexture")->AsShaderResource()->SetResource(s.textureView);

  // The same pipeline by hand, on the device's context (current after the calls above).
  std::string header = std::string("#version 450 core\n") + kCommon;
  GLuint vs = Compile(GL_VERTEX_SHADER, header + kVertex), fs = Compile(GL_FRAGMENT_SHADER, header + kFragment);
  s.program = glCreateProgram();
  glAttachShader(s.program, vs);
  glAttachShader(s.program, fs);
  glLinkProgram(s.program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  s.scaleLocation = glGetUniformLocation(s.program, "gScale");
  glProgramUniform1i(s.program, glGetUniformLocation(s.program, "gTexture"), 0);
  glCreateBuffers(1, &s.vbo);
  glNamedBufferStorage(s.vbo, sizeof(kVertices), kVertices, 0);
  glCreateBuffers(1, &s.ibo);
  glNamedBufferStorage(s.ibo, sizeof(kIndices), kIndices, 0);
  glCreateVertexArrays(1, &s.vao);
  glEnableVertexArrayAttrib(s.vao, 0);
  glVertexArrayAttribFormat(s.vao, 0, 3, GL_FLOAT, GL_FALSE, 0);
  glVertexArrayAttribBinding(s.vao, 0, 0);
  glVertexArrayVertexBuffer(s.vao, 0, s.vbo, 0, 12);
  glVertexArrayElementBuffer(s.vao, s.ibo);
  glCreateTextures(GL_TEXTURE_2D, 1, &s.rawTarget);
  glTextureStorage2D(s.rawTarget, 1, GL_RGBA8, 16, 16);
  glCreateTextures(GL_TEXTURE_2D, 1, &s.rawTexture);
  glTextureStorage2D(s.rawTexture, 1, GL_RGBA8, 16, 16);
  glCreateFramebuffers(1, &s.fbo);
  glNamedFramebufferTexture(s.fbo, GL_COLOR_ATTACHMENT0, s.rawTarget, 0);
  glCreateSamplers(1, &s.sampler);
  s.ok = s.layout && s.targetView && s.textureView && s.program;
  return s;
}

void BindLayerTarget(Scene& s) {
  // The raw side changed GL behind the device's caches: put back what the device believes.
  d3d10gl::DeviceOf(s.device)->ResyncGlState();
  s.device->OMSetRenderTargets(1, &s.targetView, nullptr);
  D3D10_VIEWPORT vp{0, 0, 16, 16, 0.0f, 1.0f};
  s.device->RSSetViewports(1, &vp);
}

void BindRawTarget(Scene& s) {
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, s.fbo);
  glViewport(0, 0, 16, 16);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glBindVertexArray(s.vao);
  glUseProgram(s.program);
  glBindTextureUnit(0, s.rawTexture);
  glBindSampler(0, s.sampler);
}

inline void LayerDraw(Scene& s, float value) {
  UINT stride = 12, offset = 0;
  s.device->IASetInputLayout(s.layout);
  s.device->IASetVertexBuffers(0, 1, &s.vertices, &stride, &offset);
  s.device->IASetIndexBuffer(s.indices, DXGI_FORMAT_R32_UINT, 0);
  s.device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  s.scale->SetFloat(value);
  D3D10_TECHNIQUE_DESC desc;
  s.technique->GetDesc(&desc);
  for (UINT p = 0; p < desc.Passes; ++p) {
    s.technique->GetPassByIndex(p)->Apply(0);
    s.device->DrawIndexed(6, 0, 0);
  }
}

// As the framework's passes do it: variable and technique looked up by name on every draw.
inline void LayerDrawByName(Scene& s, float value) {
  UINT stride = 12, offset = 0;
  s.device->IASetInputLayout(s.layout);
  s.device->IASetVertexBuffers(0, 1, &s.vertices, &stride, &offset);
  s.device->IASetIndexBuffer(s.indices, DXGI_FORMAT_R32_UINT, 0);
  s.device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  s.effect->GetVariableByName("gScale")->AsScalar()->SetFloat(value);
  ID3D10EffectTechnique* technique = s.effect->GetTechniqueByName("Quad");
  D3D10_TECHNIQUE_DESC desc;
  technique->GetDesc(&desc);
  for (UINT p = 0; p < desc.Passes; ++p) {
    technique->GetPassByIndex(p)->Apply(0);
    s.device->DrawIndexed(6, 0, 0);
  }
}

// The least a GL program can do per draw: everything that does not change stays bound.
inline void RawDraw(Scene& s, float value) {
  glProgramUniform1f(s.program, s.scaleLocation, value);
  glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
}

constexpr int kBatch = 500;

template <void (*Draw)(Scene&, float), void (*Bind)(Scene&)>
void RunDraws(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.ok) {
    state.SkipWithError("no device (run under Xvfb with Mesa)");
    return;
  }
  Bind(s);
  int i = 0;
  for (auto _ : state) {
    Draw(s, (i++ & 1) ? 0.25f : 0.75f);
    if (i % kBatch == 0) {
      state.PauseTiming();
      glFinish();
      state.ResumeTiming();
    }
  }
  glFinish();
  state.counters["draws_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_LayerDraw(benchmark::State& state) { RunDraws<LayerDraw, BindLayerTarget>(state); }
void BM_LayerDrawByName(benchmark::State& state) { RunDraws<LayerDrawByName, BindLayerTarget>(state); }
void BM_RawGlDraw(benchmark::State& state) { RunDraws<RawDraw, BindRawTarget>(state); }

// CPU time of the calling thread: the submission cost, whatever else the machine is doing (the
// rasteriser works on threads of its own).
double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// Batches of both kinds in turn, so drift in the machine's load touches both alike.
void BM_LayerVersusRawGl(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.ok) {
    state.SkipWithError("no device (run under Xvfb with Mesa)");
    return;
  }
  std::vector<double> layer, raw;
  // Each side gets a batch to settle in after the context switch; only the next batch counts.
  auto batch = [&](bool useLayer) {
    for (int i = 0; i < kBatch; ++i) {
      if (useLayer) LayerDraw(s, (i & 1) ? 0.25f : 0.75f);
      else RawDraw(s, (i & 1) ? 0.25f : 0.75f);
    }
  };
  auto timed = [&](bool useLayer) {
    if (useLayer) BindLayerTarget(s);
    else BindRawTarget(s);
    batch(useLayer);
    glFinish();
    double t0 = ThreadSeconds();
    batch(useLayer);
    double t1 = ThreadSeconds();
    glFinish();
    (useLayer ? layer : raw).push_back((t1 - t0) * 1e9 / kBatch);
  };
  for (auto _ : state) {
    // Layer, raw, raw, layer: whatever favours a place in the sequence favours both alike.
    timed(true);
    timed(false);
    timed(false);
    timed(true);
  }
  double l = Median(layer), r = Median(raw);
  state.counters["layer_ns_per_draw"] = l;
  state.counters["raw_gl_ns_per_draw"] = r;
  state.counters["ratio"] = r > 0 ? l / r : 0.0;
  std::printf("median per draw: layer %.0f ns, raw GL %.0f ns, ratio %.2f (%zu batches of %d)\n", l, r,
              r > 0 ? l / r : 0.0, layer.size(), kBatch);
}

BENCHMARK(BM_LayerDraw);
BENCHMARK(BM_LayerDrawByName);
BENCHMARK(BM_RawGlDraw);
BENCHMARK(BM_LayerVersusRawGl)->Iterations(30);

}  // namespace

BENCHMARK_MAIN();
